#!/bin/sh
# Starts the wineserver the tests share and Wine's own services, making the prefix on first use.
# Their output goes to a log: daemons holding the test's output open would keep it running.
set -e
# A prefix made before 32-bit Wine was installed lacks its 32-bit half and can't start 32-bit programs
# any more: it is made again.
if [ -x /usr/lib/wine/wine ] && [ -d "$WINEPREFIX/drive_c/windows/system32" ] &&
    [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    wineserver -k >/dev/null 2>&1 </dev/null || true
    rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
# One left running by an interrupted run serves as well.
wineserver -p >/dev/null 2>&1 </dev/null || true
wineboot -i >"$WINEPREFIX/../wineboot.log" 2>&1 </dev/null
