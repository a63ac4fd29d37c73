#!/usr/bin/env bash
# Makes this machine able to build and test Ostrel: installs the Debian packages that are
# missing, builds libjpeg-turbo for both Windows targets from Debian's source package into
# build/deps/<arch>, where the win32/win64 presets look for it, and where Wine's 32-bit loader
# cannot run as it is, fetches qemu-i386 for it (scripts/wine32-qemu.sh).
# Safe to run again: installed packages and finished builds are detected and skipped.
#: scripts/setup.sh [--resolve-only]
#:
#: --resolve-only  only resolve the whole package list in apt's simulation, as the install step
#:                 does, against the indexes and the state apt has; changes nothing
set -euo pipefail
# shellcheck source=scripts/lib/apt.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"

packages=(
    cmake make g++ googletest libjpeg62-turbo-dev       # native build and its tests
    clang-14 libclang-rt-14-dev                         # fuzz targets (libFuzzer)
    clang-format                                        # the sources' format
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix # Windows builds
    dpkg-dev                                            # libjpeg-turbo from source
    wine wine64 wine32:i386                             # running the Windows programs
    xvfb xauth fonts-wine imagemagick                   # display, real fonts, screenshots
    iproute2 util-linux                                 # private network namespace
    git zip unzip osslsigncode openssl python3          # release archives and their signing
    time                                                # the bench's CPU figures
)
missing_packages() {
    local pkg
    for pkg in "${packages[@]}"; do
        [[ $(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null) == installed ]] || echo "$pkg"
    done
}
case ${1-} in
    --resolve-only) apt_install -s "${packages[@]}"; exit ;;
    "") ;;
    *) usage ;;
esac
mapfile -t missing < <(missing_packages)
if ((${#missing[@]} == 0)); then
    say "Debian packages: all present"
else
    say "installing: ${missing[*]}"
    [[ $(id -u) == 0 ]] || die "packages missing and not root: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt_update
    apt_install "${missing[@]}"
    mapfile -t missing < <(missing_packages)
    ((${#missing[@]} == 0)) || die "still missing after apt-get install: ${missing[*]}"
fi

# The presets take libjpeg from the checkout's build/deps: a checkout that shares another's
# (OSTREL_DEPS) gets a link there to it.
if [[ $deps != "$root/build/deps" ]]; then
    if [[ ! -e $root/build/deps ]]; then
        mkdir -p "$root/build" && ln -s "$deps" "$root/build/deps"
        say "build/deps: linked to $deps"
    elif [[ $(realpath "$root/build/deps") != $(realpath -m "$deps") ]]; then
        say "warning: build/deps is not OSTREL_DEPS ($deps): the presets build with build/deps"
    fi
fi

# The source of the libjpeg-turbo version installed on the host, as the native build uses it.
version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev)
src=$deps/src jpeg=$deps/src/libjpeg-turbo-${version#*:}
if [[ ! -f $jpeg/.unpacked ]]; then
    say "fetching the source of libjpeg-turbo $version"
    rm -rf "$src"
    mkdir -p "$src"
    machine_archives '' | sed 's/^/deb-src /' | private_sources source
    # The archive may have moved on from the installed version: then its own will do. An index
    # that cannot be fetched (a suite mid-sync) matters only if it is the one with the source.
    (cd "$src" && private_update source && {
        private_apt source source --download-only "libjpeg-turbo=$version" ||
            private_apt source source --download-only libjpeg-turbo; }) >"$deps/fetch.log" 2>&1 ||
        die "could not fetch the source package, see $deps/fetch.log"
    # apt-get has checked the files against the archive's signed index.
    dpkg-source -x "$src"/libjpeg-turbo_*.dsc "$jpeg" >"$src/unpack.log" 2>&1 ||
        die "dpkg-source failed, see $src/unpack.log"
    touch "$jpeg/.unpacked"
fi

# Static libjpeg for each Windows target in $deps/ARCH (lib/ and include/ only, where FindJPEG
# looks). Built for size: the program decodes two small baseline pictures of its own. The SIMD code
# (about 200 KiB, most of it for compression, which jsimd.c pulls in with the rest) would make up a
# third of the program; arithmetic coding is never met; each function in a section of its own lets
# the linker leave out what is not called; the C library's printf and scanf of the system (msvcrt)
# instead of MinGW's own, which weigh 50 KiB, for the messages and the JPEGMEM setting nothing
# reads here; no unwind tables, as the decoder leaves through longjmp only. Of the decoder's
# optional capabilities (jmorecfg.h, which leaves them to be undefined for a smaller library) it
# keeps the accurate integer transform and fancy upsampling, which a baseline picture decoded at
# its own size takes; the others (multi-scan and progressive files, scaled output, colour
# quantization, the fast and floating-point transforms, merged upsampling, saved markers) were
# 50 KiB of every program that nothing calls. A picture that needs one is refused by the decoder
# with its own message, as any damaged picture is.
unused_capabilities=(D_MULTISCAN_FILES_SUPPORTED D_PROGRESSIVE_SUPPORTED SAVE_MARKERS_SUPPORTED
    BLOCK_SMOOTHING_SUPPORTED IDCT_SCALING_SUPPORTED UPSAMPLE_MERGING_SUPPORTED
    QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED)
# The unpacked source is this script's own copy: its jmorecfg.h is edited in place, and the edit
# is checked every time, so that a source unpacked by an earlier recipe gets it too.
sed -i -E "s/^#define ($(IFS='|'; echo "${unused_capabilities[*]}"))\b/#undef  \1/" "$jpeg/jmorecfg.h"
for capability in "${unused_capabilities[@]}"; do
    grep -q "^#undef  *$capability\b" "$jpeg/jmorecfg.h" ||
        die "libjpeg-turbo's jmorecfg.h no longer names $capability: review the decoder's recipe"
done
toolchain=$root/cmake/toolchain-mingw.cmake
recipe="MinSizeRel, no SIMD, no arithmetic coding, baseline decoding only, function sections, system stdio, no unwind tables"
jpeg_c_flags="-ffunction-sections -fdata-sections -D__USE_MINGW_ANSI_STDIO=0 -fno-asynchronous-unwind-tables"
for arch in "${windows_archs[@]}"; do
    prefix=$deps/$arch work=$deps/build-$arch log=$deps/build-$arch.log
    want="$(basename "$jpeg") $(sha1sum "$toolchain" | cut -c1-12) $recipe"
    if [[ -f $prefix/.built-from && $(<"$prefix/.built-from") == "$want" && -f $prefix/lib/libjpeg.a ]]; then
        say "libjpeg-turbo $arch: up to date"
        continue
    fi
    say "building libjpeg-turbo for $arch ($recipe)"
    rm -rf "$work" "$prefix"
    { cmake -S "$jpeg" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DOSTREL_TARGET_ARCH="$arch" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF \
        -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_ARITH_DEC=OFF \
        -DWITH_ARITH_ENC=OFF -DCMAKE_C_FLAGS="$jpeg_c_flags" &&
        cmake --build "$work" --target jpeg-static -j2; } >"$log" 2>&1 ||
        die "libjpeg-turbo $arch failed to build, see $log"
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$work/libjpeg.a" "$prefix/lib/"
    cp "$work/jconfig.h" "$jpeg/jerror.h" "$jpeg/jmorecfg.h" "$jpeg/jpeglib.h" "$prefix/include/"
    echo "$want" >"$prefix/.built-from"
    say "libjpeg-turbo $arch: done"
done

bash "$root/scripts/wine32-qemu.sh"
