#!/bin/sh
# Runs the test programs that start ArdentCmd while a foreign process named ArdentCmd (a copy of
# sleep) runs on the machine, as another line script or a developer's run would: none of them
# may fail because of it.
# Usage: ForeignInstanceCheck.sh <test program>...
set -u
folder=$(mktemp -d "${TMPDIR:-/tmp}/ardent-foreign-XXXXXX")
cp /bin/sleep "$folder/ArdentCmd"
"$folder/ArdentCmd" 600 &
foreign=$!
trap 'kill "$foreign" 2>/dev/null; wait "$foreign" 2>/dev/null; rm -rf "$folder"' EXIT INT TERM
status=0
for program in "$@"; do
    "$program" --gtest_brief=1 || status=1
done
exit "$status"
