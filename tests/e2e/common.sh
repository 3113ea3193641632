# Set-up shared by the end-to-end scripts, sourced after `program`, `line` and `reg` are set: a
# private work folder with its own XDG folders, the program copied into it (the log goes into the
# program's own folder), and helpers to run it on a virtual display. Every step waits for what it
# needs to see: a window, a file, a record; a control is clicked where the window's layout shows it.
# The scripts skip where a tool they drive the display with is missing.
need() { for tool; do command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done; }
need Xvfb xdotool xwininfo xprop dbus-daemon

profile='HKLM\Software\Orvane\Tallydial\Default'
work=$(mktemp -d "${TMPDIR:-/tmp}/tallydial-e2e.XXXXXX")
log="$work/bin/log.dat"
journal="$work/state/tallydial/default.journal"
app="" pids="" # the program, and what it needs around it: the display, the buses
# shellcheck disable=SC2086 # lists of ids
cleanup() { set +e; kill -KILL $app 2>/dev/null; kill $pids 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/out.txt" 2>/dev/null; exit 1; }
mkdir -p "$work"/{bin,config,data,runtime,state}
chmod 700 "$work/runtime"
cp "$program" "$work/bin/tallydial"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" # no journal left by an earlier run
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

stored() { "$reg" query "$profile\\$1" /v "$2" | awk -v v="$2" '$1 == v { sub(/^.*REG_SZ    /, ""); print }'; }

# Runs the command every tenth of a second until it succeeds, at most $1 times; fails if it never did.
wait_until() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
window_open() { xwininfo -root -tree | grep -q "\"$1\""; }
window_closed() { ! window_open "$1"; }
# The program's main window, once it shows: the splash has the same title but is no normal window.
main_window() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Tallydial$' 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_NORMAL && echo "$id" && return 0
    done
    return 1
}
keys() { xdotool key --delay 50 "$@" || fail "can't press a key on the display"; }
# Presses Return until the window closes: a key that lands before the window takes keys is lost.
close_window() { for _ in 1 2 3 4 5; do keys Return && wait_until 20 window_closed "$1" && return 0; done; return 1; }
# Clicks a control of the program's windows by its role and name ("push button" "View Log"), where the
# layout places it now, once the accessibility tools see it; fails if none shows.
control_at() { at=$(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/control.py" tallydial "$1" "$2" 2>/dev/null); }
click_on() {
    wait_until 100 control_at "$1" "$2" || fail "no $1 \"$2\" to click"
    # shellcheck disable=SC2086 # x and y
    xdotool mousemove $at click 1 || fail "can't click on the display"
}

# The display, and a session bus of its own that carries what accessibility tools read of the windows.
start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    pids+=" $!"
    wait_until 300 test -s "$work/display" || fail "the virtual display didn't start"
    export DISPLAY=":$(cat "$work/display")"
    DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/session.pid")
    pids+=" $(cat "$work/session.pid")"
    export DBUS_SESSION_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# Returns once the main window shows, that is after the splash.
start_program() {
    "$work/bin/tallydial" >"$work/out.txt" 2>&1 &
    app=$!
    wait_until 300 main_window >/dev/null || fail "the main window didn't show"
}

# Presses F1 until the help window has taken its copy of the help: a key that a busy machine lets land
# before the main window takes keys is lost.
help_opened() { [ -s "$XDG_CACHE_HOME/tallydial/help/tallyd.qhc" ]; }
open_help() { for _ in 1 2; do keys F1 && wait_until 50 help_opened && return 0; done; return 1; }

# Ends the program as the session would; it must end cleanly.
stop_program() {
    kill -TERM "$app"
    wait "$app" || fail "the program ended with status $?"
    app=""
}

# The journal holds a running call: the program has seen it and is timing it.
call_journalled() { grep -q '^call-start-date ' "$journal" 2>/dev/null; }
wait_for_call() { wait_until 300 call_journalled || fail "the program didn't time the call"; }

# Waits until the log holds a whole record.
record_logged() { [ -f "$log" ] && [ "$(wc -l <"$log")" -ge 10 ]; }
wait_for_record() { wait_until 300 record_logged || fail "no record was logged"; }

# The log holds exactly one record, of a call that connected, and the totals hold its time.
expect_one_call() {
    cat "$log" || fail "no log"
    [ "$(wc -l <"$log")" -eq 10 ] || fail "the log doesn't hold exactly one record"
    [ "$(sed -n 9p "$log")" = $'0\r' ] || fail "logged as a failed dial"
    awk -v t="$(stored CumulativeTotal Time)" 'NR == 5 { d = t - $0; exit !(d < 1e-9 && -d < 1e-9) }' "$log" ||
        fail "the totals don't hold the call's time"
}
