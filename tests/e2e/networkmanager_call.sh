#!/usr/bin/env bash
# NetworkManager (a mock on a private system bus) started five seconds after the program, on a virtual
# display: its mobile connection activates and is timed until NetworkManager deactivates it; the call is
# logged under the connection's name.
set -euo pipefail
program=$1 line=$2 reg=$3 template=$4
source "$(dirname "$0")/common.sh"
need dbus-daemon dbus-send

# A session-type bus serves: nothing on it tells a system bus apart except its address.
DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/bus.pid")
pids+=" $(cat "$work/bus.pid")"
export DBUS_SYSTEM_BUS_ADDRESS

start_display
start_program
sleep 5
kill -0 "$app" 2>/dev/null || fail "the program didn't run"
/usr/bin/python3 -m dbusmock --template "$template" >"$work/mock.txt" 2>&1 &
pids+=" $!"
nm() { dbus-send --system --print-reply --dest=org.freedesktop.NetworkManager /org/freedesktop/NetworkManager "$@"; }
path() { awk -F'"' '/object path/ { print $2 }'; }
wait_until 300 nm org.freedesktop.DBus.Properties.Get string:org.freedesktop.NetworkManager string:Version \
    >/dev/null 2>&1 || fail "the NetworkManager mock didn't start"
modem=$(nm org.freedesktop.DBus.Mock.AddDevice string:ttyUSB0 uint32:8 string:ttyUSB0 string:ppp0 | path)
active=$(nm org.freedesktop.DBus.Mock.AddDialUpConnection string:"My Mobile" string:gsm string:"" \
    array:objpath:"$modem" | path)
[ -n "$active" ] || fail "the mock didn't add the connection"
sleep 1
nm org.freedesktop.DBus.Mock.SetActiveState objpath:"$active" uint32:2 >/dev/null
sleep 3
nm org.freedesktop.NetworkManager.DeactivateConnection objpath:"$active" >/dev/null
wait_for_record
stop_program
expect_one_call
[ "$(sed -n 8p "$log")" = $'"My Mobile"\r' ] || fail "field 8 is not the connection's name"
echo "PASS"
