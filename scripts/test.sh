#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [--asan|--tsan] [extra ctest arguments]
# Under ThreadSanitizer only the tests that run threads are built and run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
dir=$root/build
variant=()
selection=()
case "${1:-}" in
    --asan) variant=(--asan); dir=$root/build-asan; shift ;;
    --tsan) variant=(--tsan threads_tests); dir=$root/build-tsan; selection=(-L threads); shift ;;
esac
bash "$root/scripts/build.sh" "${variant[@]}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Tests start helper processes (fork, then exec at once) while their servers run threads.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$root/tests/tsan.supp}
cd "$dir"
ctest --output-on-failure -j 2 "${selection[@]}" "$@"
