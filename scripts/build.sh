#!/usr/bin/env bash
# Configures and builds Orvalo. Usage: scripts/build.sh [--asan|--tsan] [cmake target...]
# Plain builds go to build/, sanitizer builds to build-asan/ and build-tsan/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
sanitize=""
case "${1:-}" in
    --asan) sanitize=address; dir=$root/build-asan; shift ;;
    --tsan) sanitize=thread; dir=$root/build-tsan; shift ;;
esac
jobs=${ORVALO_JOBS:-2}
cmake -S "$root" -B "$dir" -G Ninja -DORVALO_SANITIZE="$sanitize" -DORVALO_WERROR=ON >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$dir" -j "$jobs" --target "$@"
else
    cmake --build "$dir" -j "$jobs"
fi
