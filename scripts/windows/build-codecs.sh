#!/usr/bin/env bash
# Builds the codec libraries the component links, for Windows with mingw-w64, from Debian's
# own source packages, as static libraries into a prefix outside the repo; reuses what is there.
#
# Usage: scripts/windows/build-codecs.sh [--check] [x86_64|i686]     (default x86_64)
#   --check   also build scripts/windows/codec-check.cpp against the prefix, check its imports
#             and, for x86_64, run it under 64-bit Wine
# Prefix: ${ZYN_WINDOWS_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/zyncomponent/mingw-<arch>}
# Sources, build trees and logs live beside it in the cache (src/, build-<arch>/).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

check=0
arch=x86_64
for arg in "$@"; do
    case "$arg" in
        --check) check=1 ;;
        x86_64 | i686) arch=$arg ;;
        -h | --help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $arg" >&2; exit 2 ;;
    esac
done

host=$arch-w64-mingw32
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zyncomponent
prefix=${ZYN_WINDOWS_PREFIX:-$cache/mingw-$arch}
srcroot=$cache/src
buildroot=$cache/build-$arch
logs=$buildroot/logs
stamps=$prefix/share/zyn-codecs
toolchain=$repo/cmake/mingw-$arch.cmake

# Build order matters: later libraries find the earlier ones in the prefix.
libs=(zlib libjpeg-turbo libpng1.6 tiff libexif openjpeg2 libraw googletest)
declare -A deps=([libpng1.6]="zlib" [tiff]="zlib libjpeg-turbo" [libraw]="zlib libjpeg-turbo")

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
apt_updated=0

say() { printf '%s\n' "$*"; }

apt_run() {
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 "$@"
}

apt_update_once() {
    [ "$apt_updated" -eq 1 ] && return
    apt_run update -qq >"$logs/apt.log" 2>&1 || { tail -n 20 "$logs/apt.log"; return 1; }
    apt_updated=1
}

# Source packages need a deb-src entry; mirror the binary entries when there is none.
ensure_deb_src() {
    if grep -Eqs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
        return
    fi
    local bin=/etc/apt/sources.list.d/debian.sources
    local text
    if [ -f "$bin" ]; then
        text=$(sed 's/^Types: deb$/Types: deb-src/' "$bin")
    else
        text="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    fi
    printf '%s\n' "$text" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    apt_updated=0
}

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    say "installing: ${missing[*]}"
    apt_update_once
    apt_run install -y -qq --no-install-recommends "${missing[@]}" >>"$logs/apt.log" 2>&1 ||
        { tail -n 20 "$logs/apt.log"; return 1; }
}

