#!/usr/bin/env bash
# A call on the simulated line whose counters are driven past a data allowance of 0.15 GB, with the
# hang-up on: the warning at 125 MB, the countdown at 150 MB hangs the line up; the call is logged
# once with its bytes beside the log, and the month's bytes are stored with the totals.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"
data="$work/bin/log-data.dat"
alarm_open() { window_open "Alarm"; }
line_down() { ! "$line" status | grep -q '^X:'; }

"$reg" add "$profile\\ISP Charges" /v DataAllowance /t REG_SZ /d 0.15 /f >/dev/null
"$reg" add "$profile\\Alarm" /v DataHangUp /t REG_SZ /d 1 /f >/dev/null
"$reg" add "$profile\\Alarm" /v AutoDisconnectTime /t REG_SZ /d 2 /f >/dev/null

start_display
start_program
"$line" connect X
wait_for_call
"$line" traffic X 112500000 12500000
wait_until 300 alarm_open || fail "no warning at 83% of the allowance"
close_window Alarm || fail "the warning didn't close on OK"
"$line" traffic X 135000000 15000000
wait_until 300 alarm_open || fail "no countdown once the allowance was used up"
wait_until 300 line_down || fail "the countdown didn't hang the line up"
close_window Alarm || fail "the countdown didn't close on OK"
wait_for_record
stop_program

expect_one_call
cat "$data"
[ "$(wc -l <"$data")" -eq 1 ] || fail "not one line of bytes beside the log"
start=$(sed -n '2p;3p' "$log" | tr -d '\r' | paste -sd,)
[ "$(tr -d '\r' <"$data")" = "$start,\"X\",135000000,15000000" ] || fail "the call's bytes aren't beside its record"
[ "$(stored 'ISP Charges' DataUsed)" = 150000000 ] || fail "the month's bytes weren't stored"
[ "$(stored Alarm DataWarned)" = True ] || fail "the warning isn't marked as shown"
echo "PASS"
