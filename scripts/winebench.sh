#!/usr/bin/env bash
# The Wine bench: runs one command with everything a Windows program needs under Wine, kept
# away from the rest of the machine.
#
#   scripts/winebench.sh [--prefix DIR] [--keep] [--display] [--win32] [--] COMMAND [ARG...]
#
# - a private network namespace (loopback only), so the UDP ports and the X display of one run
#   never meet those of another run on the same machine;
# - one Xvfb (1024x768x24) started inside it before any wineserver, listening only on the
#   namespace's own abstract socket, or with --display the caller's own $DISPLAY (programs
#   then show up on the caller's screen);
# - a fresh Wine prefix DIR (default build/wineprefix), copied from a template made once in
#   build/wine-template, with real fonts and with the user folders (Desktop, Documents, ...)
#   as real folders inside the prefix, never links into a home folder; --keep reuses the
#   prefix DIR as the last run left it, to look into it or go on from there;
# - with --win32 a 32-bit prefix instead (from its own template, build/wine-template-win32)
#   whose programs run under qemu: the way 32-bit programs run on a machine whose kernel runs
#   none (scripts/wine32.sh); such a prefix runs no 64-bit programs;
# - HOME inside the prefix, a persistent wineserver and a warm-up program, so the programs
#   COMMAND starts neither pay the start-up cost nor leave Wine's services holding its pipes.
# COMMAND runs programs with scripts/wine-run (ctest does so through the presets' emulator).
# On exit the prefix's wineserver is stopped and the Xvfb that was started is killed; the
# prefix stays for inspection until the next run on it. The exit status is COMMAND's.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/wine32.sh
source "$root/scripts/wine32.sh"
wine64=/usr/lib/wine/wine64
overrides="mscoree,mshtml=;winemenubuilder.exe=d"

say() { printf 'winebench: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 125; }
usage() { sed -n '5p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2; exit 125; }

prefix=$root/build/wineprefix
own_display=
keep=
win32=
args=("$@")
while (($#)); do
    case $1 in
        --prefix) (($# >= 2)) || usage; prefix=$2; shift 2 ;;
        --display) own_display=1; shift ;;
        --keep) keep=1; shift ;;
        --win32) win32=1; shift ;;
        --) shift; break ;;
        -*) usage ;;
        *) break ;;
    esac
done
(($#)) || usage
if [[ -n $win32 ]]; then
    template=$root/build/wine-template-win32
else
    template=$root/build/wine-template
fi
prefix=$(realpath -m -- "$prefix")
# The bench replaces its prefix on every run: only a folder of the build tree may be one.
case $prefix in
    "$root"/build/wine-template*) die "a template is not a working prefix" ;;
    "$root"/build/?*) ;;
    *) die "the prefix must lie inside $root/build, not $prefix" ;;
esac

# --- the private network namespace -------------------------------------------------------

if [[ -z ${OSTREL_BENCH_NETNS:-} ]]; then
    if [[ -n $own_display && ${DISPLAY:-} != :* && ${DISPLAY:-} != unix:* ]]; then
        # A display reached over the network (ssh -X) is not reachable from a private
        # namespace: share the machine's network this time.
        say "warning: DISPLAY=${DISPLAY:-} is not a local display: running without a private network"
        export OSTREL_BENCH_NETNS=shared
    else
        unshare_options=(--net)
        [[ $(id -u) == 0 ]] || unshare_options+=(--map-root-user)
        OSTREL_BENCH_NETNS=private exec unshare "${unshare_options[@]}" -- "$BASH" "$0" "${args[@]}"
    fi
fi
if [[ $OSTREL_BENCH_NETNS == private ]]; then
    ip link set lo up
fi

# --- clean-up of what this run started -----------------------------------------------------

xvfb_pid=
server_prefix=
state=$(mktemp -d "${TMPDIR:-/tmp}/winebench.XXXXXX")

# shellcheck disable=SC2317 # reached through the traps
stop_wineserver() {
    [[ -n $server_prefix ]] || return 0
    WINEPREFIX=$server_prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$server_prefix wineserver -w 2>/dev/null || true
    server_prefix=
}

