#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [--asan|--tsan|--stress] [extra ctest arguments]
# Under ThreadSanitizer only the tests that run threads are built and run. --stress runs the
# plain suite while two busy loops load every core, as a busy machine would.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
dir=$root/build
stress=0
variant=()
selection=()
case "${1:-}" in
    --asan) variant=(--asan); dir=$root/build-asan; shift ;;
    --tsan) variant=(--tsan threads_tests); dir=$root/build-tsan; selection=(-L threads); shift ;;
    --stress) stress=1; shift ;;
esac
bash "$root/scripts/build.sh" "${variant[@]}"
# Leaks are looked for at every exit. The whole stack is walked at each allocation, so that
# the suppressions of what libraries keep on purpose can name frames inside them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:fast_unwind_on_malloc=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Tests start helper processes (fork, then exec at once) while their servers run threads.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$root/tests/tsan.supp}
cd "$dir"
loads=()
if [ "$stress" = 1 ]; then
    for _ in 1 2; do
        (while :; do :; done) &
        loads+=($!)
    done
    trap 'kill "${loads[@]}" 2>/dev/null || true' EXIT
fi
log=$dir/Testing/ctest-output.log
mkdir -p "$dir/Testing"
if ctest --output-on-failure -j 2 "${selection[@]}" "$@" 2>&1 | tee "$log"; then
    exit 0
fi
# LeakSanitizer's own tracer now and then crashes while it stops the threads of a process at
# its exit (a known fault of the tool): such a test has no leak check at all, neither pass nor
# fail. When every failure is one of those, they run once more to get one; else all stand.
failed=$(wc -l < "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || echo 0)
crashed=$(grep -c "LeakSanitizer has encountered a fatal error" "$log" || true)
if [ "${variant[0]:-}" = --asan ] && [ "$failed" -gt 0 ] && [ "$crashed" -ge "$failed" ] &&
    grep -q "Tracer caught signal" "$log"; then
    echo "LeakSanitizer's tracer crashed; the failed tests run once more"
    ctest --output-on-failure --rerun-failed "${selection[@]}"
    exit
fi
exit 1
