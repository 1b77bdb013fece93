#!/usr/bin/env bash
# Prepares the system account that the vsftpd, proftpd and pure-ftpd test
# fixtures act as: a system user (no shell) with a password and an existing
# home, and the PAM service through which vsftpd checks that password (proftpd
# and pure-ftpd read their own password files, made by the fixture). Needs
# root. Safe to run again and from tests running side by side: it changes only
# what differs.
# Usage: prepare-ftp-account.sh USER PASSWORD HOME PAM_SERVICE
set -euo pipefail
user=$1 password=$2 home=$3 pam_service=$4
here=$(cd "$(dirname "$0")" && pwd)

pam_file=/etc/pam.d/$pam_service
cmp -s "$here/vsftpd.pam" "$pam_file" || install -m 0644 "$here/vsftpd.pam" "$pam_file"

# vsftpd changes to the user's home before its local_root, so the home must exist.
mkdir -p "$home"
if ! id -u "$user" >/dev/null 2>&1; then
  useradd --system --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user" \
    || id -u "$user" >/dev/null
fi
[ "$(getent passwd "$user" | cut -d: -f6)" = "$home" ] || usermod --home "$home" "$user"

# chpasswd locks the password files; another fixture may hold the lock a moment.
for attempt in 1 2 3 4 5; do
  if echo "$user:$password" | chpasswd; then
    exit 0
  fi
  sleep 0.2
done
echo "prepare-ftp-account.sh: could not set the password of $user" >&2
exit 1
