#!/usr/bin/env bash
# An install into a temporary DESTDIR, into /usr as the package installs: every
# file in its usual place, the unit starting the installed program, and the
# menu entry and metainfo valid.
# Usage: installed_files.sh BUILD_DIR
set -euo pipefail
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$1" --prefix /usr >/dev/null
cd "$root/usr"
fail() { echo "$*"; exit 1; }

for file in bin/tolvane lib/systemd/system/tolvane.service share/doc/tolvane/README.md \
    share/applications/org.tolvane.Tolvane.desktop share/metainfo/org.tolvane.Tolvane.metainfo.xml \
    share/icons/hicolor/{scalable/apps/tolvane.svg,{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tolvane.png}; do
  [ -f "$file" ] || fail "not installed: /usr/$file"
done
grep -qx 'ExecStart=/usr/bin/tolvane --headless --download --upload' lib/systemd/system/tolvane.service ||
  fail "the unit does not start /usr/bin/tolvane"
complaints=$(desktop-file-validate share/applications/org.tolvane.Tolvane.desktop)
[ -z "$complaints" ] || fail "$complaints"
appstreamcli validate --no-net share/metainfo/org.tolvane.Tolvane.metainfo.xml || fail "the metainfo is not valid"
