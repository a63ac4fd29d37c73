#!/usr/bin/env bash
# The Wine bench: runs COMMAND with everything a Windows program needs under Wine, kept away from
# the rest of the machine:
#:usage: scripts/winebench.sh [--prefix DIR] [--keep] [--display] [--win32] [--] COMMAND [ARG...]
# - a private network namespace (loopback only), so the UDP ports and the X display of one run
#   never meet another run's;
# - its own Xvfb (1024x768x24), started before any wineserver and reachable only inside the
#   namespace, or with --display the caller's $DISPLAY;
# - a fresh prefix DIR (default build/wineprefix) copied from a template made once
#   (build/wine-template; with --win32 build/wine-template-win32, a 32-bit prefix whose
#   programs run under qemu, see scripts/wine32.sh), with real fonts, and the user folders as
#   real folders, never links into a home folder; --keep reuses DIR as the last run left it;
# - HOME inside the prefix, a persistent wineserver and a warm-up program, so that what COMMAND
#   starts (through scripts/wine-run, as ctest does as the presets' emulator) neither pays the
#   start-up cost nor leaves Wine's services holding its pipes.
# On exit the wineserver is stopped and the Xvfb killed; the prefix stays until the next run on
# it. The exit status is COMMAND's.
set -euo pipefail
die_status=125
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"

prefix=$root/build/wineprefix own_display='' keep='' arch=win64
while (($#)); do
    case $1 in
        --prefix) (($# >= 2)) || usage; prefix=$2; shift 2 ;;
        --display) own_display=1; shift ;;
        --keep) keep=1; shift ;;
        --win32) arch=win32; shift ;;
        --) shift; break ;;
        -*) usage ;;
        *) break ;;
    esac
done
(($#)) || usage
template=$root/build/wine-template
[[ $arch == win64 ]] || template+=-win32
prefix=$(realpath -m -- "$prefix")
# The bench replaces its prefix on every run: only a folder of the build tree may be one.
case $prefix in
    "$root"/build/wine-template*) die "a template is not a working prefix" ;;
    "$root"/build/?*) ;;
    *) die "the prefix must lie inside $root/build, not $prefix" ;;
esac

# The bench itself (scripts/lib/winebench-inside.sh) runs in the namespace.
inside=("$root/scripts/lib/winebench-inside.sh" "$prefix" "$template" "$arch" "$keep"
    "$own_display" "$@")
if [[ -n ${OSTREL_BENCH_NETNS:-} ]]; then
    exec "$BASH" "${inside[@]}"
elif [[ -n $own_display && ${DISPLAY:-} != :* && ${DISPLAY:-} != unix:* ]]; then
    # A display reached over the network (ssh -X) cannot be reached from a private namespace:
    # share the machine's network this time.
    say "warning: DISPLAY=${DISPLAY:-} is not a local display: running without a private network"
    OSTREL_BENCH_NETNS=shared exec "$BASH" "${inside[@]}"
fi
unshare=(--net)
[[ $(id -u) == 0 ]] || unshare+=(--map-root-user)
OSTREL_BENCH_NETNS=private exec unshare "${unshare[@]}" -- "$BASH" "${inside[@]}"
