#!/usr/bin/env bash
# scripts/run.sh ended by a signal ends the stand-in web it started, and the program too.
set -euo pipefail
# Job control: the script runs in a process group of its own, with SIGINT not ignored, as
# when a person starts it from a terminal.
set -m
root=$1 bin=$2
work=$(mktemp -d)
group=""
cleanup() {
    [ -n "$group" ] && kill -9 -- "-$group" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/out" >&2 || true; exit 1; }

mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen

for signal in TERM INT; do
    # The file is there before the job starts: the job's shell may open it only later.
    : >"$work/out"
    ORVALO_BIN=$bin bash "$root/scripts/run.sh" >"$work/out" 2>&1 &
    group=$!
    proxy=""
    for _ in $(seq 300); do
        proxy=$(sed -n 's/^run: stand-in web at //p' "$work/out" || true)
        [ -n "$proxy" ] && break
        sleep 0.1
    done
    [ -n "$proxy" ] || fail "the stand-in web did not start"
    port=${proxy##*:}
    kill -"$signal" "$group"
    # The script, the stand-in web and the program all end.
    for _ in $(seq 300); do pgrep -g "$group" >/dev/null || break; sleep 0.1; done
    pgrep -g "$group" >/dev/null && fail "processes left after SIG$signal: $(pgrep -a -g "$group")"
    group=""
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "the stand-in web still answers after SIG$signal"
done
echo "run.sh: TERM and INT end the stand-in web and the program"
