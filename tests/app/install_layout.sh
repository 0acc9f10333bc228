#!/usr/bin/env bash
# An installed copy, run by a user with a fresh home, keeps its files in the user's folders
# and writes nothing below its prefix:
#  - the programs are installed in bin, the engine list in share/orvalo/data, the menu
#    entry, icon, metadata and manual pages in their places;
#  - orvalo-cli searches with the shipped engine list and downloads into the music
#    folder's Orvalo (the music folder made too), with incomplete files in
#    ~/.local/share/Orvalo/Incomplete;
#  - the window starts, receives the most-popular list into ~/.local/share/Orvalo/data,
#    and saves its history there and its settings when a signal ends it;
#  - a listing of the prefix with sizes and times is the same afterwards (as root the
#    read-only prefix could still be written, so the listing is what proves it).
set -euo pipefail
build=$1 sandbox=$2
work=$(mktemp -d)
sandbox_pid="" orvalo_pid=""
cleanup() {
    [ -n "$orvalo_pid" ] && kill -9 "$orvalo_pid" 2>/dev/null || true
    [ -n "$sandbox_pid" ] && kill "$sandbox_pid" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
listing() { (cd "$prefix" && find . -printf '%p %y %s %T@\n' | sort); }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/orvalo bin/orvalo-cli share/orvalo/data/Engines.dat \
    share/applications/org.example.Orvalo.desktop share/metainfo/org.example.Orvalo.metainfo.xml \
    share/icons/hicolor/scalable/apps/orvalo.svg share/man/man1/orvalo.1.gz \
    share/doc/orvalo/copyright share/doc/orvalo/changelog.gz; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
chmod -R a-w "$prefix"
before=$(listing)

home=$work/home
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$work/runtime
unset XDG_DATA_HOME XDG_MUSIC_DIR
data=$home/.local/share/Orvalo/data
music=$home/Music/Orvalo
incomplete=$home/.local/share/Orvalo/Incomplete

"$sandbox" --port 0 --ca "$work/sandbox-ca.pem" >"$work/sandbox.out" 2>&1 &
sandbox_pid=$!
proxy=""
for _ in $(seq 300); do
    proxy=$(sed -n 's/^orvalo-sandbox: listening on //p' "$work/sandbox.out")
    [ -n "$proxy" ] && break
    sleep 0.1
done
[ -n "$proxy" ] || fail "the stand-in web did not start"
export http_proxy=$proxy no_proxy="" SSL_CERT_FILE=$work/sandbox-ca.pem
unset https_proxy HTTPS_PROXY all_proxy ALL_PROXY CURL_CA_BUNDLE

# The shipped engine list: the user has none of their own yet.
"$prefix/bin/orvalo-cli" search --timeout 60 velvet >"$work/search.out" || fail "search failed"
grep -q '^result	' "$work/search.out" || fail "no results: the shipped engine list was not read"
link=$(awk -F'\t' '$1 == "verified" { print $2; exit }' "$work/search.out")
[ -n "$link" ] || fail "no verified link"
"$prefix/bin/orvalo-cli" download "$link" >"$work/download.out" || fail "download failed"
saved=$(cut -f3 "$work/download.out")
case "$saved" in "$music"/*) ;; *) fail "downloaded to $saved, not into $music" ;; esac
[ -s "$saved" ] || fail "the downloaded file is empty"
[ -d "$incomplete" ] || fail "incomplete folder $incomplete not made"
echo "orvalo-cli: shipped engine list read, download in $music"

QT_QPA_PLATFORM=offscreen "$prefix/bin/orvalo" >"$work/orvalo.out" 2>&1 &
orvalo_pid=$!
# The main window, once active, fetches the most-popular list into the data folder.
for _ in $(seq 300); do [ -s "$data/Orvalo.dat" ] && break; sleep 0.1; done
[ -s "$data/Orvalo.dat" ] || fail "no most-popular list in $data: $(cat "$work/orvalo.out")"
kill -TERM "$orvalo_pid"
wait "$orvalo_pid" || fail "the window ended with an error: $(cat "$work/orvalo.out")"
orvalo_pid=""
[ -f "$data/SearchKeys.txt" ] || fail "history not saved in $data"
[ ! -e "$data/Engines.dat" ] || fail "the engine list was copied into the user's folder"
settings=$XDG_CONFIG_HOME/Orvalo/Orvalo.conf
grep -qx "DownloadDir=$music" "$settings" || fail "download folder not $music"
grep -qx "IncompleteDir=$incomplete" "$settings" || fail "incomplete folder not $incomplete"
echo "orvalo: most-popular list and history in $data, settings saved"

after=$(listing)
[ "$before" = "$after" ] || fail "the prefix changed: $(diff <(echo "$before") <(echo "$after"))"
echo "prefix untouched"
