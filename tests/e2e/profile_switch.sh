#!/usr/bin/env bash
# A second profile created from the options dialog and switched to, on a virtual display with real
# clicks and keys and without a window manager (positions at 96 DPI): Options, the "Profiles" tab,
# Default selected, "New Profile", "Work", OK, OK, then "Change Profile". A new copy starts with the
# restart token, the chooser lists both profiles, and "Work" starts with Default's settings but
# totals of its own.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"
set_value Charges Amount1 0.07
set_value Country Double '$'
set_value CumulativeTotal Money 5

# Sets `id` to the window called $1 once it shows.
shown() { id=$(xdotool search --onlyvisible --name "^$1\$" | tail -n 1) && [ -n "$id" ]; }
window() { wait_until 150 shown "$1" || fail "no window \"$1\""; }
click() { xdotool mousemove --window "$id" "$1" "$2" click 1; sleep 0.5; }
hidden() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null; }
gone() { wait_until 300 hidden "$1" || fail "\"$1\" is still open"; }

start_display
start_program
# The splash is called "Tallydial" too: the main window is the one left once it has gone.
main_alone() { [ "$(xdotool search --onlyvisible --name '^Tallydial$' | wc -l)" -eq 1 ]; }
wait_until 300 main_alone || true
window Tallydial
click 245 320 # Options
window Options
xdotool windowfocus --sync "$id"
keys ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab # to "Profiles"
click 143 53 # Default in the list
click 66 56 # New Profile
window "New Profile"
xdotool windowfocus --sync "$id"
xdotool type --delay 50 '  Work '
keys Return
gone "New Profile"
window Options
click 506 299 # OK
gone Options
[ "$(profile=$base stored Work Base)" = Default ] || fail "Work isn't based on Default"

old=$app
window Tallydial
click 323 338 # Change Profile
window "Tallydial - Select Profile"
status=0
wait "$old" || status=$?
[ "$status" -eq 0 ] || fail "the old copy ended with status $status"
app=$(xdotool getwindowpid "$id")
tr '\0' ' ' <"/proc/$app/cmdline" | grep -q ' APPRESTARTPROFILEORVANE $' || fail "not restarted with the token"
click 30 30 # Work
click 128 189 # Ok
profile="$base\\Work"
wait_until 300 "$reg" query "$profile\\CumulativeTotal" /v Time >/dev/null 2>&1 || true
sleep 1
kill -TERM "$app" # not our child: its end is seen in the process table
wait_until 300 test ! -d "/proc/$app" || true
app=""
[ "$(stored Charges Amount1)" = 0.07 ] || fail "Work didn't take Default's price"
[ "$(stored Country Double)" = '$' ] || fail "Work didn't take Default's currency"
[ "$(stored CumulativeTotal Money)" = 0 ] || fail "Work's total is '$(stored CumulativeTotal Money)', not its own"
echo "PASS"
