#!/usr/bin/env bash
# The build installed into a private DESTDIR, as the Debian package does. The tree that a desktop sees:
# programs, the viewer off the search path, entry, icons, metadata, manual pages. The program runs from
# there: F1 finds the installed help, View Log the installed viewer, which shows a call timed on the
# simulated line once it is logged in the data folder, never in the installed bin folder, though the
# test could write there; the totals hold the call.
# Arguments: the build folder.
set -euo pipefail
build=$1
# The shared set-up's copy of a program is replaced by the installed bin folder below.
program=/dev/null line="" reg=""
source "$(dirname "$0")/../e2e/common.sh"
/usr/bin/python3 -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null ||
    { echo "SKIP: the accessibility client library (gir1.2-atspi-2.0) is not installed"; exit 77; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/root/usr"
id=example.tallydial.Tallydial
for name in tallydial tallydial-reg tallydial-line; do
    [ -x "$usr/bin/$name" ] || fail "bin/$name is missing"
    gzip -t "$usr/share/man/man1/$name.1.gz" || fail "the manual page of $name is missing"
done
[ -e "$usr/bin/logviewer" ] && fail "the viewer's generic name is on the search path"
gzip -t "$usr/share/man/man1/tallydial-logviewer.1.gz" || fail "the viewer's manual page is missing"
[ -f "$usr/share/doc/tallydial/copyright" ] || fail "the copyright file is missing"
desktop="$usr/share/applications/$id.desktop"
grep -qx "Exec=tallydial" "$desktop" || fail "the desktop entry doesn't start bin/tallydial"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ "$(file -b "$png" | cut -d, -f2)" = " $size x $size" ] || fail "the ${size}px icon is missing or of another size"
done
grep -q "<svg" "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is missing"
metainfo="$usr/share/metainfo/$id.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata doesn't launch the desktop entry"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >/dev/null || { appstreamcli validate --no-net "$metainfo"; fail "appstreamcli"; }
fi

rm -rf "$work/bin"
ln -s "$usr/bin" "$work/bin"
line="$usr/bin/tallydial-line" reg="$usr/bin/tallydial-reg"
log="$XDG_DATA_HOME/tallydial/log.dat"
start_display
start_program
open_help || fail "the help wasn't found in the installed tree"

# View Log starts the viewer from libexec, on the log in the data folder; a click that a busy machine
# loses is given again.
viewer_titled() { window_open "$1 - Tallydial Call Log"; }
for _ in 1 2; do
    xdotool windowraise "$(main_window)"
    click_on "push button" "View Log"
    wait_until 50 viewer_titled log.dat && break
done
viewer_titled log.dat || fail "View Log didn't start the installed viewer"

"$line" dial X
"$line" connect X
wait_for_call
"$line" hangup X
wait_for_record
wait_until 300 viewer_titled "log.dat: 1 call" || fail "the viewer doesn't show the call"
stop_program
expect_one_call
[ -e "$usr/bin/log.dat" ] && fail "the installed program wrote its log into its bin folder"
echo "PASS"