build_tools() {
    local gcc_arch=${arch//_/-}
    ensure_packages dpkg-dev bzip2 xz-utils make cmake ninja-build pkg-config nasm \
        autoconf automake libtool autopoint "gcc-mingw-w64-$gcc_arch-posix" "g++-mingw-w64-$gcc_arch-posix"
}

# Versions of every source package the local lists know, newest first, as "pkg version" lines.
# Local only: no update, so a run with everything built costs nothing but this.
known_versions=""
load_known_versions() {
    known_versions=$(apt-cache showsrc "${libs[@]}" 2>/dev/null |
        awk '/^Package: /{p=$2} /^Version: /{print p, $2}' | sort -u) || known_versions=""
}

versions_of() {
    local pkg=$1 v sorted=()
    while read -r p v; do
        [ "$p" = "$pkg" ] || continue
        local i=${#sorted[@]}
        sorted+=("$v")
        while [ "$i" -gt 0 ] && dpkg --compare-versions "${sorted[i-1]}" lt "${sorted[i]}"; do
            local t=${sorted[i-1]}; sorted[i-1]=${sorted[i]}; sorted[i]=$t; i=$((i - 1))
        done
    done <<<"$known_versions"
    if [ ${#sorted[@]} -gt 0 ]; then printf '%s\n' "${sorted[@]}"; fi
}

# A recipe change rebuilds its library: the stamp carries a hash of the build function.
recipe_hash() {
    declare -f "build_$1" cmake_lib autotools_env pc_set | md5sum | cut -c1-12
}

stamp_field() {
    sed -n "s/^$2=//p" "$stamps/$1.stamp" 2>/dev/null
}

is_fresh() {
    local lib=$1 d
    [ -f "$stamps/$lib.stamp" ] || return 1
    [ "$(stamp_field "$lib" recipe)" = "$(recipe_hash "$lib")" ] || return 1
    for d in ${deps[$lib]:-}; do
        [ "$stamps/$d.stamp" -nt "$stamps/$lib.stamp" ] && return 1
    done
    # A newer Debian revision in the local lists means a rebuild; no lists means trust the stamp.
    local newest
    newest=$(versions_of "$lib" | head -n 1)
    [ -z "$newest" ] || [ "$newest" = "$(stamp_field "$lib" newest)" ]
}

# Unpacks the newest version of a source package that the archive actually serves (a security
# update may be listed before its files reach the mirror) and sets src_dir and src_version.
fetch_source() {
    local pkg=$1 v dir
    if [ -z "$(versions_of "$pkg")" ]; then
        apt_update_once
        load_known_versions
    fi
    for v in $(versions_of "$pkg"); do
        dir=$srcroot/${pkg}_${v#*:}
        if [ -f "$dir/.unpacked" ]; then
            src_dir=$dir/$(cat "$dir/.unpacked"); src_version=$v; return 0
        fi
        rm -rf "$dir" && mkdir -p "$dir"
        if (cd "$dir" && apt-get source -q --only-source "$pkg=$v") >>"$logs/$pkg.fetch.log" 2>&1; then
            (cd "$dir" && find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | head -n 1) >"$dir/.unpacked"
            src_dir=$dir/$(cat "$dir/.unpacked"); src_version=$v; return 0
        fi
        rm -rf "$dir"
    done
    say "no source of $pkg could be fetched; see $logs/$pkg.fetch.log" >&2
    tail -n 10 "$logs/$pkg.fetch.log" >&2
    return 1
}

# Sets (or, with no value, drops) one field of an installed .pc file.
pc_set() {
    local file=$1 key=$2 value=$3
    sed -i "/^$key:/d" "$file"
    [ -n "$value" ] && printf '%s: %s\n' "$key" "$value" >>"$file"
    return 0
}

cmake_lib() {
    local src=$1 build=$2
    shift 2
    cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZYN_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
        -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@"
}

autotools_env() {
    export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
    export CFLAGS=-O2 CXXFLAGS=-O2 CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
}

# Each build_<lib> runs in a fresh build tree ($1: unpacked source, $2: build tree).

build_zlib() {
    cp -a "$1" "$2/src" && cd "$2/src"
    autotools_env
    CHOST=$host ./configure --static --prefix="$prefix"
    make -j2 libz.a
    make install
}

build_libjpeg-turbo() {
    # Its own GNUInstallDirs makes a relative libdir absolute against the build directory.
    cmake_lib "$1" "$2" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
        -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
    # Only the library: the tools' install rules would fail unbuilt, so install it by hand.
    cmake --build "$2" -j 2 --target jpeg-static
    install -d "$prefix/lib/pkgconfig" "$prefix/include"
    install -m 644 "$2/libjpeg.a" "$prefix/lib/"
    install -m 644 "$1/jpeglib.h" "$1/jerror.h" "$1/jmorecfg.h" "$2/jconfig.h" "$prefix/include/"
    install -m 644 "$2/pkgscripts/libjpeg.pc" "$prefix/lib/pkgconfig/"
}

build_libpng1.6() {
    cmake_lib "$1" "$2" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
    cmake --build "$2" -j 2
    cmake --install "$2"
    local pc
    for pc in "$prefix"/lib/pkgconfig/libpng*.pc; do
        pc_set "$pc" Requires zlib
        pc_set "$pc" Requires.private ""
        pc_set "$pc" Libs.private ""
    done
}

build_tiff() {
    cmake_lib "$1" "$2" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
        -Dwin32-io=OFF \
        -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Djpeg12=OFF -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF \
        -Dlibdeflate=OFF -Dlerc=OFF -Dsphinx=OFF \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
        -DJPEG_LIBRARY="$prefix/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$prefix/include"
    cmake --build "$2" -j 2
    cmake --install "$2"
    local pc=$prefix/lib/pkgconfig/libtiff-4.pc
    pc_set "$pc" Requires "libjpeg zlib"
    pc_set "$pc" Requires.private ""
    pc_set "$pc" Libs.private ""
}

build_libexif() {
    cp -a "$1" "$2/src" && cd "$2/src"
    autotools_env
    autoreconf -fi
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static \
        --disable-nls --disable-docs --disable-internal-docs
    # The library alone: po/, doc/ and test/ are of no use to a static consumer.
    make -C libexif -j2 install
    make install-pkgconfigDATA
    pc_set "$prefix/lib/pkgconfig/libexif.pc" Libs.private ""
    pc_set "$prefix/lib/pkgconfig/libexif.pc" Libs "-L\${libdir} -lexif -lm"
}

build_openjpeg2() {
    cmake_lib "$1" "$2" -DBUILD_STATIC_LIBS=ON -DBUILD_CODEC=OFF -DBUILD_THIRDPARTY=OFF \
        -DBUILD_DOC=OFF -DBUILD_JPIP=OFF -DBUILD_JAVA=OFF
    cmake --build "$2" -j 2
    cmake --install "$2"
    local pc=$prefix/lib/pkgconfig/libopenjp2.pc
    pc_set "$pc" Cflags "-I\${includedir} -DOPJ_STATIC"
    pc_set "$pc" Cflags.private ""
    pc_set "$pc" Libs "-L\${libdir} -lopenjp2 -lm"
    pc_set "$pc" Libs.private ""
}

build_libraw() {
    cp -a "$1" "$2/src" && cd "$2/src"
    autotools_env
    # Its headers pull in <winsock2.h>; the lean <windows.h> parses in a third less time per file.
    export CPPFLAGS="$CPPFLAGS -DLIBRAW_NODLL -DWIN32_LEAN_AND_MEAN"
    autoreconf -fi
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static \
        --disable-openmp --disable-lcms --disable-jasper --disable-examples --enable-jpeg --enable-zlib
    grep -q -- '-DUSE_JPEG' config.log && grep -q -- '-DUSE_ZLIB' config.log
    # libraw and libraw_r come out of the same sources and flags; one of them is enough.
    make -j2 lib_LTLIBRARIES=lib/libraw.la pkgconfig_DATA=libraw.pc \
        install-libLTLIBRARIES install-nobase_includeHEADERS install-pkgconfigDATA
    # Its own file names -lstdc++, which would pull in the DLL's import library ahead of a
    # -static-libstdc++ link, and leaves out winsock, which the datastreams use.
    local pc=$prefix/lib/pkgconfig/libraw.pc
    pc_set "$pc" Requires "libjpeg zlib"
    pc_set "$pc" Requires.private ""
    pc_set "$pc" Libs "-L\${libdir} -lraw -lws2_32 -lm"
    pc_set "$pc" Cflags "-I\${includedir}/libraw -I\${includedir} -DLIBRAW_NODLL"
}

build_googletest() {
    cmake_lib "$1" "$2" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF \
        -Dgtest_build_tests=OFF -Dgtest_build_samples=OFF -Dgmock_build_tests=OFF
    cmake --build "$2" -j 2
    cmake --install "$2"
}

build_one() {
    local lib=$1 log=$logs/$1.log build=$buildroot/$1 start rc=0
    start=$(date +%s)
    fetch_source "$lib"
    rm -rf "$build" && mkdir -p "$build"
    # In the background so that errexit holds inside the build function.
    ( "build_$lib" "$src_dir" "$build" ) >"$log" 2>&1 &
    wait $! || rc=$?
    if [ "$rc" -ne 0 ]; then
        say "$lib $src_version: FAILED (log: $log)" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
    rm -rf "$prefix/share/man" "$prefix/share/doc" "$build"
    rm -f "$prefix"/lib/*.la
    mkdir -p "$stamps"
    printf 'version=%s\nnewest=%s\nrecipe=%s\n' "$src_version" \
        "$(versions_of "$lib" | head -n 1)" "$(recipe_hash "$lib")" >"$stamps/$lib.stamp"
    say "$lib $src_version: built in $(($(date +%s) - start))s"
}

# Smoke check: every codec linked statically into one executable that imports system DLLs only.
run_check() {
    local modules=(zlib libpng libtiff-4 libjpeg libexif libopenjp2 libraw) dir=$buildroot/check exe
    exe=$dir/check.exe
    mkdir -p "$dir"
    local m
    for m in "${modules[@]}"; do
        case "$(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --variable=libdir "$m")" in
            "$prefix"/*) ;;
            *) say "$m.pc: libdir outside $prefix" >&2; return 1 ;;
        esac
    done
    local flags
    flags=$(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig pkg-config --static --cflags --libs "${modules[@]}")
    # shellcheck disable=SC2086
    "$host-g++-posix" -std=c++20 -O2 -o "$exe" "$here/codec-check.cpp" $flags -static \
        >"$logs/check.log" 2>&1 || { tail -n 40 "$logs/check.log"; return 1; }
    local dlls bad
    dlls=$("$host-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -u)
    bad=$(grep -viE '^(kernel32|msvcrt|user32|ws2_32|advapi32|gdi32|shell32|ole32)\.dll$' <<<"$dlls" || true)
    say "check.exe imports: $(tr '\n' ' ' <<<"$dlls")"
    [ -z "$bad" ] || { say "unexpected DLLs: $bad" >&2; return 1; }
    if [ "$arch" = x86_64 ]; then
        WINEPREFIX=/tmp/zyn-wineprefix-check WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
            /usr/lib/wine/wine64 "$exe" 2>>"$logs/check.log" || { tail -n 20 "$logs/check.log"; return 1; }
    else
        say "check.exe built for $arch (not run: this machine cannot execute 32-bit code)"
    fi
}

needs_rebuilt_dep() {
    local lib=$1 d t
    shift
    for d in ${deps[$lib]:-}; do
        for t in "$@"; do [ "$d" = "$t" ] && return 0; done
    done
    return 1
}

main() {
    mkdir -p "$logs"
    load_known_versions
    local todo=() lib
    for lib in "${libs[@]}"; do
        if ! is_fresh "$lib" || needs_rebuilt_dep "$lib" "${todo[@]}"; then todo+=("$lib"); fi
    done
    # The compilers build the component too, and Wine runs it, even when the prefix is cached.
    build_tools
    if [ "$arch" = x86_64 ]; then ensure_packages wine64; fi
    if [ ${#todo[@]} -gt 0 ]; then
        [ -f "$toolchain" ] || { say "missing toolchain file $toolchain" >&2; exit 1; }
        ensure_deb_src
        mkdir -p "$srcroot" "$prefix"
        for lib in "${todo[@]}"; do
            build_one "$lib"
        done
    fi
    if [ "$check" -eq 1 ]; then run_check; fi
    say "$prefix"
}

main
