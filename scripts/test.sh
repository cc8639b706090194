#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the whole test suite.
#   bash scripts/test.sh [CTEST_ARGS...]
#   bash scripts/test.sh --tsan    the tests that render from several threads, built with
#                                  ThreadSanitizer in build-tsan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
if [ "${1:-}" = "--tsan" ]; then
    exec bash scripts/tsan.sh
fi
bash scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 300 "$@"
