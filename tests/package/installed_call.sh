#!/usr/bin/env bash
# The program installed into a private DESTDIR runs from there: F1 finds the installed help, View Log
# the installed viewer, and a call timed on the simulated line is logged in the data folder, never in
# the installed bin folder, though the test could write there.
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
# F1 opens the help, which works on its own copy of the installed collection. A key that a busy
# machine lets land before the window is ready is pressed once more.
for _ in $(seq 100); do xwininfo -name Tallydial 2>/dev/null | grep -q IsViewable && break; sleep 0.1; done
for attempt in 1 2; do
    keys F1
    for _ in $(seq 50); do [ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] && break; sleep 0.1; done
    [ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] && break
done
[ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] || fail "the help wasn't found in the installed tree"

# View Log (at 96 DPI, the main window at the top left corner without a window manager) starts the
# viewer from libexec, on the log in the data folder.
viewer_titled() { xwininfo -root -tree | grep -q "\"$1 - Tallydial Call Log\""; }
viewer=0
if command -v xdotool >/dev/null && command -v xwininfo >/dev/null; then
    viewer=1
    for attempt in 1 2; do
        xdotool search --name '^Tallydial$' windowraise %@
        click_at 58 320
        for _ in $(seq 50); do viewer_titled log.dat && break; sleep 0.1; done
        viewer_titled log.dat && break
    done
    viewer_titled log.dat || fail "View Log didn't start the installed viewer"
fi

"$line" dial X
"$line" connect X
sleep 2
"$line" hangup X
wait_for_record
if [ "$viewer" = 1 ]; then
    for _ in $(seq 20); do viewer_titled "log.dat: 1 call" && break; sleep 0.1; done
    viewer_titled "log.dat: 1 call" || fail "the viewer doesn't show the call"
fi
stop_program

[ "$(wc -l <"$log" 2>/dev/null)" = 10 ] || fail "the call isn't logged in the data folder"
[ -e "$usr/bin/log.dat" ] && fail "the installed program wrote its log into its bin folder"
echo "PASS"
