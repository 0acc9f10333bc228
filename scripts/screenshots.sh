#!/usr/bin/env bash
# Takes the README's pictures: the stand-in web and the real window under a virtual X server
# of its own, with a private configuration and a temporary copy of the program; a search, a
# download and a playback are made and docs/screenshots/{search,downloads,playlist,
# about}.png written, each cut to its window.
# ORVALO_BIN names a folder of programs already built: nothing is installed or built then.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${ORVALO_BIN:-}
if [ -z "$bin" ]; then
    bash "$root/scripts/install-deps.sh"
    bash "$root/scripts/build.sh" orvalo orvalo-sandbox
    bin=$root/build/bin
fi
out=$root/docs/screenshots
mkdir -p "$out"
# A private D-Bus session for the accessibility bus the window is driven through.
exec dbus-run-session -- /usr/bin/python3 "$root/scripts/screenshots.py" \
    "$bin/orvalo" "$bin/orvalo-sandbox" "$root/data/Engines.dat" "$out"
