#!/usr/bin/env bash
# tolvane --folder DIR runs as if started from DIR, made when missing: even a
# start refused for want of a site writes its working folder there, and closing
# saves the sites there. The menu entry's option starts in the user's data
# folder. Nothing lands in the folder it was started from.
# Usage: start_folder.sh PROGRAM DESKTOP_ENTRY
set -euo pipefail
program=$1
here=$(mktemp -d)
trap 'rm -rf "$here"' EXIT
cd "$here"
fail() { echo "$*"; exit 1; }

"$program" --folder new/folder --headless --download 2>/dev/null && fail "started with no site"
[ -f new/folder/pather.log ] || fail "no pather.log in the folder made for it"

# Due twelve hours from now, so the switch turns on and no job starts.
[ "$(LC_ALL=C date +%p)" = AM ] && half_day=PM || half_day=AM
printf '"127.0.0.1","bob","bdf","/","21","*.dat","1","1","%s","%s"\n' "$(date +%-I)" $half_day >new/folder/valuesd.log
rm new/folder/pather.log
"$program" --folder new/folder --headless --download &
# The working folder is written once start-up watches for SIGTERM.
for _ in $(seq 100); do [ -f new/folder/pather.log ] && break; sleep 0.1; done
kill -TERM $!
wait $! || fail "closing ended with $?"
[[ $(<new/folder/valuesd.log) == *$'\r' ]] || fail "closing did not save the sites in the folder"

menu_option=$(sed -n 's/^Exec=tolvane //p' "$2")
XDG_DATA_HOME=$here/data "$program" $menu_option --headless --upload 2>/dev/null && fail "started with no site"
[ -f data/Tolvane/pather.log ] || fail "\"$menu_option\" did not start in the data folder"
[ -z "$(find . -maxdepth 1 -type f)" ] || fail "files left where it was started: $(ls)"
