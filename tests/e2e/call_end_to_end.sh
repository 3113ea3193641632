#!/usr/bin/env bash
# A call on the simulated line, timed by the built program on a virtual display:
# dial, connect, five seconds, hang up, SIGTERM. The totals are saved and the call is logged.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(cd "$(dirname "$0")" && pwd)/common.sh"

start_display
start_program

"$line" dial X
"$line" connect X
sleep 5
"$line" hangup X
wait_for_record

stop_program
cat "$work/out.txt"

time=$("$reg" query "$profile\\CumulativeTotal" /v Time | awk '$1 == "Time" { sub(/^.*REG_SZ    /, ""); print }')
echo "CumulativeTotal\\Time: '$time'"
[[ "$time" =~ ^\ [0-9]*\.?[0-9]+$ ]] || fail "not a padded number"
awk -v t="$time" 'BEGIN { exit !(t >= 4.5 && t <= 7) }' || fail "not near 5 seconds"

cat "$log"
[ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
[ "$(head -n 1 "$log")" = $'"TALLYD"\r' ] || fail "no record marker"
[ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
echo "PASS"
