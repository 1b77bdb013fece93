#!/usr/bin/env bash
# Opens Tolvane on a demo: a local FTP server with a few sample files, and a
# folder whose settings hold one download site and one upload site on it,
# active and due in the current hour. Closing the window stops the server.
set -euo pipefail

build_dir=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
demo="$top/$build_dir/demo"
user=demo
password=demo

rm -rf "$demo"
mkdir -p "$demo/server/in" "$demo/server/out" "$demo/work"
for n in 1 2 3; do
  head -c $((n * 40000)) /dev/urandom > "$demo/server/in/GW2_000$n.dat"
done
printf 'Delivered by Tolvane\n' > "$demo/work/report-1.txt"
printf 'Delivered by Tolvane, again\n' > "$demo/work/report-2.txt"

# The server writes its port as the one line of its output once it listens.
/usr/bin/python3 "$top/scripts/pyftpdlib-server.py" --root "$demo/server" --user "$user" \
  --password "$password" > "$demo/server.port" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ "$(wc -l < "$demo/server.port")" -ge 1 ] && break
  sleep 0.1
done
port=$(head -n 1 "$demo/server.port")

# A stored password has each character's code raised by its position.
scrambled=$(/usr/bin/python3 -c "import sys; print(''.join(chr(ord(c) + i + 1) for i, c in enumerate(sys.argv[1])))" "$password")
hour=$(date +%-I)
half_day=$(date +%p)
site_line() {  # path pattern
  printf '"127.0.0.1","%s","%s","%s","%s","%s","1","1","%s","%s"\r\n' \
    "$user" "$scrambled" "$1" "$port" "$2" "$hour" "$half_day"
}
site_line /in '*.dat' > "$demo/valuesd.log"
site_line /out '*.txt' > "$demo/valuesu.log"
printf '"%s"\r\n' "$demo/work" > "$demo/pather.log"

echo "Demo server on 127.0.0.1:$port, serving $demo/server; working folder $demo/work"
cd "$demo"
"$top/$build_dir/tolvane"
