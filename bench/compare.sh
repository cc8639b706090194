#!/usr/bin/env bash
# Times the component against the codec libraries alone (the floors) and, when they are
# installed, against libvips and ImageMagick on the same large images. Images are generated in
# $BENCH_DIR (default /tmp/zyn-bench), outside the repository.
#   bash bench/compare.sh [CASE...]     cases are the file names in bench/cases without .sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
export BIN=$PWD/build
export BENCH_DIR=${BENCH_DIR:-/tmp/zyn-bench}
mkdir -p "$BENCH_DIR"
command -v bc >/dev/null || { echo "bench needs bc (apt-get install bc)"; exit 1; }
source bench/lib.sh
# libvips at one thread and at its default concurrency is the peer of every case.
if ! have vips; then
    sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)
    $sudo apt-get install -y libvips-tools >/dev/null 2>&1 ||
        echo "bench: without libvips (apt-get install libvips-tools) its columns are left out"
fi

cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
    for f in bench/cases/*.sh; do cases+=("$(basename "$f" .sh)"); done
fi
for c in "${cases[@]}"; do
    echo "== $c"
    source "bench/cases/$c.sh"
done
