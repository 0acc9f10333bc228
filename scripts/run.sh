#!/usr/bin/env bash
# Installs what is missing, builds Orvalo and the stand-in web, starts the stand-in web on a
# free loopback port and Orvalo with http_proxy pointing at it. The stand-in web ends with
# the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" orvalo orvalo-cli orvalo-sandbox
bin=$root/build/bin

work=$(mktemp -d)
sandbox_pid=""
cleanup() {
    [ -n "$sandbox_pid" ] && kill "$sandbox_pid" 2>/dev/null && wait "$sandbox_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$bin/orvalo-sandbox" --port 0 >"$work/sandbox.out" &
sandbox_pid=$!
for _ in $(seq 100); do
    grep -q 'listening on' "$work/sandbox.out" 2>/dev/null && break
    kill -0 "$sandbox_pid" 2>/dev/null || { echo "run: the stand-in web did not start" >&2; exit 1; }
    sleep 0.1
done
proxy=$(sed -n 's/.*listening on //p' "$work/sandbox.out" | head -n1)
[ -n "$proxy" ] || { echo "run: the stand-in web did not start" >&2; exit 1; }
echo "run: stand-in web at $proxy" >&2

export http_proxy=$proxy
unset no_proxy NO_PROXY
"$bin/orvalo" "$@"
