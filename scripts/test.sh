#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the whole test suite, then the Windows
# stage: the cross-built DLL and host under 64-bit Wine (scripts/build-windows.sh,
# scripts/test-windows.sh).
#   bash scripts/test.sh [CTEST_ARGS...]
#   bash scripts/test.sh --tsan        the tests that render from several threads, built with
#                                      ThreadSanitizer in build-tsan/
#   ZYN_SKIP_WINDOWS=1 bash scripts/test.sh    the Linux suite alone
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
if [ "${1:-}" = "--tsan" ]; then
    exec bash scripts/tsan.sh
fi
bash scripts/build.sh
(cd build && ctest --output-on-failure -j2 --timeout 300 "$@")
if [ "${ZYN_SKIP_WINDOWS:-0}" != 1 ]; then
    bash scripts/build-windows.sh
    bash scripts/test-windows.sh
fi
