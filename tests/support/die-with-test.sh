#!/usr/bin/env bash
# Runs a test's FTP server (the command line given) and ends its whole process
# group, sessions included, when the test that started it ends, however it
# ends: the test holds this script's standard input open, so end of input is
# the test's end. The kernel's parent-death signal cannot do it: it is cleared
# in a process that changes its user id, as proftpd's main process does.
# Exits with the server's status when the server ends first.
exec 3<&0
"$@" </dev/null &
server=$!
(read -r _ <&3; kill -KILL 0) &
watcher=$!
wait "$server"
status=$?
kill "$watcher" 2>/dev/null
exit "$status"
