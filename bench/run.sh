#!/usr/bin/env bash
# Builds and runs the benchmarks, each against a reference measured in the same run:
#  - one TInet transfer against the curl tool;
#  - 200 https link checks against curl -Z fetching the same links (time and CPU time);
#  - four large downloads at once through the download manager against four curl processes,
#    one 1 GiB download against curl on tmpfs (over http and over https) and on the disk of
#    the build folder, and 2,000 small ones through the queue against curl fetching them 6
#    at once (time, CPU time, peak memory and descriptors), and a file continued from its first half against curl -C -, with the bytes read;
#  - the copy into another file system against cp;
#  - the results store and engine list look-ups;
#  - the hand-over under a flood of calls against an idle event loop;
#  - the search page under a flood of results and verifications, and its sorting;
#  - fifty downloads at once with the downloads page shown against curl, the GUI thread's
#    stalls against the manager alone, and a list of 10,000 rows;
#  - the content check of 10 MB files and of an hour's song, and of a play list of 5,000
#    songs in the background, each against a full decode by the mpg123 tool;
#  - the play list page with 5,000 songs, and the search page with 100,000 engine lines,
#    each against the list's own loading.
# Usage: bench/run.sh [megabytes] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The mpg123 tool is the content check's reference.
bash "$root/scripts/install-deps.sh" mpg123
bash "$root/scripts/build.sh" bench_inet bench_checks bench_download bench_copy bench_store bench_handover bench_searchpage \
    bench_downloads_page bench_content bench_playlist_page
echo "== one transfer"
"$root/build/bin/bench_inet" "$@"
echo "== 200 https link checks, 10 at once"
"$root/build/bin/bench_checks" 200 5 10
echo "== four downloads at once"
"$root/build/bin/bench_download" "$@"
echo "== one 1 GiB download, tmpfs"
"$root/build/bin/bench_download" --single 1024 3
echo "== one 1 GiB download over https (CONNECT, the server's own authority), tmpfs"
"$root/build/bin/bench_download" --https 1024 3
echo "== one 1 GiB download, the build folder's disk ($(df --output=fstype "$root/build" | tail -1))"
"$root/build/bin/bench_download" --single 1024 3 "$root/build"
echo "== one 200 MiB file continued from its first half"
"$root/build/bin/bench_download" --resume 200 3
echo "== 2,000 small downloads"
"$root/build/bin/bench_download" --small 2000 10 3
echo "== 200 downloads of 1 MiB"
"$root/build/bin/bench_download" --small 200 1024 2
echo "== copy into another file system"
"$root/build/bin/bench_copy"
echo "== results store and engine list"
"$root/build/bin/bench_store"
echo "== hand-over under a flood of calls"
"$root/build/bin/bench_handover"
echo "== search page under a flood of results"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$root/build/bin/bench_searchpage"
echo "== fifty downloads with the downloads page shown"
"$root/build/bin/bench_downloads_page"
echo "== a downloads list of 10,000 rows"
"$root/build/bin/bench_downloads_page" --rows 10000 500
echo "== content check: 10 MB files, an hour's song, a play list of 5,000 songs, against mpg123 -t"
"$root/build/bin/bench_content"
echo "== the play list page with 5,000 songs: names at once, tags in the background"
"$root/build/bin/bench_playlist_page"
echo "== the search page with an engine list of 100,000 lines"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$root/build/bin/bench_searchpage" 100 --engines 100000
