#!/usr/bin/env bash
# About, Calculator and Help clicked on the main window of the built program, and F1 pressed on it,
# on a virtual display without a window manager (the main window sits at the top left corner).
# The help is found beside the program and opens at the main window's page.
set -euo pipefail
program=$1 line=$2 reg=$3 help=$4
source "$(dirname "$0")/common.sh"
need xwininfo
cp "$help"/tallyd.qhc "$help"/tallyd.qch "$work/bin/"
export XDG_CACHE_HOME="$work/cache"

start_display
start_program

windows() { xwininfo -root -tree | grep -c "\"$1\"" || true; }
wait_for() { wait_until 50 window_open "$1" || fail "no window \"$1\""; }

# Buttons at 96 DPI: About, Calculator, Help.
click_at 340 320
wait_for "About Tallydial"
click_at 340 320
click_at 58 347
wait_for "Calculator"
click_at 58 347
sleep 0.5
[ "$(windows "About Tallydial")" -eq 1 ] || fail "a second about box"
[ "$(windows "Calculator")" -eq 1 ] || fail "a second calculator"
echo "One about box and one calculator."

click_at 300 285 # the main window below the two boxes, for the keyboard
keys F1
wait_for "Tallydial Help"
echo "F1 opened help."
click_at 246 347
sleep 1
[ "$(windows "Tallydial Help")" -eq 1 ] || fail "a second help window"
[ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ] || fail "the help beside the program wasn't found"

stop_program
echo "PASS"
