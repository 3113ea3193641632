#!/usr/bin/env bash
# A call on the simulated line, timed by the built program on a virtual display: F1 finds the help beside
# the program; dial, connect, five seconds, hang up, SIGTERM. The totals are saved and the call is logged.
set -euo pipefail
program=$1 line=$2 reg=$3 help=$4
source "$(dirname "$0")/common.sh"
cp "$help"/tallyd.qhc "$help"/tallyd.qch "$work/bin/"

start_display
start_program
open_help || fail "F1 didn't open the help beside the program"

"$line" dial X
"$line" connect X
sleep 5
"$line" hangup X
wait_for_record

stop_program
time=$(stored CumulativeTotal Time)
echo "CumulativeTotal\\Time: '$time'"
[[ "$time" =~ ^\ [0-9]*\.?[0-9]+$ ]] || fail "not a padded number"
awk -v t="$time" 'BEGIN { exit !(t >= 4.5 && t <= 7) }' || fail "not near 5 seconds"
expect_one_call
[ "$(head -n 1 "$log")" = $'"TALLYD"\r' ] || fail "no record marker"
echo "PASS"
