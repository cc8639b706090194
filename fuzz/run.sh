#!/usr/bin/env bash
# Builds a libFuzzer target with clang, ASan and UBSan, and runs it.
#   bash fuzz/run.sh TARGET SECONDS [SEED_GLOB]
# TARGET is a file name in fuzz/ without .cpp (fuzz_ppm, ...). Seeds are the sample images of
# every format (build/samples by zynsamples) whose names match SEED_GLOB (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target}
seconds=${2:?seconds}
glob=${3:-*}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DZYN_FUZZ=ON -DZYN_BUILD_TESTS=OFF -DZYN_BUILD_TOOLS=ON >/dev/null
cmake --build build-fuzz -j2 --target "$target" zynsamples

seeds=build-fuzz/seeds/$target
corpus=fuzz/corpus-$target
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
ASAN_OPTIONS=detect_leaks=0 build-fuzz/zynsamples build-fuzz/samples >/dev/null
find build-fuzz/samples -maxdepth 1 -type f -name "$glob" -exec cp {} "$seeds" \;
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"build-fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
    -print_final_stats=1 "$corpus" "$seeds"
