#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 120] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_parsers fuzz_strings)
bash "$root/scripts/install-deps.sh"
for package in clang libclang-rt-14-dev; do
    if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]; then
        sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$package" >/dev/null
    fi
done
dir=$root/build-fuzz
CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DORVALO_SANITIZE=fuzzer -DORVALO_WERROR=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$dir" -j 2 --target "${targets[@]}"
for target in "${targets[@]}"; do
    corpus=$root/fuzz/corpus/${target#fuzz_}
    work=$(mktemp -d)
    echo "== $target: ${seconds}s"
    "$dir/bin/$target" -max_total_time="$seconds" -max_len=1048576 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 12
    rm -rf "$work"
done
