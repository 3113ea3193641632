#!/usr/bin/env bash
# NetworkManager (a mock on a private system bus) started five seconds after the program, on a virtual
# display: its mobile connection activates and is timed, a low session money alarm opens the countdown,
# whose hang-up deactivates the connection; the next tick ends the call, logged under the connection's name.
set -euo pipefail
program=$1 line=$2 reg=$3 template=$4
source "$(dirname "$0")/common.sh"
need dbus-daemon dbus-send

# A session-type bus serves: nothing on it tells a system bus apart except its address.
DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/bus.pid")
pids+=" $(cat "$work/bus.pid")"
export DBUS_SYSTEM_BUS_ADDRESS

# A session money alarm at 0.05 that hangs up after 2 seconds; every rate costs 0.10 a second and none is asked about.
set_value Alarm Alarm 1
set_value Alarm Money 0.05
set_value Alarm Total 2
set_value Alarm AutoDisconnect -1
set_value Alarm AutoDisconnectTime 2
for i in 1 2 3 4 5; do set_value Charges "Amount$i" 6; done
set_value Charges AskBeforeChanging 0

start_display
start_program
sleep 5
kill -0 "$app" 2>/dev/null || fail "the program didn't run"
/usr/bin/python3 -m dbusmock --template "$template" >"$work/mock.txt" 2>&1 &
pids+=" $!"
nm() { dbus-send --system --print-reply --dest=org.freedesktop.NetworkManager /org/freedesktop/NetworkManager "$@"; }
path() { awk -F'"' '/object path/ { print $2 }'; }
active_connections() {
    nm org.freedesktop.DBus.Properties.Get string:org.freedesktop.NetworkManager string:ActiveConnections
}
wait_until 300 active_connections >/dev/null 2>&1 || fail "the NetworkManager mock didn't start"
modem=$(nm org.freedesktop.DBus.Mock.AddDevice string:ttyUSB0 uint32:8 string:ttyUSB0 string:ppp0 | path)
active=$(nm org.freedesktop.DBus.Mock.AddDialUpConnection string:"My Mobile" string:gsm string:"" \
    array:objpath:"$modem" | path)
[ -n "$active" ] || fail "the mock didn't add the connection"
sleep 1
nm org.freedesktop.DBus.Mock.SetActiveState objpath:"$active" uint32:2 >/dev/null
wait_until 300 window_open Alarm || fail "the activated connection wasn't timed into the alarm"

none_active() { ! active_connections | grep -q 'object path'; }
wait_until 300 none_active || fail "the countdown didn't deactivate the connection"
keys Return
wait_for_record
stop_program
expect_one_call
[ "$(sed -n 8p "$log")" = $'"My Mobile"\r' ] || fail "field 8 is not the connection's name"
echo "PASS"
