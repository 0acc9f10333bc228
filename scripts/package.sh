#!/usr/bin/env bash
# Builds the Debian package: installs the packaging tools when missing, configures and builds
# build/, writes build/orvalo_<version>_amd64.deb with CPack and checks it with lintian, which
# fails this script on an error. Usage: scripts/package.sh [--no-lintian]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
check=1
[ "${1:-}" = "--no-lintian" ] && check=0

bash "$root/scripts/install-deps.sh" dpkg-dev file lintian
bash "$root/scripts/build.sh" orvalo orvalo-cli orvalo_packaging
(cd "$dir" && cpack -G DEB -B "$dir" >/dev/null)
rm -rf "$dir/_CPack_Packages"
deb=$(ls -t "$dir"/orvalo_*_amd64.deb | head -n1)
echo "package: $deb"
if [ "$check" = 1 ]; then
    lintian --display-info "$deb"
fi
