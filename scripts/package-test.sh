#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine (root), and checks what a line PC
# needs: both programs run from PATH as a normal user, outside the build tree, against the
# installed simulated programmer; then removes the package and checks nothing of it is left.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

scripts/install-deps.sh
cmake --preset package > /dev/null
cmake --build --preset package -j "$(nproc)"
cmake --build --preset package --target package
deb=$(ls -t build/package/ardent_*.deb | head -n 1)
echo "== package: $deb"
dpkg-deb --info "$deb" | grep -E 'Package|Version|Depends|Maintainer'

# lintian: no error; every warning it still gives is explained in the README.
if command -v lintian > /dev/null 2>&1; then
    echo "== lintian"
    lintian --fail-on error --tag-display-limit 0 "$deb"
else
    echo "package-test: lintian is not installed (scripts/install-deps.sh installs it)"
    exit 1
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "package-test: installing needs root; stopping after the build"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$root/$deb" > /dev/null
files=$(dpkg -L ardent)

operator=ardent-operator
id "$operator" > /dev/null 2>&1 || useradd --create-home "$operator"
home=$(getent passwd "$operator" | cut -d: -f6)
install -o "$operator" -m 0644 tests/data/cfg/current.cfg "$home/line.cfg"

# Everything below runs as the operator, from the operator's home, with only PATH to go by.
runuser -u "$operator" -- env -i HOME="$home" PATH=/usr/bin:/bin bash -euo pipefail -c '
    cd "$HOME"
    check() { echo "\$ $*"; "$@" | tr -d "\r"; }
    check ArdentCmd -cmdVer | grep -q "CMD Line version is 1.0.36"
    check ArdentCmd -fileGetInfo line.cfg name
    export ARDENT_SIM_SOCKET="$HOME/progsim.sock"
    export ARDENT_PORTBRIDGE=$(ls /usr/lib/*/ardent/libportbridge-sim.so /usr/lib/ardent/libportbridge-sim.so 2>/dev/null | head -n 1)
    ardent-progsim --socket "$ARDENT_SIM_SOCKET" --foreground > progsim.log 2>&1 &
    sim=$!
    trap "ardent-progsim ctl quit > /dev/null 2>&1 || kill $sim" EXIT
    ardent-progsim ctl wait-ready
    check ArdentCmd -getFwVer | grep -q "Firmware version is"
    check ArdentCmd -store line.cfg | grep -q "Operation completed successfully."

    # A trace names the transport it loaded and shows the reports both ways.
    ARDENT_TRACE="$HOME/trace.txt" ArdentCmd -getName > /dev/null
    grep -q "library $ARDENT_PORTBRIDGE loaded" "$HOME/trace.txt"
    grep -q "^[0-9.]* receive 64: 01 " "$HOME/trace.txt"
    echo "trace written: $(wc -l < "$HOME/trace.txt") lines"

    # Completion as an operator types: bash-completion loads the scripts by command name.
    bash -c "source /usr/share/bash-completion/bash_completion
        _completion_loader ArdentCmd; _completion_loader ardent-progsim
        typed() { COMP_WORDS=(\"\$@\"); COMP_CWORD=\$((\$# - 1)); COMP_LINE=\"\$*\"; COMP_POINT=\${#COMP_LINE}; }
        typed ArdentCmd -sto; _ardentcmd; [ \"\${COMPREPLY[*]}\" = -store ]
        typed ArdentCmd -store l; _ardentcmd; [ \"\${COMPREPLY[*]}\" = line.cfg ]
        typed ardent-progsim ctl sd i; _ardent_progsim; [ \"\${COMPREPLY[*]}\" = insert ]"
    echo "completion: ArdentCmd and ardent-progsim complete from the installed scripts"


    # A line script reads the JSON report of a run; its schema is installed with the documentation.
    ARDENTCMD_REPORT_FILE="$HOME/report.json" ArdentCmd -getName > /dev/null
    grep -q "\"schema\": 1" "$HOME/report.json"
    grep -q "\"source\": \"programmer\"" "$HOME/report.json"
    test -s /usr/share/doc/ardent/ardentcmd-report.schema.json
    echo "the report of -getName names the stored configuration"
    QT_QPA_PLATFORM=offscreen Ardent --grab "$HOME/ardent.png" > ardent.log 2>&1
    test -s "$HOME/ardent.png"
    echo "Ardent started offscreen and ended cleanly"
'

apt-get remove -y -qq ardent > /dev/null
left=""
while IFS= read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        left="$left $path"
    fi
done <<< "$files"
if [ -n "$left" ]; then
    echo "package-test: files left after removal:$left"
    exit 1
fi
echo "package-test: installed, ran as $operator, removed cleanly"
