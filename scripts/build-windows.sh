#!/usr/bin/env bash
# Cross-builds the component for Windows: zyncomponent.dll, anyimage.exe, the sample writer and
# the test programs, in build-windows/ (x86_64, the build that runs under Wine here) and, with
# --i686, in build-windows-i686/ as well (compile and link only: this machine runs no 32-bit code).
# Installs mingw-w64 and 64-bit Wine when missing; the codec libraries come from
# scripts/windows/build-codecs.sh, which reuses its prefix when present.
set -euo pipefail
cd "$(dirname "$0")/.."

arches=(x86_64)
for arg in "$@"; do
    case "$arg" in
        --i686) arches+=(i686) ;;
        -h | --help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $arg" >&2; exit 2 ;;
    esac
done

cache=${XDG_CACHE_HOME:-$HOME/.cache}/zyncomponent
# The test programs that run under Wine (scripts/test-windows.sh); the others test Linux-only
# pieces or wait on them.
windows_tests=(client control qor tiff png jpeg j2k fpx transforms)
for arch in "${arches[@]}"; do
    bash scripts/windows/build-codecs.sh "$arch"
    prefix=${ZYN_WINDOWS_PREFIX:-$cache/mingw-$arch}
    tree=build-windows
    [ "$arch" = x86_64 ] || tree=build-windows-$arch
    PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR= \
        cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" -DZYN_WINDOWS_PREFIX="$prefix" \
        -DZYN_BUILD_PYTHON=OFF -DZYN_BUILD_TESTS=ON >/dev/null
    PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake --build "$tree" -j2 --target zyncomponent \
        anyimage zynsamples "${windows_tests[@]/#/test_}"
done
