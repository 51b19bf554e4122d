#!/usr/bin/env bash
# Sets up, builds and runs a production flow of Ardent's command-line tool against the simulated
# programmer: a private ardent-progsim is started for the run and stopped at the end (also when
# the run fails), and ArdentCmd reaches it through libportbridge-sim.so. It ends with a line PC
# driving four simulated programmers at once, one line script per programmer.
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
line_pid=""
stop_simulator() {
    local status=$?
    if [ -n "$sim_pid" ]; then
        "$bin/ardent-progsim" ctl --timeout 2000 quit > /dev/null 2>&1 || kill "$sim_pid" 2> /dev/null || true
        wait "$sim_pid" 2> /dev/null || true
    fi
    if [ -n "$line_pid" ]; then
        kill "$line_pid" 2> /dev/null || true # stops every programmer of the line
        wait "$line_pid" 2> /dev/null || true
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

# ---- Four programmers on one line PC: four line scripts burning in parallel ----
# One daemon serves the line: four programmers SIM00000001 to SIM00000004, each with its own
# chips, on $work/line/<serial>.sock. Each line script chooses its programmer with
# ARDENT_PROGRAMMER, so only scripts for the same programmer would keep each other out.
echo "# ---- a line of four simulated programmers ----"
export ARDENT_SIM_LINE="$work/line"
"$bin/ardent-progsim" --line "$ARDENT_SIM_LINE" --programmers 4 --foreground > "$work/line.log" 2>&1 &
line_pid=$!
stations="SIM00000001 SIM00000002 SIM00000003 SIM00000004"
for serial in $stations; do
    "$bin/ardent-progsim" ctl --programmer "$serial" wait-ready > /dev/null
done
# At the third programmer, channel 2 fails its burn.
"$bin/ardent-progsim" ctl --programmer SIM00000003 verdict 2 fail 61 > /dev/null

# station <serial>: the line script of one programmer: store the configuration, burn four chips.
station() {
    local serial=$1 step status result
    for step in "-store $work/line.cfg" "-burnTrigger enable" "-execute"; do
        set +e
        # shellcheck disable=SC2086 # the step is a command and its argument
        ARDENT_PROGRAMMER="$serial" ARDENTCMD_RESULT_FILE="$work/result-$serial" \
            "$bin/ArdentCmd" $step > "$work/out-$serial" 2>&1
        status=$?
        set -e
        result=$(tr -d '\n' < "$work/result-$serial")
        printf '%s: ArdentCmd %s -> %s (exit status %s, result %s = 0x%08X)\n' "$serial" "$step" \
            "$(tr -d '\r' < "$work/out-$serial" | paste -sd ' ')" "$status" "${result:-none}" \
            "$((${result:-0} & 0xFFFFFFFF))"
        [ "$status" -eq 0 ] || return 0
    done
}

pids=""
for serial in $stations; do
    station "$serial" > "$work/station-$serial.log" &
    pids="$pids $!"
done
# shellcheck disable=SC2086
wait $pids
for serial in $stations; do
    cat "$work/station-$serial.log"
done
