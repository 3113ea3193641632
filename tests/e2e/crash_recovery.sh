#!/usr/bin/env bash
# A call on the simulated line, the program killed with SIGKILL during it, then started again: the
# totals hold the call as the journal had it, the log holds it with the recovery comment, and the
# user is told.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"
told() { window_open "Tallydial - Session recovered"; }

start_display
start_program
"$line" connect X
wait_for_call
kill -KILL "$app"
wait "$app" 2>/dev/null || true
app=""
"$line" hangup X

start_program
wait_until 300 told || fail "the user was not told what was recovered"
close_window "Tallydial - Session recovered" || fail "the message didn't close on OK"
stop_program
[ -f "$journal" ] && fail "the journal outlived a clean exit"

expect_one_call
[ "$(sed -n 10p "$log")" = $'"(recovered after an unexpected end)"\r' ] || fail "no recovery comment"
echo "PASS"
