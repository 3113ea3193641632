#!/usr/bin/env bash
# A session money alarm with automatic disconnection, on the simulated line and a virtual display:
# the call passes the limit at once, the countdown window opens and hangs the line up by itself,
# the user answers its "OK", and the call ends and is logged.
set -euo pipefail
program=$1 line=$2 reg=$3
here=$(cd "$(dirname "$0")" && pwd)
command -v xwininfo >/dev/null || { echo "SKIP: xwininfo is not installed"; exit 77; }
source "$here/common.sh"

arm_quick_disconnect

start_display
start_program

alarm_open() { xwininfo -root -tree | grep -q '"Alarm"'; }

"$line" dial X
"$line" connect X
for _ in $(seq 300); do alarm_open && break; sleep 0.1; done
alarm_open || fail "no alarm window"
echo "The alarm window is open."

for _ in $(seq 300); do [ "$("$line" status)" = idle ] && break; sleep 0.1; done
[ "$("$line" status)" = idle ] || fail "the countdown didn't hang the line up"
echo "The countdown hung the line up."

# The window stays in its done state until the user answers it, its default button "OK".
sleep 0.5
alarm_open || fail "the window closed by itself"
python3 "$here/press_key.py" Return || fail "can't press a key on the display"
wait_for_record
alarm_open && fail "the alarm window didn't close on OK"

stop_program

[ -f "$log" ] || fail "no log"
cat "$log"
[ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
[ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
cost=$(sed -n 6p "$log" | tr -d '\r')
awk -v c="$cost" 'BEGIN { exit !(c > 0.05) }' || fail "the call's cost $cost is not past the limit"
stored=$("$reg" query "$profile\\Alarm" /v AutoDisconnect | awk '$1 == "AutoDisconnect" { print $NF }')
[ "$stored" = -1 ] || fail "AutoDisconnect changed to '$stored'"
echo "PASS"
