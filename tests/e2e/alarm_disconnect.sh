#!/usr/bin/env bash
# A session money alarm with automatic disconnection, on the simulated line and a virtual display:
# the call passes the limit at once, the countdown window opens and hangs the line up by itself,
# the user answers its "OK", and the call ends and is logged.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"
need xwininfo

arm_quick_disconnect
start_display
start_program

"$line" dial X
"$line" connect X
wait_until 300 window_open Alarm || fail "no alarm window"
echo "The alarm window is open."
line_idle() { [ "$("$line" status)" = idle ]; }
wait_until 300 line_idle || fail "the countdown didn't hang the line up"
echo "The countdown hung the line up."

# The window stays in its done state until the user answers it, its default button "OK".
sleep 0.5
window_open Alarm || fail "the window closed by itself"
keys Return
wait_for_record
window_open Alarm && fail "the alarm window didn't close on OK"

stop_program
expect_one_call
cost=$(sed -n 6p "$log" | tr -d '\r')
awk -v c="$cost" 'BEGIN { exit !(c > 0.05) }' || fail "the call's cost $cost is not past the limit"
[ "$(stored Alarm AutoDisconnect)" = -1 ] || fail "AutoDisconnect changed to '$(stored Alarm AutoDisconnect)'"
echo "PASS"
