#!/usr/bin/env bash
# A call on the simulated line, the program killed with SIGKILL during it, then started again: the
# totals hold the call as the journal had it, the log holds it with the recovery comment, and the
# user is told.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"
journal="$work/state/tallydial/default.journal"
told() { window_open "Tallydial - Session recovered"; }

start_display
start_program
"$line" connect X
sleep 3
wait_until 100 test -f "$journal" || fail "no journal during the call"
kill -KILL "$app"
wait "$app" 2>/dev/null || true
app=""
"$line" hangup X

start_program
wait_until 50 told || fail "the user was not told what was recovered"
keys Return
sleep 0.5
told && fail "the message didn't close on OK"
stop_program
[ -f "$journal" ] && fail "the journal outlived a clean exit"

expect_one_call
[ "$(sed -n 10p "$log")" = $'"(recovered after an unexpected end)"\r' ] || fail "no recovery comment"
time=$(stored CumulativeTotal Time)
logged=$(sed -n 5p "$log" | tr -d '\r')
echo "CumulativeTotal\\Time: $time, logged: $logged"
awk -v t="$time" -v l="$logged" 'BEGIN { d = t - l; exit !(d < 1e-9 && -d < 1e-9 && t >= 0 && t <= 3.5) }' ||
    fail "the totals don't hold the call as journalled"
echo "PASS"
