#!/usr/bin/env bash
# The Qt program for Windows under 64-bit Wine on a virtual display, from its ready-to-run folder: it
# starts and shows its main window, times a call on the simulated line, logs it, keeps the totals in
# Wine's registry (the 32-bit view) and ends with the session, saving everything. Also takes screenshots
# of the main window, the options dialog and the viewer. Prints "Qt program under Wine: N of M checks passed".
#   qt-program.sh BUILD_FOLDER   (the windows-x64-qt build, holding Tallydial/)
set -uo pipefail
build=$(cd "$1" && pwd)
work="$build/wine-run"
shots="$build/screenshots"
export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
profile='HKLM\Software\Orvane\Tallydial\Default'

passed=0 checks=0 xvfb="" app=""
between() { awk -v x="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(x + 0 >= lo && x + 0 <= hi) }'; }
check() { # check NAME COMMAND...: one named check, counted
    local name=$1
    shift
    checks=$((checks + 1))
    if "$@"; then passed=$((passed + 1)); else echo "FAIL: $name"; fi
}
wait_until() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}
finish() {
    [ -n "$app" ] && kill -KILL "$app" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap finish EXIT

rm -rf "$work" "$shots"
mkdir -p "$work" "$shots"
# A copy, so that the run's log never lands in the folder that is packaged.
cp -r "$build/Tallydial" "$work/Tallydial"
app_folder="$work/Tallydial"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
wait_until 300 test -s "$work/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

WINEPREFIX="$WINEPREFIX" sh "$(dirname "$0")/wine-start.sh"
# Wine's own fonts; without them Qt falls back to a serif face.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
[ -d /usr/share/wine/fonts ] && cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null

run() { "$wine" "$app_folder/$1" "${@:2}" 2>>"$work/tools.err" </dev/null | tr -d '\r'; }
line() { run tallydial-line.exe "$@"; }
reg() { run tallydial-reg.exe "$@"; }
stored() { reg query "$profile\\$1" /v "$2" | awk -v v="$2" '$1 == v { sub(/^.*REG_SZ +/, ""); print }'; }

# What an earlier run left: its settings (both views), journal, line and log.
"$wine" reg delete 'HKLM\Software\Wow6432Node\Orvane' /f >/dev/null 2>&1 </dev/null
"$wine" reg delete 'HKLM\Software\Orvane' /f >/dev/null 2>&1 </dev/null
local_folder=$("$wine" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null </dev/null | tr -d '\r')
local_folder=$("$wine" winepath -u "$local_folder" 2>/dev/null </dev/null)/Tallydial
rm -rf "$local_folder"
line hangup >/dev/null

window() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
shot() { import -display "$DISPLAY" -window root "$shots/$1.png" 2>/dev/null; }

"$wine" "$app_folder/tallydial.exe" >"$work/tallydial.out" 2>&1 </dev/null &
app=$!
disown "$app" # Wine ends it with the session: no word from the shell about that
settings_written() { [ -n "$(stored CumulativeTotal Time 2>/dev/null)" ]; }
check "starts and writes its settings" wait_until 600 settings_written
check "shows the main window titled \"Tallydial\"" wait_until 300 window Tallydial
sleep 1
shot main-window

line dial Demo ISP >/dev/null
sleep 1
line connect Demo ISP >/dev/null
sleep 4
shot main-window-call
sleep 1
line hangup Demo ISP >/dev/null
log="$app_folder/log.dat"
logged() { [ -f "$log" ] && [ "$(wc -l <"$log")" -ge 10 ]; }
check "logs the call beside the program" wait_until 200 logged
record=$(tail -n 10 "$log" 2>/dev/null | tr -d '\r')
check "the record is Tallydial's, for \"Demo ISP\"" \
    test "$(sed -n 1p <<<"$record")|$(sed -n 8p <<<"$record")" = '"TALLYD"|"Demo ISP"'
seconds=$(sed -n 5p <<<"$record")
check "the call lasted about five seconds (logged $seconds)" between "${seconds:-0}" 3 15

# Two of its windows, for their screenshots: the options dialog and the viewer it starts from beside
# itself. Without a window manager on the display, a click lands where the button is drawn.
click() { # click X Y: in the main window
    local id
    id=$(xdotool search --onlyvisible --name 'Tallydial$' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + $1)) $((Y + $2)) click 1
}
click 245 320
check "opens the options dialog" wait_until 100 window Options
sleep 1
shot options
xdotool key Escape
gone() { ! window "$1"; }
wait_until 50 gone Options
sleep 1
click 56 320
check "starts the viewer from beside itself" wait_until 200 window '.*Tallydial Call Log'
sleep 2
shot viewer

# The session ends: Wine sends the windows WM_QUERYENDSESSION and WM_ENDSESSION.
wineboot --end-session >/dev/null 2>&1 </dev/null &
ended() { ! kill -0 "$app" 2>/dev/null; }
check "ends with the session" wait_until 300 ended
app=""
total=$(stored CumulativeTotal Time)
check "saves the totals to Wine's registry (time $total)" between "${total:-0}" 3 15
view32=$("$wine" reg query 'HKLM\Software\Wow6432Node\Orvane\Tallydial\Default\CumulativeTotal' /v Time 2>/dev/null </dev/null)
check "in the registry's 32-bit view" grep -q Time <<<"$view32"
check "removes the session journal once saved" test -z "$(ls "$local_folder"/*.journal 2>/dev/null)"

echo "Qt program under Wine: $passed of $checks checks passed (screenshots in $shots)"
[ "$passed" -eq "$checks" ]
