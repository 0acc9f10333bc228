#!/usr/bin/env bash
# Installs what is missing, builds Orvalo and the stand-in web, starts the stand-in web on a
# free loopback port and Orvalo with http_proxy pointing at it (for https too, through
# CONNECT) and SSL_CERT_FILE at the certificate authority the stand-in web made. The stand-in
# web ends with the program, and with this script when it is interrupted or told to end.
# ORVALO_BIN names a folder of programs already built: nothing is installed or built then.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${ORVALO_BIN:-}
if [ -z "$bin" ]; then
    bash "$root/scripts/install-deps.sh"
    bash "$root/scripts/build.sh" orvalo orvalo-cli orvalo-sandbox
    bin=$root/build/bin
fi

work=$(mktemp -d)
sandbox_pid=""
cleanup() {
    [ -n "$sandbox_pid" ] && kill "$sandbox_pid" 2>/dev/null && wait "$sandbox_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Bash runs no EXIT trap when a signal ends it, so the signals are caught: every child is
# told to end (the program too, even when the signal came before its process id was kept),
# and the exit runs the clean-up.
on_signal() {
    trap - TERM INT HUP
    kill -TERM $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
    sandbox_pid=""
    exit 143
}
trap on_signal TERM INT HUP

"$bin/orvalo-sandbox" --port 0 --ca "$work/sandbox-ca.pem" >"$work/sandbox.out" &
sandbox_pid=$!
for _ in $(seq 100); do
    grep -q 'listening on' "$work/sandbox.out" 2>/dev/null && break
    kill -0 "$sandbox_pid" 2>/dev/null || { echo "run: the stand-in web did not start" >&2; exit 1; }
    sleep 0.1
done
proxy=$(sed -n 's/.*listening on //p' "$work/sandbox.out" | head -n1)
[ -n "$proxy" ] || { echo "run: the stand-in web did not start" >&2; exit 1; }
echo "run: stand-in web at $proxy" >&2

export http_proxy=$proxy SSL_CERT_FILE=$work/sandbox-ca.pem
# Anything that would take precedence over those two goes.
unset no_proxy NO_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY CURL_CA_BUNDLE
# In the background, so that a signal to this script is handled at once, not after the program.
"$bin/orvalo" "$@" &
wait $!
