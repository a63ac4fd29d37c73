#!/usr/bin/env bash
# Makes this machine able to build and test Ostrel: installs the Debian packages that are
# missing, then builds libjpeg-turbo for both Windows targets from Debian's source package
# into build/deps/<arch>, where the win32/win64 presets look for it.
#
# Safe to run again: installed packages and finished builds are detected and skipped.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# OSTREL_DEPS lets a second checkout of the same commit share one build of the dependencies.
deps=${OSTREL_DEPS:-$root/build/deps}

say() { printf 'setup: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# --- Debian packages ---------------------------------------------------------------------

packages=(
    cmake make g++ googletest libjpeg62-turbo-dev       # native build and its tests
    clang-14 libclang-rt-14-dev                         # fuzz targets (libFuzzer)
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix # Windows builds
    dpkg-dev                                            # libjpeg-turbo from source
    wine wine64 wine32:i386                             # running the Windows programs
    xvfb xauth fonts-wine imagemagick                   # display, real fonts, screenshots
    iproute2 util-linux                                 # private network namespace
    git zip unzip osslsigncode openssl python3          # release archives and their signing
)

missing_packages() {
    local pkg
    for pkg in "${packages[@]}"; do
        [[ $(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null) == installed ]] || echo "$pkg"
    done
}

install_packages() {
    local missing
    mapfile -t missing < <(missing_packages)
    if ((${#missing[@]} == 0)); then
        say "Debian packages: all present"
        return
    fi
    say "installing: ${missing[*]}"
    [[ $(id -u) == 0 ]] || die "packages missing and not root: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}" </dev/null
    mapfile -t missing < <(missing_packages)
    ((${#missing[@]} == 0)) || die "still missing after apt-get install: ${missing[*]}"
}

# --- libjpeg-turbo for the Windows targets -------------------------------------------------

# apt-get with its own sources (deb-src of the machine's own archives), lists and cache, so that
# fetching a source package leaves the machine's apt configuration and state as they were.
private_apt() {
    local apt=$deps/apt
    if [[ ! -d $apt/parts ]]; then
        mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial"
        local found=
        if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
            sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
                >"$apt/parts/debian.sources"
            found=1
        fi
        if [[ -f /etc/apt/sources.list ]] && grep -q '^deb ' /etc/apt/sources.list; then
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt/parts/debian.list"
            found=1
        fi
        [[ -n $found ]] || die "no Debian archive found in /etc/apt to take source packages from"
    fi
    apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts" \
        -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" \
        -o APT::Sandbox::User=root "$@" </dev/null
}

# Unpacks the source of the libjpeg-turbo version installed on the host (same as the native
# build uses) and prints its folder.
jpeg_source() {
    local version src=$deps/src
    version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)
    local dir=$src/libjpeg-turbo-${version#*:}
    if [[ ! -f $dir/.unpacked ]]; then
        say "fetching the source of libjpeg-turbo $version"
        rm -rf "$src"
        mkdir -p "$src"
        # The archive may have moved on from the installed version: then its own will do.
        (
            cd "$src"
            private_apt update
            private_apt source --download-only "libjpeg-turbo=$version" ||
                private_apt source --download-only libjpeg-turbo
        ) >"$deps/fetch.log" 2>&1 || die "could not fetch the source package, see $deps/fetch.log"
        # apt-get has checked the files against the archive's signed index.
        dpkg-source -x "$src"/libjpeg-turbo_*.dsc "$dir" >"$src/unpack.log" 2>&1 ||
            die "dpkg-source failed, see $src/unpack.log"
        touch "$dir/.unpacked"
    fi
    echo "$dir"
}

# build_jpeg ARCH SOURCE: static libjpeg for one Windows target in build/deps/ARCH (lib/ and
# include/ only, the way FindJPEG looks for them). Built for size: the program decodes two small
# pictures, and the SIMD code (about 200 KiB, most of it for compression, which jsimd.c pulls in
# with the rest) would make up a third of the program.
build_jpeg() {
    local arch=$1 source=$2
    local prefix=$deps/$arch work=$deps/build-$arch
    local toolchain=$root/cmake/toolchain-$arch-w64-mingw32.cmake
    local stamp=$prefix/.built-from
    local want
    local recipe="MinSizeRel, no SIMD"
    want="$(basename "$source") $(sha1sum "$toolchain" | cut -c1-12) $recipe"
    if [[ -f $stamp && $(<"$stamp") == "$want" && -f $prefix/lib/libjpeg.a ]]; then
        say "libjpeg-turbo $arch: up to date"
        return
    fi
    say "building libjpeg-turbo for $arch ($recipe)"
    local log=$deps/build-$arch.log
    rm -rf "$work" "$prefix"
    cmake -S "$source" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
        >"$log" 2>&1 || die "libjpeg-turbo $arch failed to configure, see $log"
    cmake --build "$work" --target jpeg-static -j2 >>"$log" 2>&1 ||
        die "libjpeg-turbo $arch failed to build, see $log"
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$work/libjpeg.a" "$prefix/lib/"
    cp "$work/jconfig.h" "$source/jerror.h" "$source/jmorecfg.h" "$source/jpeglib.h" "$prefix/include/"
    echo "$want" >"$stamp"
    say "libjpeg-turbo $arch: done"
}

install_packages
jpeg_src=$(jpeg_source)
build_jpeg i686 "$jpeg_src"
build_jpeg x86_64 "$jpeg_src"
