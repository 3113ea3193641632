#!/usr/bin/env bash
# A session money alarm with automatic disconnection, on the simulated line and a virtual display:
# the call passes the limit at once, the countdown window opens and hangs the line up by itself,
# the user answers its "OK", and the call ends and is logged.
set -euo pipefail
program=$1 line=$2 reg=$3
here=$(cd "$(dirname "$0")" && pwd)
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
command -v xwininfo >/dev/null || { echo "SKIP: xwininfo is not installed"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tallydial-e2e-alarm.XXXXXX")
xvfb="" app=""
cleanup() {
    [ -n "$app" ] && kill -KILL "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    cat "$work/out.txt" 2>/dev/null || true
    exit 1
}
mkdir -p "$work"/{bin,config,data,runtime}
chmod 700 "$work/runtime"
cp "$program" "$work/bin/tallydial"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

profile='HKLM\Software\Orvane\Tallydial\Default'
set_value() { "$reg" add "$profile\\$1" /v "$2" /d "$3" /f >/dev/null; }
set_value Alarm Alarm 1
set_value Alarm Money 0.05
set_value Alarm Total 2
set_value Alarm AutoDisconnect -1
set_value Alarm AutoDisconnectTime 2
# Every rate costs 0.10 a second, whichever the clock picks, and none is asked about.
for i in 1 2 3 4 5; do set_value Charges "Amount$i" 6; done
set_value Charges AskBeforeChanging 0

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

"$work/bin/tallydial" >"$work/out.txt" 2>&1 &
app=$!
for _ in $(seq 300); do "$reg" query "$profile\\CumulativeTotal" /v Time >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

alarm_open() { xwininfo -root -tree | grep -q '"Alarm"'; }

"$line" dial X
"$line" connect X
for _ in $(seq 100); do alarm_open && break; sleep 0.1; done
alarm_open || fail "no alarm window"
echo "The alarm window is open."

for _ in $(seq 100); do [ "$("$line" status)" = idle ] && break; sleep 0.1; done
[ "$("$line" status)" = idle ] || fail "the countdown didn't hang the line up"
echo "The countdown hung the line up."

log="$work/bin/log.dat"
# The window stays in its done state until the user answers it, its default button "OK".
sleep 0.5
alarm_open || fail "the window closed by itself"
python3 "$here/press_key.py" Return || fail "can't press a key on the display"
for _ in $(seq 100); do [ -f "$log" ] && [ "$(wc -l <"$log")" -ge 10 ] && break; sleep 0.1; done
alarm_open && fail "the alarm window didn't close on OK"

kill -TERM "$app"
status=0
wait "$app" || status=$?
app=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"

[ -f "$log" ] || fail "no log"
cat "$log"
[ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
[ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
cost=$(sed -n 6p "$log" | tr -d '\r')
awk -v c="$cost" 'BEGIN { exit !(c > 0.05) }' || fail "the call's cost $cost is not past the limit"
stored=$("$reg" query "$profile\\Alarm" /v AutoDisconnect | awk '$1 == "AutoDisconnect" { print $NF }')
[ "$stored" = -1 ] || fail "AutoDisconnect changed to '$stored'"
echo "PASS"
