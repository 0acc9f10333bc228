#!/usr/bin/env bash
# Builds and runs the benchmarks. Usage: bench/run.sh [megabytes] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" bench_inet
"$root/build/bin/bench_inet" "$@"
