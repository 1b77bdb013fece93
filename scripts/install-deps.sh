#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build, test and run, when they
# are missing. Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache qt6-base-dev libgl-dev
  python3 python3-pyftpdlib vsftpd libpam-modules curl
  # The fuzz build: clang, and libFuzzer with the sanitizer runtimes.
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
