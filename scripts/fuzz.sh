#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a short time.
# Usage: scripts/fuzz.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"

status=0
for target in build/fuzz/bin/fuzz_*; do
    name=$(basename "$target")
    corpus=$(mktemp -d)
    # Seeds committed beside the target's sources, when there are any.
    seeds=$(find fuzz -type d -path "*/corpus/${name#fuzz_}" | head -n 1)
    echo "== $name (${seconds}s)"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=0 "$corpus" ${seeds:+"$seeds"} > "build/fuzz/$name.log" 2>&1; then
        echo "FAILED: $name"; tail -n 40 "build/fuzz/$name.log"; status=1
    fi
    rm -rf "$corpus"
done
exit $status
