#!/usr/bin/env bash
# The log viewer on a virtual display: a real click on the main window's "View Log" opens it on the
# log that the program writes, and a call timed on the simulated line appears in it within a second.
set -euo pipefail
program=$1 line=$2 reg=$3 viewer=$4
source "$(dirname "$0")/common.sh"
need xdotool xwininfo
cp "$viewer" "$work/bin/logviewer"

start_display
start_program

# The number of calls that the viewer's title shows for log.dat, or nothing while it isn't open.
calls_shown() {
    xwininfo -root -tree | sed -n 's/.*"log\.dat\(: \([0-9,]*\) calls\?\)\? - Tallydial Call Log".*/\2/p' |
        head -n 1 | sed 's/^$/0/;s/,//g'
}

# "View Log" sits at a fixed place in the main window's button frame. A click that a busy machine
# lets land before the window is ready is given once more.
main_viewable() { xwininfo -name Tallydial 2>/dev/null | grep -q IsViewable; }
viewer_open() { [ -n "$(calls_shown)" ]; }
wait_until 300 main_viewable || true
read -r x y < <(xwininfo -name Tallydial | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
for attempt in 1 2; do
    xdotool mousemove $((x + 58)) $((y + 320)) click 1
    wait_until 300 viewer_open && break
done
before=$(calls_shown)
[ -n "$before" ] || { xwininfo -root -tree | grep -i tallydial; fail "the viewer didn't open on the program's log"; }
echo "The viewer is open on log.dat with $before calls."

"$line" dial X
"$line" connect X
sleep 2
"$line" hangup X
wait_for_record
record_logged || fail "the call wasn't logged"
start=$(date +%s%N)
for _ in $(seq 40); do [ "$(calls_shown)" = $((before + 1)) ] && break; sleep 0.05; done
elapsed=$((($(date +%s%N) - start) / 1000000))
[ "$(calls_shown)" = $((before + 1)) ] || fail "the call didn't appear in the viewer"
echo "The call appeared in the viewer ${elapsed} ms after it was logged."
[ "$elapsed" -le 1000 ] || fail "that took more than a second"

stop_program
echo "PASS"
