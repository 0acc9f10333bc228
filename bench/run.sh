#!/usr/bin/env bash
# Builds and runs the benchmarks: one TInet transfer against the curl tool, four
# downloads at once through the download manager against four curl processes, and the
# results store and engine list look-ups.
# Usage: bench/run.sh [megabytes] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" bench_inet bench_download bench_store
echo "== one transfer"
"$root/build/bin/bench_inet" "$@"
echo "== four downloads at once"
"$root/build/bin/bench_download" "$@"
echo "== results store and engine list"
"$root/build/bin/bench_store"
