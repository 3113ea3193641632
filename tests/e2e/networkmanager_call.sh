#!/usr/bin/env bash
# NetworkManager (the stand-in on a private system bus) started once the program runs and watches the
# bus for it, on a virtual display: its mobile connection dials, activates and is timed until
# NetworkManager deactivates it; the call is logged under the connection's name, with the bytes that
# the modem's statistics counted during it beside the log.
set -euo pipefail
program=$1 line=$2 reg=$3 standin=$4
source "$(dirname "$0")/common.sh"
nm() { /usr/bin/python3 "$standin" "$@"; }

# A session-type bus serves: nothing on it tells a system bus apart except its address.
DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/bus.pid")
pids+=" $(cat "$work/bus.pid")"
export DBUS_SYSTEM_BUS_ADDRESS
# The program on the system bus, where it waits for NetworkManager to come.
bus() { dbus-send --system --print-reply --dest=org.freedesktop.DBus / "org.freedesktop.DBus.$1" "${@:2}" 2>/dev/null; }
program_on_bus() {
    for name in $(bus ListNames | awk -F'"' '/":/ { print $2 }'); do
        bus GetConnectionUnixProcessID string:"$name" | grep -q "uint32 $app\$" && return 0
    done
    return 1
}
# The program has read the dialling connection.
connection_read() { grep -q "GetAll $active " "$work/mock.log" 2>/dev/null; }

start_display
start_program
wait_until 300 program_on_bus || fail "the program isn't on the system bus"
nm serve --log "$work/mock.log" >"$work/mock.txt" 2>&1 &
pids+=" $!"
nm wait 30 || fail "the NetworkManager stand-in didn't start"
modem=$(nm add-device ttyUSB0 8 ttyUSB0 ppp0)
active=$(nm dial "My Mobile" gsm 1 "$modem")
[ -n "$active" ] || fail "the stand-in didn't add the connection"
wait_until 300 connection_read || fail "the program didn't read the dialling connection"
nm traffic "$modem" 4000 300 # the counters as the call finds them
nm set-state "$active" 2
wait_for_call
nm traffic "$modem" 150004000 2000300
# The journal takes the call's bytes within its interval.
call_counted() { grep -q '^call-received 150000000$' "$journal"; }
wait_until 300 call_counted || fail "the program didn't count the modem's bytes"
nm hang-up "$active"
wait_for_record
stop_program
expect_one_call
[ "$(sed -n 8p "$log")" = $'"My Mobile"\r' ] || fail "field 8 is not the connection's name"
start=$(sed -n '2p;3p' "$log" | tr -d '\r' | paste -sd,)
[ "$(tr -d '\r' <"$work/bin/log-data.dat")" = "$start,\"My Mobile\",150000000,2000000" ] ||
    fail "the call's bytes aren't beside its record"
echo "PASS"
