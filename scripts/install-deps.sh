#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build, test and run, when they
# are missing, and unpacks the FTP servers the tests run into the build folder.
# Safe to run again: it does nothing when everything is there.
# Usage: install-deps.sh [BUILD_DIR]   (default: build)
set -euo pipefail

build_dir=${1:-build}

packages=(
  g++ cmake ninja-build ccache qt6-base-dev libgl-dev libcrypt-dev
  python3 python3-pyftpdlib libpam-modules curl
  # The Debian package (dpkg-shlibdeps finds its dependencies, file its
  # programs) and the checks of the installed menu entry and metainfo.
  dpkg-dev file desktop-file-utils appstream
  # What the unpacked servers below load at run time: vsftpd libwrap0,
  # proftpd libmemcached11, libmemcachedutil2, libpcre2-posix3 and
  # libhiredis0.14, pure-ftpd libsodium23.
  libwrap0 libmemcached11 libmemcachedutil2 libpcre2-posix3 libhiredis0.14 libsodium23
  # The fuzz build: clang, and libFuzzer with the sanitizer runtimes.
  clang libclang-rt-14-dev
)

# vsftpd, proftpd-core and pure-ftpd conflict with one another as packages, so
# none is installed: each is unpacked into a folder of its own, where the test
# fixtures (tests/support/RealFtpServer) find it.
servers=(vsftpd proftpd-core pure-ftpd)
servers_dir=$build_dir/ftp-servers

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
unpack=()
for s in "${servers[@]}"; do
  [ -d "$servers_dir/$s" ] || unpack+=("$s")
done

if [ ${#missing[@]} -eq 0 ] && [ ${#unpack[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# A fresh machine has no package lists, which apt-get download needs too.
"${sudo_cmd[@]}" apt-get update -qq

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ${#unpack[@]} -gt 0 ]; then
  echo "Unpacking into $servers_dir: ${unpack[*]}"
  mkdir -p "$servers_dir"
  downloads=$(mktemp -d)
  trap 'rm -rf "$downloads"' EXIT
  # apt drops to its own user to download, which must be able to write here.
  chmod 0777 "$downloads"
  for s in "${unpack[@]}"; do
    (cd "$downloads" && apt-get download -qq "$s")
    # Unpacked aside and then moved, so that a folder present is a whole one.
    rm -rf "$servers_dir/.$s"
    dpkg-deb -x "$downloads/${s}_"*.deb "$servers_dir/.$s"
    mv "$servers_dir/.$s" "$servers_dir/$s"
  done
fi
