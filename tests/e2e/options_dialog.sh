#!/usr/bin/env bash
# The options dialog of the built program, on a virtual display without a window manager (the main
# window sits at the top left corner), driven by a click and key presses only: the Daytime rate's
# price and a money alarm are typed, OK stores them in their text forms, and the dialog closes.
set -euo pipefail
program=$1 line=$2 reg=$3
source "$(dirname "$0")/common.sh"

# Daytime is the rate in force all day, every day.
set_value Charges FromDay1 1
set_value Charges ToDay1 7
set_value Charges BeforeHour1 0
set_value Charges AfterHour1 0

start_display
start_program

click_at 246 320 # the Options button at 96 DPI
wait_until 50 window_open Options || fail "no options dialog"
echo "Options opened."

# The keyboard starts on the tab strip: "Phone Charges", the first row's price.
keys ctrl+Tab ctrl+Tab Tab Tab ctrl+a 0 period 2 5
# Back to the tab strip, on to "Alarm": tick the alarm, skip the two drop-downs, type the money limit.
keys shift+Tab shift+Tab ctrl+Tab ctrl+Tab Tab space Tab Tab Tab ctrl+a 1 period 5
# On past the page's other three controls and Help to OK.
keys Tab Tab Tab Tab Tab Return
options_closed() { ! window_open Options; }
wait_until 50 options_closed || fail "OK didn't close the dialog"

[ "$(stored Charges Amount1)" = 0.25 ] || fail "Amount1 is '$(stored Charges Amount1)'"
[ "$(stored Alarm Alarm)" = " 1" ] || fail "Alarm is '$(stored Alarm Alarm)'"
[ "$(stored Alarm Money)" = 1.5 ] || fail "Money is '$(stored Alarm Money)'"
echo "The store holds the new price and the money alarm."

stop_program
echo "PASS"
