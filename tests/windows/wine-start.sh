#!/bin/sh
# Starts the wineserver the tests share and Wine's own services, making the prefix on first use.
# Their output goes to a log: daemons holding the test's output open would keep it running.
set -e
mkdir -p "$WINEPREFIX"
# One left running by an interrupted run serves as well.
wineserver -p >/dev/null 2>&1 </dev/null || true
wineboot -i >"$WINEPREFIX/../wineboot.log" 2>&1 </dev/null
