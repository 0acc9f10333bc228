#!/usr/bin/env bash
# Builds and runs the benchmarks: one TInet transfer against the curl tool, and four
# downloads at once through the download manager against four curl processes.
# Usage: bench/run.sh [megabytes] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" bench_inet bench_download
echo "== one transfer"
"$root/build/bin/bench_inet" "$@"
echo "== four downloads at once"
"$root/build/bin/bench_download" "$@"
