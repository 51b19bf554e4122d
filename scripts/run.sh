#!/usr/bin/env bash
# Sets up, builds and runs the main job of Ardent's command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release > /dev/null
cmake --build --preset release -j "$(nproc)" --target ArdentCmd

bin=build/release/bin
run() {
    echo "\$ ArdentCmd $*"
    set +e
    "$bin/ArdentCmd" "$@" | tr -d '\r'
    local status=${PIPESTATUS[0]}
    set -e
    echo "(exit status $status)"
    echo
}

run -cmdVer
run -h
