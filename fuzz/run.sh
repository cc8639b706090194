#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs one or all of them.
#   bash fuzz/run.sh TARGET SECONDS [SEED_GLOB]
#   bash fuzz/run.sh all SECONDS
# TARGET is a file name in fuzz/ without .cpp (fuzz_png, ...). Each target is seeded with the real
# files of its formats in ../shared/fuzz-seeds/<format>/ (or $ZYN_FUZZ_SEEDS/<format>/) and with
# the sample images of every format (build-fuzz/samples, by zynsamples) whose names match
# SEED_GLOB (default: all). An input that runs over 10 s, allocates over 512 MiB at once (the
# decode budget is 256 MiB here) or takes over 1536 MiB in all (ASan's own memory included) is a
# finding, as is any sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target}
seconds=${2:?seconds}
glob=${3:-*}
seed_root=${ZYN_FUZZ_SEEDS:-../shared/fuzz-seeds}

# The real-file folders each target starts from.
seed_folders() {
    case "$1" in
        fuzz_anyimage) find "$seed_root" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' 2>/dev/null ;;
        fuzz_camera) echo cameraraw tiff ;;
        fuzz_j2k) echo jp2 ;;
        fuzz_tiff) echo tiff ;;
        fuzz_png) echo png ;;
        fuzz_jpeg) echo jpeg exif ;;
        fuzz_exif) echo exif jpeg ;;
        fuzz_bmp) echo bmp ;;
        fuzz_fpx) echo fpx ;;
        fuzz_ops) echo ppm ;;
        *) ;;
    esac
}

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DZYN_FUZZ=ON -DZYN_BUILD_TESTS=OFF -DZYN_BUILD_TOOLS=ON >/dev/null
if [ "$target" = all ]; then
    targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
else
    targets=$target
fi
# shellcheck disable=SC2086
cmake --build build-fuzz -j2 --target $targets zynsamples
ASAN_OPTIONS=detect_leaks=0 build-fuzz/zynsamples build-fuzz/samples >/dev/null

# Under half the single-allocation limit, so that an allocation over it is one that escaped the
# decode budget, not one the budget allows.
export ZYN_MAX_DECODE_MB=${ZYN_MAX_DECODE_MB:-256}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in $targets; do
    seeds=build-fuzz/seeds/$t
    corpus=fuzz/corpus-$t
    rm -rf "$seeds"
    mkdir -p "$seeds" "$corpus"
    find build-fuzz/samples -maxdepth 1 -type f -name "$glob" -exec cp {} "$seeds" \;
    real=0
    for folder in $(seed_folders "$t"); do
        if [ -d "$seed_root/$folder" ]; then
            find "$seed_root/$folder" -maxdepth 1 -type f -exec cp {} "$seeds" \;
            real=$((real + $(find "$seed_root/$folder" -maxdepth 1 -type f | wc -l)))
        else
            echo "$t: no real seeds in $seed_root/$folder"
        fi
    done
    # Every earlier finding first: each must run clean under the same limits.
    mapfile -t findings < <(find fuzz/regressions -type f ! -name '*.sh' ! -name '*.expect')
    "build-fuzz/$t" -rss_limit_mb=1536 -malloc_limit_mb=512 -timeout=10 "${findings[@]}" \
        >/dev/null 2>&1 || { echo "$t fails on a file of fuzz/regressions"; exit 1; }
    echo "== $t: $(find "$seeds" -type f | wc -l) seeds ($real real files), $seconds s"
    "build-fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=1536 -malloc_limit_mb=512 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="build-fuzz/$t-" "$corpus" "$seeds"
done
