#!/usr/bin/env bash
# The program installed into a private DESTDIR runs from there: F1 finds the installed help, View Log
# the installed viewer, which shows a call timed on the simulated line once it is logged in the data
# folder, never in the installed bin folder, though the test could write there.
# Arguments: the build folder.
set -euo pipefail
build=$1
# The shared set-up's copy of a program is replaced by the installed bin folder below.
program=/dev/null line="" reg=""
source "$(dirname "$0")/../e2e/common.sh"

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/root/usr"
rm -rf "$work/bin"
ln -s "$usr/bin" "$work/bin"
line="$usr/bin/tallydial-line" reg="$usr/bin/tallydial-reg"
log="$XDG_DATA_HOME/tallydial/log.dat"

start_display
start_program
open_help || fail "the help wasn't found in the installed tree"

# View Log (at 96 DPI, the main window at the top left corner without a window manager) starts the
# viewer from libexec, on the log in the data folder; a click that a busy machine loses is given again.
viewer_titled() { xwininfo -root -tree | grep -q "\"$1 - Tallydial Call Log\""; }
for _ in 1 2; do
    xdotool search --name '^Tallydial$' windowraise %@
    click_at 58 320
    wait_until 50 viewer_titled log.dat && break
done
viewer_titled log.dat || fail "View Log didn't start the installed viewer"

"$line" dial X
"$line" connect X
sleep 2
"$line" hangup X
wait_for_record
wait_until 20 viewer_titled "log.dat: 1 call" || fail "the viewer doesn't show the call"
stop_program

[ "$(wc -l <"$log" 2>/dev/null)" = 10 ] || fail "the call isn't logged in the data folder"
[ -e "$usr/bin/log.dat" ] && fail "the installed program wrote its log into its bin folder"
echo "PASS"
