# Set-up shared by the end-to-end scripts, sourced after `program`, `line` and `reg` are set: a
# private work folder with its own XDG folders, the program copied into it (the log goes into the
# program's own folder), and helpers to run it on a virtual display.
# The scripts skip where a tool they drive the display with is missing.
need() { for tool; do command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done; }
need Xvfb xdotool xwininfo

profile='HKLM\Software\Orvane\Tallydial\Default'
work=$(mktemp -d "${TMPDIR:-/tmp}/tallydial-e2e.XXXXXX")
log="$work/bin/log.dat"
app="" pids="" # the program, and what it needs around it: the display, a bus
cleanup() {
    [ -n "$app" ] && kill -KILL "$app" 2>/dev/null || true
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    cat "$work/out.txt" 2>/dev/null || true
    exit 1
}
mkdir -p "$work"/{bin,config,data,runtime,state}
chmod 700 "$work/runtime"
cp "$program" "$work/bin/tallydial"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" # no journal left by an earlier run
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

stored() { "$reg" query "$profile\\$1" /v "$2" | awk -v v="$2" '$1 == v { sub(/^.*REG_SZ    /, ""); print }'; }

# Runs the command every tenth of a second until it succeeds, at most $1 times; fails if it never did.
wait_until() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}
window_open() { xwininfo -root -tree | grep -q "\"$1\""; }
click_at() { xdotool mousemove "$1" "$2" click 1 || fail "can't click on the display"; }
keys() { xdotool key --delay 50 "$@" || fail "can't press a key on the display"; }

start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    pids+=" $!"
    wait_until 300 test -s "$work/display" || true
    export DISPLAY=":$(cat "$work/display")"
}

# Returns once the profile's values exist, that is after the splash.
start_program() {
    "$work/bin/tallydial" >"$work/out.txt" 2>&1 &
    app=$!
    wait_until 300 "$reg" query "$profile\\CumulativeTotal" /v Time >/dev/null 2>&1 || true
    sleep 1
}

# Presses F1 until the help window has taken its copy of the help: a key that a busy machine lets land
# before the main window is ready is lost.
help_opened() { [ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ]; }
open_help() {
    wait_until 100 main_viewable || true
    for _ in 1 2; do
        keys F1
        wait_until 50 help_opened && return 0
    done
    return 1
}
main_viewable() { xwininfo -name Tallydial 2>/dev/null | grep -q IsViewable; }

# Ends the program as the session would; it must end cleanly.
stop_program() {
    kill -TERM "$app"
    local status=0
    wait "$app" || status=$?
    app=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# Waits until the log holds a whole record.
record_logged() { [ -f "$log" ] && [ "$(wc -l <"$log")" -ge 10 ]; }
wait_for_record() { wait_until 300 record_logged || true; }

# The log holds exactly one record, of a call that connected.
expect_one_call() {
    [ -f "$log" ] || fail "no log"
    cat "$log"
    [ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
    [ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
}
