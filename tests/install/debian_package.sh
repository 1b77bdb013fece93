#!/usr/bin/env bash
# The package builds and depends on Debian 12's Qt 6 runtime, the platform
# plugins included.
# Usage: debian_package.sh BUILD_DIR
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$1/CPackConfig.cmake" -B "$out" >/dev/null
package=$(echo "$out"/tolvane_*.deb)
fail() { echo "$*"; exit 1; }

depends=$(dpkg-deb --info "$package" | sed -n 's/^ Depends: //p')
for runtime in libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 qt6-qpa-plugins; do
  [[ ", $depends," =~ ", $runtime"[\ ,] ]] || fail "$runtime missing from Depends: $depends"
done
