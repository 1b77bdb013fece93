#!/usr/bin/env bash
# tolvane --folder DIR runs as if started from DIR, made when missing: even a
# start refused for want of a site writes its working folder there. The menu
# entry's option starts in the user's data folder. Nothing lands in the folder
# it was started from.
# Usage: start_folder.sh PROGRAM DESKTOP_ENTRY
set -euo pipefail
program=$1
here=$(mktemp -d)
trap 'rm -rf "$here"' EXIT
cd "$here"
fail() { echo "$*"; exit 1; }

"$program" --folder new/folder --headless --download 2>/dev/null && fail "started with no site"
[ -f new/folder/pather.log ] || fail "no pather.log in the folder made for it"

menu_option=$(sed -n 's/^Exec=tolvane //p' "$2")
XDG_DATA_HOME=$here/data "$program" $menu_option --headless --upload 2>/dev/null && fail "started with no site"
[ -f data/Tolvane/pather.log ] || fail "\"$menu_option\" did not start in the data folder"
[ -z "$(find . -maxdepth 1 -type f)" ] || fail "files left where it was started: $(ls)"
