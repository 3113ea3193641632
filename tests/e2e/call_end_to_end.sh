#!/usr/bin/env bash
# A call on the simulated line, timed by the built program on a virtual display:
# dial, connect, five seconds, hang up, SIGTERM. The totals are saved and the call is logged.
set -euo pipefail
program=$1 line=$2 reg=$3
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tallydial-e2e.XXXXXX")
xvfb="" app=""
cleanup() {
    [ -n "$app" ] && kill -KILL "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work"/{bin,config,data,runtime}
chmod 700 "$work/runtime"
# The log goes into the program's own folder.
cp "$program" "$work/bin/tallydial"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

"$work/bin/tallydial" >"$work/out.txt" 2>&1 &
app=$!
totals='HKLM\Software\Orvane\Tallydial\Default\CumulativeTotal'
# Loaded once the profile's values exist (after the splash).
for _ in $(seq 300); do "$reg" query "$totals" /v Time >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

"$line" dial X
"$line" connect X
sleep 5
"$line" hangup X
log="$work/bin/log.dat"
for _ in $(seq 100); do [ -f "$log" ] && [ "$(wc -l <"$log")" -ge 10 ] && break; sleep 0.1; done

kill -TERM "$app"
status=0
wait "$app" || status=$?
app=""
cat "$work/out.txt"
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; exit 1; }

time=$("$reg" query "$totals" /v Time | awk '$1 == "Time" { sub(/^.*REG_SZ    /, ""); print }')
echo "CumulativeTotal\\Time: '$time'"
[[ "$time" =~ ^\ [0-9]*\.?[0-9]+$ ]] || { echo "FAIL: not a padded number"; exit 1; }
awk -v t="$time" 'BEGIN { exit !(t >= 4.5 && t <= 7) }' || { echo "FAIL: not near 5 seconds"; exit 1; }

cat "$log"
[ "$(wc -l <"$log")" -eq 10 ] || { echo "FAIL: the log doesn't hold exactly one record"; exit 1; }
[ "$(head -n 1 "$log")" = $'"TALLYD"\r' ] || { echo "FAIL: no record marker"; exit 1; }
[ "$(sed -n 9p "$log")" = $'0\r' ] || { echo "FAIL: logged as a failed dial"; exit 1; }
echo "PASS"