# shellcheck disable=SC2317
cleanup() {
    set +e
    stop_wineserver
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the display ---------------------------------------------------------------------------

start_xvfb() {
    local log=$state/xvfb.log
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$state/display" >"$log" 2>&1 &
    xvfb_pid=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        [[ -s $state/display ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(tail -3 "$log")"
        sleep 0.1
    done
    [[ -s $state/display ]] || die "Xvfb gave no display number within 10 s"
    DISPLAY=:$(head -1 "$state/display")
    export DISPLAY
}

if [[ -n $own_display ]]; then
    [[ -n ${DISPLAY:-} ]] || die "--display needs DISPLAY to be set"
    export XAUTHORITY=${XAUTHORITY:-$HOME/.Xauthority}
else
    start_xvfb
fi

# --- the prefix ----------------------------------------------------------------------------

[[ -x $wine64 && -x $wine32_loader ]] ||
    die "Wine is incomplete (need wine64 and wine32:i386): run scripts/setup.sh"
wine32_route
if [[ -n $win32 ]]; then
    [[ $wine32_how == qemu ]] ||
        die "--win32 runs 32-bit programs under qemu, which is not to be had here: $wine32_why"
    arch=win32
else
    arch=win64
fi

# Runs one of Wine's own programs in the bench's prefix, with the loader of its kind.
bench_wine() {
    if [[ $arch == win32 ]]; then
        "$wine32_qemu_preloader" "$wine32_qemu_loader" "$@"
    else
        "$wine64" "$@"
    fi
}

# The template is made anew when Wine or the way it is made changes.
template_revision=2
wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || "$wine64" --version)
wine_version="$wine_version template-$template_revision $arch"
template_marker=$template/.ostrel-template

# The environment every Wine process of the bench shares: nothing outside the build tree.
use_prefix() {
    export WINEPREFIX=$1 HOME=$1/home WINEDEBUG=-all WINEDLLOVERRIDES=$overrides
    unset WINEARCH XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_DESKTOP_DIR
    mkdir -p "$HOME"
}

# Folders that wineboot links to the Linux home folder (Desktop, Documents, ...) become real
# folders of the prefix: what a program saves there stays in the prefix.
unlink_user_folders() {
    local link
    while IFS= read -r -d '' link; do
        rm "$link"
        mkdir -p "$link"
    done < <(find "$1/drive_c/users" -type l -print0)
}

create_template() {
    say "creating the Wine prefix template in $template (about 20 s, under qemu longer)"
    local started=$SECONDS
    rm -rf "$template"
    mkdir -p "$template"
    use_prefix "$template"
    server_prefix=$template
    local log=$template.log
    WINEARCH=$arch bench_wine wineboot -i >"$log" 2>&1 {template_lock}>&- ||
        die "wineboot failed, see $log"
    unlink_user_folders "$template"
    # Wine's own MS Sans Serif, MS Shell Dlg, ... instead of a DejaVu stand-in.
    cp /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
    # Without a window manager, Wine waits up to 2 s for one on every framed window it
    # destroys; windows it does not hand to a manager close at once.
    bench_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >>"$log" 2>&1 {template_lock}>&- || die "cannot configure the template, see $log"
    WINEPREFIX=$template wineserver -w
    server_prefix=
    [[ -f $template/system.reg ]] || die "wineboot made no registry in $template"
    echo "$wine_version" >"$template_marker"
    say "template ready in $((SECONDS - started)) s"
}

ensure_template() {
    exec {template_lock}>"$template.lock"
    flock "$template_lock"
    if [[ ! -f $template_marker || $(<"$template_marker") != "$wine_version" ]]; then
        create_template
    fi
    exec {template_lock}>&-
}

# A working prefix is a copy of the template: the system folders as hard links (Wine never
# writes them), everything else (registry, user folders, fonts, ini files) as real copies.
copy_template() {
    local work=$1 fresh=$1.new
    [[ ! -e $work || -f $work/.ostrel-bench ]] ||
        die "refusing to replace $work: it is not a prefix made by this bench"
    rm -rf "$fresh"
    cp -a --link "$template" "$fresh"
    find "$fresh" -type f \
        -not -path "$fresh/drive_c/windows/system32/*" \
        -not -path "$fresh/drive_c/windows/syswow64/*" \
        -not -path "$fresh/drive_c/windows/winsxs/*" \
        -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
    mv "$fresh/.ostrel-template" "$fresh/.ostrel-bench"
    if [[ -d $work ]]; then
        # A server left behind by a run that was killed outright.
        WINEPREFIX=$work wineserver -k 2>/dev/null || true
        rm -rf "$work"
    fi
    mv "$fresh" "$work"
}

mkdir -p "$root/build"
ensure_template
exec {prefix_lock}>"$prefix.lock"
if ! flock -n "$prefix_lock"; then
    say "waiting for another bench that uses $prefix"
    flock "$prefix_lock"
fi
# A kept prefix must be of this bench's kind (and Wine's version): else it is made afresh.
if [[ -n $keep && -f $prefix/.ostrel-bench && $(<"$prefix/.ostrel-bench") == "$wine_version" ]]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
else
    copy_template "$prefix"
fi
use_prefix "$prefix"
# scripts/wine-run takes the loader by the prefix's kind.
export OSTREL_WINE_BENCH=$prefix OSTREL_WINE_BENCH_ARCH=$arch

# --- the wineserver and its services ---------------------------------------------------------

server_prefix=$prefix
# Nothing started from here on inherits the lock: a leftover process must not hold it.
wineserver -p >>"$prefix/wineserver.log" 2>&1 {prefix_lock}>&-
# The first program starts Wine's services and, by making a window, the desktop process; each
# loader that can run here loads its own half of Wine once.
warm_up() {
    "$@" rundll32.exe user32.dll,GetDesktopWindow >>"$prefix/wineserver.log" 2>&1 {prefix_lock}>&-
}
if [[ $arch == win64 && $wine32_how == native ]]; then
    warm_up "$wine32_loader" || die "the 32-bit warm-up program failed, see $prefix/wineserver.log"
fi
warm_up bench_wine || die "the $arch warm-up program failed, see $prefix/wineserver.log"

status=0
"$@" {prefix_lock}>&- || status=$?
exit "$status"
