#!/usr/bin/env bash
# Installs what is missing, builds Orvalo and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" orvalo
exec "$root/build/bin/orvalo" "$@"
