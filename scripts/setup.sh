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

# apt-get with its own sources, lists and cache in $deps/NAME, so that fetching a package
# leaves the machine's apt configuration and state as they were. NAME's sources are made once by
# the function sources_NAME.
private_apt() {
    local apt=$deps/$1
    shift
    if [[ ! -d $apt/parts ]]; then
        mkdir -p "$apt/parts.new" "$apt/lists/partial" "$apt/cache/archives/partial"
        "sources_${apt##*/}" "$apt/parts.new"
        mv "$apt/parts.new" "$apt/parts"
    fi
    apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts" \
        -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" \
        -o APT::Sandbox::User=root "$@" </dev/null
}

# deb-src of the machine's own archives.
sources_apt() {
    local parts=$1 found=
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >"$parts/debian.sources"
        found=1
    fi
    if [[ -f /etc/apt/sources.list ]] && grep -q '^deb ' /etc/apt/sources.list; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$parts/debian.list"
        found=1
    fi
    [[ -n $found ]] || die "no Debian archive found in /etc/apt to take source packages from"
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
            private_apt apt update
            private_apt apt source --download-only "libjpeg-turbo=$version" ||
                private_apt apt source --download-only libjpeg-turbo
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

# --- qemu-i386 for machines that run no 32-bit programs ------------------------------------

# Where the kernel runs no 32-bit programs, Wine's 32-bit loader can still run under user-mode
# qemu: qemu-i386 of the release's backports (bookworm's own qemu 7.2 fails to map Wine's
# shared user data; 10 runs it). Only that one static program is unpacked into $deps/qemu.
#
# Wine starts every further process (its services, wineboot, the programs a program starts) by
# executing the wine-preloader beside the loader it finds through /proc/self/exe, which under
# qemu is the loader itself. So the loader is copied into a folder of its own, $deps/qemu/wine,
# beside a wine-preloader that starts the next loader under qemu, and with links to Wine's
# 32-bit libraries and data where the loader looks for them relative to itself.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

# The machine's own mirror of the Debian archive (the first that carries its release).
debian_mirror() {
    local mirror=
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        mirror=$(awk -v release="$codename" 'BEGIN { RS = "" }
            {
                uris = ""; found = 0
                n = split($0, lines, "\n")
                for (i = 1; i <= n; i++) {
                    if (lines[i] ~ /^URIs:/) { split(lines[i], words, " "); uris = words[2] }
                    if (lines[i] ~ /^Suites:/) {
                        m = split(lines[i], words, " ")
                        for (j = 2; j <= m; j++) if (words[j] == release) found = 1
                    }
                }
                if (found && uris != "") { print uris; exit }
            }' /etc/apt/sources.list.d/debian.sources)
    fi
    if [[ -z $mirror && -f /etc/apt/sources.list ]]; then
        mirror=$(sed -n "s/^deb \(\[[^]]*\] \)\?\([^ ]*\) $codename .*/\2/p" /etc/apt/sources.list |
            head -1)
    fi
    echo "${mirror:-http://deb.debian.org/debian}"
}

sources_backports() {
    cat >"$1/backports.sources" <<EOF
Types: deb
URIs: $(debian_mirror)
Suites: $codename-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# The qemu route, made anew; says on stderr why it could not be made.
make_qemu_route() {
    local download=$deps/qemu-download qemu=$deps/qemu
    rm -rf "$download" "$qemu"
    mkdir -p "$download"
    (
        cd "$download"
        private_apt backports update &&
            private_apt backports download "qemu-user/$codename-backports"
    ) >"$deps/qemu-fetch.log" 2>&1 || {
        echo "could not fetch qemu-user from $codename-backports, see $deps/qemu-fetch.log" >&2
        return 1
    }
    mkdir -p "$qemu"
    dpkg-deb --fsys-tarfile "$download"/qemu-user_*.deb | tar -x -C "$qemu" ./usr/bin/qemu-i386 || {
        echo "the qemu-user package holds no usr/bin/qemu-i386" >&2
        return 1
    }
    rm -rf "$download"

    local wine=$qemu/wine
    mkdir -p "$wine/lib/wine" "$wine/share"
    cp "$wine32_loader" "$wine32_qemu_loader"
    ln -s /usr/lib/wine/wineserver "$wine/lib/wine/wineserver"
    ln -s /usr/lib/i386-linux-gnu "$wine/lib/i386-linux-gnu"
    ln -s /usr/share/wine "$wine/share/wine"
    cat >"$wine32_qemu_preloader" <<EOF
#!/bin/sh
# Started by Wine as: wine-preloader LOADER ARG...; runs LOADER under qemu.
export WINELOADERNOEXEC=1
loader=\$1
shift
exec "$wine32_qemu" -L / "\$loader" "\$@"
EOF
    chmod +x "$wine32_qemu_preloader"
    wine32_qemu_runs || {
        echo "Wine's 32-bit loader does not start under $("$wine32_qemu" --version 2>&1 | head -1)" >&2
        return 1
    }
}

# Made only where the 32-bit loader does not run as it is (or OSTREL_WITHOUT_32BIT=1 says so).
# When it cannot be made, the reason is kept for the scripts that would use it, and the 32-bit
# Wine tests are reported as skipped: setup itself goes on.
prepare_qemu_route() {
    # shellcheck source=scripts/wine32.sh
    source "$root/scripts/wine32.sh"
    wine32_route
    case $wine32_how in
        native) return ;;
        qemu)
            if cmp -s "$wine32_loader" "$wine32_qemu_loader"; then
                say "qemu-i386 for Wine's 32-bit loader: up to date"
                return
            fi
            ;;
    esac
    say "Wine's 32-bit loader cannot run as it is (${wine32_why%%;*}): fetching qemu-i386"
    rm -f "$wine32_qemu_failure"
    local failure
    if failure=$(make_qemu_route 2>&1); then
        say "qemu-i386 for Wine's 32-bit loader: done"
    else
        echo "${failure:-the qemu route failed}" | tail -1 >"$wine32_qemu_failure"
        say "warning: $(<"$wine32_qemu_failure"); the 32-bit Wine tests will be skipped"
    fi
}

install_packages
jpeg_src=$(jpeg_source)
build_jpeg i686 "$jpeg_src"
build_jpeg x86_64 "$jpeg_src"
prepare_qemu_route
