#!/usr/bin/env bash
# Builds the library and the test programs with ThreadSanitizer in build-tsan/ and runs every test
# that renders, develops or writes from several threads at once (their names say Thread,
# Concurrent or ParallelPull), and the whole engine and operations programs, whose requests spread
# over the worker pool, each program three times; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="-fsanitize=thread" -DCMAKE_CXX_FLAGS="-fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
    -DZYN_BUILD_TOOLS=ON >/dev/null
cmake --build build-tsan -j2
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export ZYN_TEST_TMP="$PWD/build-tsan/testtmp"
export ZYN_COM_REGISTRY="$ZYN_TEST_TMP/registry.reg"
mkdir -p "$ZYN_TEST_TMP"
# More pool threads than cores, so that tiles of one request interleave in more ways.
export ZYN_THREADS=${ZYN_THREADS:-4}
for program in build-tsan/test_*; do
    [ -x "$program" ] || continue
    filter='*Thread*:*Concurrent*:ParallelPull.*'
    case $(basename "$program") in test_zyn | test_ops) filter='*' ;; esac
    for round in 1 2 3; do
        "$program" --gtest_filter="$filter" --gtest_brief=1 >/dev/null ||
            { echo "ThreadSanitizer or a test failed in $program (round $round)"; exit 1; }
    done
done
echo "ThreadSanitizer: every multi-thread test ran clean three times"
