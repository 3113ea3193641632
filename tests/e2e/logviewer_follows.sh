#!/usr/bin/env bash
# The log viewer on a virtual display: a real click on the main window's "View Log" opens it on the
# log that the program writes, and a call timed on the simulated line appears in it within a second.
set -euo pipefail
program=$1 line=$2 reg=$3 viewer=$4
here=$(cd "$(dirname "$0")" && pwd)
command -v xdotool >/dev/null || { echo "SKIP: xdotool is not installed"; exit 77; }
command -v xwininfo >/dev/null || { echo "SKIP: xwininfo is not installed"; exit 77; }
source "$here/common.sh"
cp "$viewer" "$work/bin/logviewer"

start_display
start_program

viewer_titled() { xwininfo -root -tree | grep -q "\"$1 - Tallydial Call Log\""; }

# "View Log" sits at a fixed place in the main window's button frame. A click that a busy machine
# lets land before the window is ready is given once more.
for _ in $(seq 100); do xwininfo -name Tallydial 2>/dev/null | grep -q IsViewable && break; sleep 0.1; done
read -r x y < <(xwininfo -name Tallydial | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
for attempt in 1 2; do
    xdotool mousemove $((x + 58)) $((y + 320)) click 1
    for _ in $(seq 100); do viewer_titled log.dat && break; sleep 0.1; done
    viewer_titled log.dat && break
done
viewer_titled log.dat || { xwininfo -root -tree | grep -i tallydial; fail "the viewer didn't open on the program's log"; }
echo "The viewer is open on log.dat, which doesn't exist yet."

"$line" dial X
"$line" connect X
sleep 2
"$line" hangup X
wait_for_record
[ "$(wc -l <"$log")" -eq 10 ] || fail "the call wasn't logged"
start=$(date +%s%N)
for _ in $(seq 40); do viewer_titled "log.dat: 1 call" && break; sleep 0.05; done
elapsed=$((($(date +%s%N) - start) / 1000000))
viewer_titled "log.dat: 1 call" || fail "the call didn't appear in the viewer"
echo "The call appeared in the viewer ${elapsed} ms after it was logged."
[ "$elapsed" -le 1000 ] || fail "that took more than a second"

stop_program
echo "PASS"
