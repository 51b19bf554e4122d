#!/usr/bin/env bash
# The bash completion scripts of the package: each loads into an interactive-like bash without a
# word on standard error, and completes what a user types, called the way bash calls them
# (COMP_WORDS, COMP_CWORD). A fake ardent-programmers on PATH stands for the installed lister.
# usage: completion-test.sh <folder of the completion scripts>
set -uo pipefail
scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/files/configs"
touch "$work/files/line.cfg" "$work/files/other.CFG" "$work/files/notes.txt" \
      "$work/files/params.xml"
cat > "$work/bin/ardent-programmers" <<'LIST'
#!/bin/sh
echo "serial    path           accessible  held by"
echo "A1B2C3    /dev/hidraw3   yes         -"
echo "Z9        /dev/hidraw7   no          ArdentCmd (pid 4242)"
LIST
chmod +x "$work/bin/ardent-programmers"

# Loads bash-completion's helpers and the three scripts; anything on standard error fails.
load='source /usr/share/bash-completion/bash_completion
      for s in ArdentCmd ardent-progsim ardent-programmers; do source "$SCRIPTS/$s"; done'
errors=$(SCRIPTS=$scripts bash -c "$load" 2>&1 >/dev/null)
if [ -n "$errors" ]; then
    echo "FAIL: loading the completion scripts wrote: $errors"
    exit 1
fi

failures=0
# check <function> <expected words, sorted, space-separated> <words typed...>; the last word
# is the one being completed.
check() {
    local function=$1 expected=$2
    shift 2
    local got
    got=$(cd "$work/files" && PATH="$work/bin:$PATH" SCRIPTS=$scripts bash -c "$load"'
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        '"$function"' 2>/dev/null
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " " | sed "s/ $//"' _ "$@")
    if [ "$got" != "$expected" ]; then
        echo "FAIL: $* -> \"$got\", expected \"$expected\""
        failures=$((failures + 1))
    fi
}

check _ardentcmd "-setBaudRate -setChannel -setVoltage -stopApp -store -sync" ArdentCmd -s
check _ardentcmd "-fileGetInfo -fileUpdateChannel" ArdentCmd -file
check _ardentcmd "configs line.cfg other.CFG" ArdentCmd -store ""
check _ardentcmd "configs line.cfg other.CFG" ArdentCmd -BACKUP ""
check _ardentcmd "DP2A DP2B DP3B" ArdentCmd -readID ""
check _ardentcmd "1 2 3 4" ArdentCmd -readID DP2B ""
check _ardentcmd "DP2B DP3B" ArdentCmd -stopApp DP
check _ardentcmd "aparam channel name patch" ArdentCmd -fileGetInfo line.cfg ""
check _ardentcmd "disable enable" ArdentCmd -burnTrigger ""
check _ardentcmd "--par --patch" ArdentCmd -createCfg --device dp3b --pa
check _ardentcmd "configs params.xml" ArdentCmd -createCfg --par ""
check _ardentcmd "19200" ArdentCmd -createCfg --baud 19
check _ardentcmd "" ArdentCmd -execute ""
check _ardent_progsim "--daemon" ardent-progsim --dae
check _ardent_progsim "--verbose --version" ardent-progsim --ver
check _ardent_progsim "sd service-result status store" ardent-progsim ctl s
check _ardent_progsim "insert remove" ardent-progsim ctl --socket /tmp/s sd ""
check _ardent_progsim "1 2 3 4" ardent-progsim ctl chip ""
check _ardent_progsim "DP2A DP2B DP3B" ardent-progsim ctl chip 2 DP
check _ardent_progsim "drop" ardent-progsim ctl fault dr
check _ardent_progsim "/dev/hidraw3 /dev/hidraw7 A1B2C3 Z9" ardent-progsim ctl --programmer ""
check _ardent_windowed "/dev/hidraw3 /dev/hidraw7 A1B2C3 Z9" Ardent --programmer ""
check _ardent_windowed "--programmer" Ardent --pro
check _ardent_programmers "" ardent-programmers ""

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "completion: all cases complete as expected"
