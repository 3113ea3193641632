#!/usr/bin/env bash
# A mobile dial-up connection of NetworkManager (a mock on a private system bus, started five seconds
# after the program), timed by the built program on a virtual display: it activates, the call is timed, a low session money alarm opens the
# countdown, whose hang-up deactivates the connection; the next tick ends the call, which is logged
# under the connection's name.
set -euo pipefail
program=$1 reg=$2 template=$3
source "$(dirname "$0")/common.sh"
need xwininfo dbus-daemon dbus-send
bus="" mock=""
trap 'for pid in "$mock" "$bus"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null; done; cleanup' EXIT

# A system bus of our own, with NetworkManager's stand-in on it.
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/address" 2>/dev/null &
bus=$!
wait_until 300 test -s "$work/address" || true
export DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$work/address")
[ -n "$DBUS_SYSTEM_BUS_ADDRESS" ] || fail "no private bus"

arm_quick_disconnect

start_display
start_program

# NetworkManager comes after the program and must be picked up without a restart.
sleep 5
kill -0 "$app" 2>/dev/null || fail "the program didn't run"
/usr/bin/python3 -m dbusmock --template "$template" >"$work/mock.txt" 2>&1 &
mock=$!
nm() { dbus-send --system --print-reply --dest=org.freedesktop.NetworkManager "$@"; }
nm_up() {
    local answer
    answer=$(dbus-send --system --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.freedesktop.NetworkManager 2>/dev/null) || return 1
    [[ $answer == *"boolean true"* ]]
}
wait_until 300 nm_up || true
nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.NetworkManager string:Version >/dev/null || fail "the NetworkManager mock didn't start"
modem=$(nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.AddDevice \
    string:ttyUSB0 uint32:8 string:ttyUSB0 string:ppp0 | awk -F'"' '/object path/ { print $2 }')

active=$(nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.AddDialUpConnection \
    string:"My Mobile" string:gsm string:"" array:objpath:"$modem" | awk -F'"' '/object path/ { print $2 }')
[ -n "$active" ] || fail "the mock didn't add the connection"
sleep 1
nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.SetActiveState objpath:"$active" uint32:2 >/dev/null

wait_until 300 window_open Alarm || fail "the activated connection wasn't timed into the alarm"
echo "The call is timed and the alarm window is open."

listed() { nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.NetworkManager string:ActiveConnections | grep -c 'object path' || true; }
none_listed() { [ "$(listed)" -eq 0 ]; }
wait_until 300 none_listed || fail "the countdown didn't deactivate the connection"
echo "The countdown deactivated the connection."

keys Return
wait_for_record
stop_program

expect_one_call
[ "$(sed -n 8p "$log")" = $'"My Mobile"\r' ] || fail "field 8 is not the connection's name"
echo "PASS"
