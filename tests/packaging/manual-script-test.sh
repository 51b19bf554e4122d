#!/usr/bin/env bash
# The line script of ArdentCmd(1)'s EXAMPLES, taken from the page's source as a reader copies it,
# run against the simulated programmer: it must judge a mixed burn, a clean burn, a burn refused
# as a whole and a missing programmer the way its comments promise.
# usage: manual-script-test.sh <ArdentCmd.1> <folder of ArdentCmd and ardent-progsim> <a .cfg file>
set -uo pipefail
page=$1 bin=$(cd "$2" && pwd) cfg=$3
work=$(mktemp -d)
export ARDENT_SIM_SOCKET="$work/sim.sock"
export ARDENT_PORTBRIDGE="$bin/libportbridge-sim.so"
# The simulator chosen by serial number, its lock in a private folder: no other ArdentCmd of the
# machine stands in the way.
export ARDENT_PROGRAMMER=SIM00000001 ARDENT_LOCK_DIR="$work/locks"
mkdir -p "$ARDENT_LOCK_DIR"
export PATH="$bin:$PATH"
sim() { ardent-progsim ctl "$@" > /dev/null; }
trap 'sim quit 2> /dev/null; rm -rf "$work"' EXIT

# From "#!/bin/sh" to the end of its no-fill block, with the roff escapes undone.
sed -n '/^#!\/bin\/sh$/,/^\.RE$/p' "$page" | sed '$d' |
    sed -e 's/\\-/-/g' -e 's/\\e/\\/g' > "$work/burn.sh"
if ! grep -q '^exit \$failed$' "$work/burn.sh"; then
    echo "FAIL: no line script found in $page"
    exit 1
fi
cp "$cfg" "$work/line.cfg"
ardent-progsim --socket "$ARDENT_SIM_SOCKET" --daemon > /dev/null || exit 1

failures=0
# expect <exit status> <text the output must hold> [more texts...]
expect() {
    local want=$1
    shift
    local out status
    out=$(cd "$work" && sh burn.sh line.cfg 2>&1)
    status=$?
    [ "$status" -eq "$want" ] || { echo "FAIL: exit $status, expected $want:"; echo "$out"; failures=$((failures + 1)); }
    for text in "$@"; do
        grep -qF -- "$text" <<< "$out" || { echo "FAIL: \"$text\" missing in:"; echo "$out"; failures=$((failures + 1)); }
    done
}

# The configuration of line.cfg selects channels 1, 2 and 4.
for line in "chip 1 DP2B" "chip 2 DP2B" "chip 4 DP2B" "verdict 4 fail 7"; do
    sim $line
done
expect 1 "Operation completed successfully." "channel 1: PASS" "channel 2: PASS" \
    "channel 3: not used" "channel 4: FAIL (code 7)"
sim verdict 4 pass
expect 0 "channel 4: PASS"
# Stored already: the second run must not store again.
out=$(cd "$work" && sh burn.sh line.cfg 2>&1)
if grep -q "Operation completed successfully." <<< "$out"; then
    echo "FAIL: stored again although the programmer holds the configuration"
    failures=$((failures + 1))
fi
sim chip 1 DP3B   # a chip of another family: the burn is refused as a whole
expect 1 "no burn: result "
sim unplug
ARDENT_TIMEOUT_SCALE=0.001 expect 1 "ERROR_PROG_CONNECT"

[ "$failures" -eq 0 ] || exit 1
echo "the manual's line script judges every case as it says"
