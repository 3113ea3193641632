#!/usr/bin/env bash
# Installs the build into a private DESTDIR, as the Debian package does, and checks the tree that a
# desktop sees: programs, the viewer off the search path, entry, icons, metadata, manual pages.
# Arguments: the build folder, and 1 when the build has the log viewer.
set -euo pipefail
build=$1 viewer=$2
root=$(mktemp -d "${TMPDIR:-/tmp}/tallydial-install.XXXXXX")
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
id=example.tallydial.Tallydial

for program in tallydial tallydial-reg tallydial-line; do
    [ -x "$usr/bin/$program" ] || fail "bin/$program is missing"
    gzip -t "$usr/share/man/man1/$program.1.gz" || fail "the manual page of $program is missing"
done
[ -d "$usr/share/tallydial" ] || fail "the shared folder that marks an installed tree is missing"
[ -e "$usr/bin/logviewer" ] && fail "the viewer's generic name is on the search path"
if [ "$viewer" = 1 ]; then
    [ -x "$usr/libexec/tallydial/logviewer" ] || fail "libexec/tallydial/logviewer is missing"
    gzip -t "$usr/share/man/man1/tallydial-logviewer.1.gz" || fail "the viewer's manual page is missing"
fi
[ -f "$usr/share/doc/tallydial/copyright" ] || fail "the copyright file is missing"
for file in tallyd.qhc tallyd.qch; do
    [ -s "$usr/share/tallydial/help/$file" ] || fail "the help's $file is missing"
done

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
