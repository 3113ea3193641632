#!/usr/bin/env bash
# The program installed into a private DESTDIR runs from there: F1 finds the installed help, and a
# call timed on the simulated line is logged in the data folder, never in the installed bin folder,
# though the test could write there.
# Arguments: the build folder.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")/../e2e" && pwd)
# The shared set-up's copy of a program is replaced by the installed bin folder below.
program=/dev/null line="" reg=""
source "$here/common.sh"

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/root/usr"
rm -rf "$work/bin"
ln -s "$usr/bin" "$work/bin"
line="$usr/bin/tallydial-line" reg="$usr/bin/tallydial-reg"
log="$XDG_DATA_HOME/tallydial/log.dat"
export XDG_CACHE_HOME="$work/cache"

start_display
start_program
# F1 opens the help, which works on its own copy of the installed collection.
python3 "$here/press_key.py" F1 || fail "can't press a key on the display"
for _ in $(seq 50); do [ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] && break; sleep 0.1; done
[ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] || fail "the help wasn't found in the installed tree"
"$line" dial X
"$line" connect X
sleep 2
"$line" hangup X
wait_for_record
stop_program

[ "$(wc -l <"$log" 2>/dev/null)" = 10 ] || fail "the call isn't logged in the data folder"
[ -e "$usr/bin/log.dat" ] && fail "the installed program wrote its log into its bin folder"
echo "PASS"
