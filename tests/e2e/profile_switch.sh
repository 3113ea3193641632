#!/usr/bin/env bash
# A second profile created from the options dialog and switched to, on a virtual display with real
# clicks and keys and without a window manager (positions at 96 DPI): Options, the "Profiles" tab,
# Default selected, "New Profile", "Work", OK, OK, then "Change Profile". A new copy starts with the
# restart token, the chooser lists both profiles, and "Work" starts with Default's settings but
# totals of its own.
set -euo pipefail
program=$1 reg=$2
source "$(dirname "$0")/common.sh"
need xdotool
base='HKLM\Software\Orvane\Tallydial'

# Settings of Default that differ from the defaults, and totals of its own.
set_value Charges Amount1 0.07
set_value Country Double '$'
set_value CumulativeTotal Money 5

# Sets `id` to the window called $1 once it shows.
shown() { id=$(xdotool search --onlyvisible --name "^$1\$" | tail -n 1) && [ -n "$id" ]; }
window() { wait_until 150 shown "$1" || fail "no window \"$1\""; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.5; }
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
hidden() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null; }
gone() { wait_until 300 hidden "$1" || fail "\"$1\" is still open"; }
shoot() { import -window root "$work/$1.png" 2>/dev/null || true; }

start_display
start_program

# The splash is called "Tallydial" too: the main window is the one left once it has gone.
main_alone() { [ "$(xdotool search --onlyvisible --name '^Tallydial$' | wc -l)" -eq 1 ]; }
wait_until 300 main_alone || true
window Tallydial; main=$id
click "$main" 245 320 # Options
window Options; options=$id
xdotool windowfocus --sync "$options"
for _ in 1 2 3 4 5 6 7; do key ctrl+Tab; done # to "Profiles"
shoot options-profiles
click "$options" 143 53 # Default in the list
click "$options" 66 56 # New Profile
window "New Profile"; newProfile=$id
xdotool windowfocus --sync "$newProfile"
xdotool type --delay 50 '  Work '
shoot new-profile
key Return
gone "New Profile"
click "$options" 506 299 # OK
gone Options
[ "$("$reg" query "$base\\Work" /v Base | awk '$1 == "Base" { print $NF }')" = Default ] ||
    fail "Work isn't based on Default"
echo "Work was created, based on Default."

old=$app
click "$main" 323 338 # Change Profile
window "Tallydial - Select Profile"; chooser=$id
status=0
wait "$old" || status=$?
[ "$status" -eq 0 ] || fail "the old copy ended with status $status"
app=$(xdotool getwindowpid "$chooser")
tr '\0' ' ' <"/proc/$app/cmdline" | grep -q ' APPRESTARTPROFILEORVANE $' || fail "not restarted with the token"
echo "The old copy ended and a new one started with the restart token."
shoot chooser
click "$chooser" 30 30 # Work
click "$chooser" 128 189 # Ok
wait_until 300 "$reg" query "$base\\Work\\CumulativeTotal" /v Time >/dev/null 2>&1 || true
sleep 1
kill -TERM "$app"
wait_until 300 test ! -d "/proc/$app" || true
app=""

# Every value of each profile as "section|name=value", without the totals and the profile's own key.
values() {
    "$reg" export "$base\\$1" "$work/$1.reg" >/dev/null
    tr -d '\r' <"$work/$1.reg" | awk -v key="[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\$1\\" '
        /^\[/ { section = index($0, key) == 1 ? substr($0, length(key) + 1, length($0) - length(key) - 1) : ""; next }
        section != "" && tolower(section) != "cumulativetotal" && NF { print section "|" $0 }' | sort
}
values Default >"$work/default.txt"
values Work >"$work/work.txt"
[ "$(wc -l <"$work/work.txt")" -gt 40 ] || fail "Work holds too few values"
diff "$work/default.txt" "$work/work.txt" || fail "Work's settings differ from Default's"
grep -q '^Charges|"Amount1"="0.07"$' "$work/work.txt" || fail "Work didn't take Default's price"
money=$("$reg" query "$base\\Work\\CumulativeTotal" /v Money | awk '$1 == "Money" { print $NF }')
[ "$money" = 0 ] || fail "Work's total is '$money', not its own"
echo "PASS"
