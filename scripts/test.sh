#!/usr/bin/env bash
# Sets up, builds (warnings are errors) and runs every test of the project.
# ARDENT_PRESET=asan runs the same tests under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${ARDENT_PRESET:-debug}

scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset"
