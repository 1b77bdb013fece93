#!/usr/bin/env bash
# Runs one of the tests' FTP servers, stock, in the foreground on 127.0.0.1,
# serving BASE/root to one user: pyftpdlib through scripts/pyftpdlib-server.py
# (which picks its own port), or vsftpd, proftpd or pure-ftpd as
# scripts/install-deps.sh unpacked them into SERVERS_DIR, on PORT, with a
# configuration of ours written into BASE. Each C server acts as the system
# user USER, made here (root only); it writes its command log, as pyftpdlib
# does, to BASE/commands.log (pure-ftpd logs only to syslog).
#
# Prints the port once the server greets there, and ends the server's whole
# process group, sessions included, when the test that started it ends,
# however it ends: the test holds standard input open, so end of input is the
# test's end. The kernel's parent-death signal cannot do it: it is cleared in
# a process that changes its user id, as proftpd's main process does. Exits
# with the server's status when the server ends first.
#
# Usage: ftp-server.sh KIND BASE PORT USER PASSWORD SEND_RATE SERVERS_DIR PYFTPDLIB_SERVER
set -euo pipefail
kind=$1 base=$2 port=$3 user=$4 password=$5 send_rate=$6 servers=$7 pyftpdlib=$8
here=$(cd "$(dirname "$0")" && pwd)
root=$base/root

case $kind in
pyftpdlib)
  server=(/usr/bin/python3 "$pyftpdlib" --root "$root" --user "$user" --password "$password"
          --command-log "$base/commands.log" --send-rate "$send_rate") ;;
vsftpd) server=("$servers/vsftpd/usr/sbin/vsftpd" "$base/vsftpd.conf") ;;
proftpd) server=("$servers/proftpd-core/usr/sbin/proftpd" -n -c "$base/proftpd.conf") ;;
# -E: no anonymous login; -A: every user chrooted; -H: no name look-ups;
# -u 1: any user but root may log in.
pure-ftpd) server=("$servers/pure-ftpd/usr/sbin/pure-ftpd" -S "127.0.0.1,$port"
                   -l "puredb:$base/pureftpd.pdb" -E -A -H -u 1) ;;
esac
[ -x "${server[0]}" ] || { echo "${server[0]} is not there (scripts/install-deps.sh BUILD_DIR unpacks it)" >&2; exit 1; }

# The user, and the PAM service through which vsftpd checks its password;
# servers started side by side take turns. Then the server's own files, from
# a configuration template of this folder with its @NAME@ fields filled in
# where there is one.
if [ "$kind" != pyftpdlib ]; then
  [ "$(id -u)" -eq 0 ] || { echo "must run as root, to add its system user" >&2; exit 1; }
  hash=$(perl -e 'print crypt($ARGV[0], q($6$tolvane$))' "$password")
  exec 9>/tmp/tolvane-test-ftp-account.lock
  flock 9
  cmp -s "$here/vsftpd.pam" /etc/pam.d/tolvane-test-vsftpd \
    || install -m 0644 "$here/vsftpd.pam" /etc/pam.d/tolvane-test-vsftpd
  # vsftpd changes to the user's home before its local_root, so it must exist.
  mkdir -p /var/lib/tolvane-test-ftp
  id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --home-dir /var/lib/tolvane-test-ftp \
    --shell /usr/sbin/nologin "$user"
  usermod --password "$hash" "$user"
  exec 9>&-
  uid=$(id -u "$user") gid=$(id -g "$user")
  chmod 0755 "$base"
  chown "$uid:$gid" "$root"
  # The password files are for the server's eyes only.
  umask 077
  [ ! -f "$here/$kind.conf.in" ] ||
    sed -e "s|@BASE@|$base|g" -e "s|@USER@|$user|g" -e "s|@PORT@|$port|g" "$here/$kind.conf.in" >"$base/$kind.conf"
  case $kind in
  vsftpd) mkdir -m 0755 "$base/empty" ;;
  proftpd)
    echo "$user:$hash:$uid:$gid::$root:/bin/false" >"$base/passwd"
    echo "$user:x:$gid:" >"$base/group" ;;
  # A virtual user, chrooted into the root ("/./" ends a chrooted home), its
  # password hashed with SHA-512 crypt: pure-pw useradd would store an
  # argon2id hash that takes pure-ftpd some 4 s of processor time to check at
  # every login, which under the tests' time scale reads as a stalled session.
  pure-ftpd)
    echo "$user:$hash:$uid:$gid::$root/./::::::::::::" >"$base/pureftpd.passwd"
    "$servers/pure-ftpd/usr/bin/pure-pw" mkdb "$base/pureftpd.pdb" -f "$base/pureftpd.passwd" >/dev/null ;;
  esac
fi

set +e
exec 3<&0
"${server[@]}" </dev/null &
server_pid=$!
(read -r _ <&3; kill -KILL 0) &
# pyftpdlib-server.py prints its port itself once it listens.
until [ "$kind" = pyftpdlib ] || { exec 4<>"/dev/tcp/127.0.0.1/$port" && read -r -t 2 greeting <&4 \
                                   && [[ $greeting == 220* ]]; } 2>/dev/null; do
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
exec 4>&-
kill -0 "$server_pid" 2>/dev/null && [ "$kind" != pyftpdlib ] && echo "$port"
# The watcher, should the server end first, goes with the test's input.
wait "$server_pid"
