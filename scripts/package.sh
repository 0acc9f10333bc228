#!/usr/bin/env bash
# Builds the Debian package: configures and builds build/, then writes
# build/orvalo_<version>_amd64.deb with CPack and checks it with lintian when that is there.
# Usage: scripts/package.sh [--no-lintian]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
check=1
[ "${1:-}" = "--no-lintian" ] && check=0

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" orvalo orvalo-cli orvalo_packaging
(cd "$dir" && cpack -G DEB -B "$dir" >/dev/null)
rm -rf "$dir/_CPack_Packages"
deb=$(ls -t "$dir"/orvalo_*_amd64.deb | head -n1)
echo "package: $deb"
if [ "$check" = 1 ]; then
    lintian --info --display-info "$deb"
fi
