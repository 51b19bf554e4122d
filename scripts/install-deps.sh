#!/usr/bin/env bash
# Installs every Debian package Ardent needs to build, test, fuzz, benchmark and package.
# As root it installs what is missing; otherwise it says what it would install and fails when
# anything is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    clang libclang-rt-14-dev
    libpcre2-dev libpugixml-dev libhidapi-dev
    qt6-base-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
    dpkg-dev file fakeroot lintian
    nlohmann-json3-dev bash-completion
    libsqlite3-dev sqlite3 libpq-dev postgresql qt6-charts-dev
    libqt6opengl6-dev   # the charts module's CMake package needs the OpenGL one
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: every package is installed"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: not root; would install: ${missing[*]}"
    echo "install-deps: run as root: apt-get install -y ${missing[*]}"
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
