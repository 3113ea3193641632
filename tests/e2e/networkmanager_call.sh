#!/usr/bin/env bash
# A mobile dial-up connection of NetworkManager (a mock on a private system bus, started five seconds
# after the program), timed by the built program on a virtual display: it activates, the call is timed, a low session money alarm opens the
# countdown, whose hang-up deactivates the connection; the next tick ends the call, which is logged
# under the connection's name.
set -euo pipefail
program=$1 reg=$2 template=$3
here=$(cd "$(dirname "$0")" && pwd)
for tool in xwininfo dbus-daemon dbus-send; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$here/common.sh"
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
for _ in $(seq 300); do [ -s "$work/address" ] && break; sleep 0.1; done
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
for _ in $(seq 300); do nm_up && break; sleep 0.1; done
nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.NetworkManager string:Version >/dev/null || fail "the NetworkManager mock didn't start"
modem=$(nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.AddDevice \
    string:ttyUSB0 uint32:8 string:ttyUSB0 string:ppp0 | awk -F'"' '/object path/ { print $2 }')

active=$(nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.AddDialUpConnection \
    string:"My Mobile" string:gsm string:"" array:objpath:"$modem" | awk -F'"' '/object path/ { print $2 }')
[ -n "$active" ] || fail "the mock didn't add the connection"
sleep 1
nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Mock.SetActiveState objpath:"$active" uint32:2 >/dev/null

alarm_open() { xwininfo -root -tree | grep -q '"Alarm"'; }
for _ in $(seq 300); do alarm_open && break; sleep 0.1; done
alarm_open || fail "the activated connection wasn't timed into the alarm"
echo "The call is timed and the alarm window is open."

listed() { nm /org/freedesktop/NetworkManager org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.NetworkManager string:ActiveConnections | grep -c 'object path' || true; }
for _ in $(seq 300); do [ "$(listed)" -eq 0 ] && break; sleep 0.1; done
[ "$(listed)" -eq 0 ] || fail "the countdown didn't deactivate the connection"
echo "The countdown deactivated the connection."

python3 "$here/press_key.py" Return || fail "can't press a key on the display"
wait_for_record
stop_program

[ -f "$log" ] || fail "no log"
cat "$log"
[ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
[ "$(sed -n 8p "$log")" = $'"My Mobile"\r' ] || fail "field 8 is not the connection's name"
[ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
echo "PASS"
