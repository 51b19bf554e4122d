#!/usr/bin/env bash
# Sets up, builds and runs a production flow of Ardent's command-line tool against the simulated
# programmer: a private ardent-progsim is started for the run and stopped at the end (also when
# the run fails), and ArdentCmd reaches it through libportbridge-sim.so.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release > /dev/null
cmake --build --preset release -j "$(nproc)" --target ArdentCmd ardent-progsim portbridge-sim

bin="$PWD/build/release/bin"
data="$PWD/tests/data"
work="$(mktemp -d "${TMPDIR:-/tmp}/ardent-run.XXXXXX")"
export ARDENT_SIM_SOCKET="$work/progsim.sock"
export ARDENT_PORTBRIDGE="$bin/libportbridge-sim.so"

# ---- The simulated programmer: four blank chips that pass, unless the flow says otherwise ----
sim_pid=""
stop_simulator() {
    local status=$?
    if [ -n "$sim_pid" ]; then
        "$bin/ardent-progsim" ctl --timeout 2000 quit > /dev/null 2>&1 || kill "$sim_pid" 2> /dev/null || true
        wait "$sim_pid" 2> /dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap stop_simulator EXIT
trap 'exit 130' INT TERM

"$bin/ardent-progsim" --socket "$ARDENT_SIM_SOCKET" --foreground > "$work/progsim.log" 2>&1 &
sim_pid=$!
"$bin/ardent-progsim" ctl wait-ready > /dev/null

# run <ArdentCmd arguments...>: one command, its output and its exit status.
# The full 32-bit result comes from the result file: results such as a CRC in the upper half
# do not fit an exit status.
run() {
    echo "\$ ArdentCmd $*"
    set +e
    ARDENTCMD_RESULT_FILE="$work/result" "$bin/ArdentCmd" "$@" | tr -d '\r'
    local status=${PIPESTATUS[0]}
    set -e
    local result
    result=$(tr -d '\n' < "$work/result")
    printf '(exit status %s, result %s = 0x%08X)\n\n' "$status" "$result" "$((result & 0xFFFFFFFF))"
}

# sim <control command...>: what happens at the programmer (chips, verdicts, cable, trigger).
sim() {
    echo "# simulated programmer: $*"
    "$bin/ardent-progsim" ctl "$@"
    echo
}

# ---- The production flow. Each step is one line; add steps as the tool grows. ----
run -cmdVer
run -h

# Prepare the configuration and look at it.
run -createCfg --device dp3b --baud 0x2580 --channel 0x0F \
    --par "$data/input/dp3b_par.xml" --patch "$data/input/dp3b_patch.xml" --output "$work/line.cfg"
run -fileGetInfo "$work/line.cfg"

# Set the programmer up and store the configuration.
run -getFwVer
run -setBaudRate 9600
run -store "$work/line.cfg"
run -getName
run -getCrc
run -burnTrigger enable

# Burn all four channels and read the IDs the burn left.
run -execute
run -readID DP3B 1

# A line with trouble: channel 2 fails its next burn, channel 4 is empty.
sim verdict 2 fail 61
sim chip 4 absent
run -execute

# Back the stored configuration up and check it is the one stored.
run -backup "$work/backup.cfg"
if cmp -s "$work/line.cfg" "$work/backup.cfg"; then
    echo "backup: identical to the configuration stored"
else
    echo "backup: DIFFERS from the configuration stored"
    exit 1
fi
