#!/usr/bin/env bash
# Builds and runs the benchmarks: one TInet transfer against the curl tool, four downloads
# at once through the download manager against four curl processes, and the copy into
# another file system against cp.
# Usage: bench/run.sh [megabytes] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" bench_inet bench_download bench_copy
echo "== one transfer"
"$root/build/bin/bench_inet" "$@"
echo "== four downloads at once"
"$root/build/bin/bench_download" "$@"
echo "== copy into another file system"
"$root/build/bin/bench_copy"
