#!/usr/bin/env bash
# The Wine bench inside its network namespace (see scripts/winebench.sh, which starts it):
#   winebench-inside.sh PREFIX TEMPLATE ARCH KEEP OWN-DISPLAY COMMAND [ARG...]
set -euo pipefail
me=winebench die_status=125
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wine32.sh"
prefix=$1 template=$2 arch=$3 keep=$4 own_display=$5
shift 5
[[ $OSTREL_BENCH_NETNS != private ]] || ip link set lo up

xvfb_pid='' server_prefix=''
state=$(mktemp -d "${TMPDIR:-/tmp}/winebench.XXXXXX")
# shellcheck disable=SC2317 # reached through the traps
cleanup() {
    set +e
    [[ -z $server_prefix ]] || WINEPREFIX=$server_prefix wineserver -k 2>/dev/null
    [[ -z $server_prefix ]] || WINEPREFIX=$server_prefix wineserver -w 2>/dev/null
    [[ -z $xvfb_pid ]] || { kill "$xvfb_pid"; wait "$xvfb_pid"; } 2>/dev/null
    rm -rf "$state"
}
trap cleanup EXIT
# shellcheck disable=SC2064 # each trap's status is the loop's
for signal in HUP:129 INT:130 TERM:143; do trap "exit ${signal#*:}" "${signal%:*}"; done

if [[ -n $own_display ]]; then
    [[ -n ${DISPLAY:-} ]] || die "--display needs DISPLAY to be set"
    export XAUTHORITY=${XAUTHORITY:-$HOME/.Xauthority}
else
    # It writes its display's number once it is ready, and nothing more.
    exec {xvfb_out}< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -nolisten unix \
        2>"$state/xvfb.log")
    xvfb_pid=$!
    read -r -t 10 -u "$xvfb_out" display ||
        die "Xvfb gave no display number within 10 s: $(tail -3 "$state/xvfb.log")"
    exec {xvfb_out}<&-
    export DISPLAY=:$display
fi

[[ -x $wine64 && -x $wine32_loader ]] ||
    die "Wine is incomplete (need wine64 and wine32:i386): run scripts/setup.sh"
wine32_route
[[ $arch == win64 || $wine32_how == qemu ]] ||
    die "--win32 runs 32-bit programs under qemu, which is not to be had here: $wine32_why"
# One of Wine's own programs in the bench's prefix, with the loader of its kind.
bench_wine() { if [[ $arch == win32 ]]; then "${wine32_qemu_wine[@]}" "$@"; else "$wine64" "$@"; fi; }
# The template is made anew when Wine or the way it is made changes.
wine_version="$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || "$wine64" --version) template-2 $arch"
# Every Wine process of the bench shares this environment: nothing outside the build tree.
use_prefix() {
    wine_env "$1"
    export HOME=$1/home
    unset WINEARCH XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_DESKTOP_DIR
    mkdir -p "$HOME"
}

mkdir -p "$root/build"
exec {template_lock}>"$template.lock"
flock "$template_lock"
if [[ ! -f $template/.ostrel-template || $(<"$template/.ostrel-template") != "$wine_version" ]]; then
    say "creating the Wine prefix template in $template (about 20 s, under qemu longer)"
    started=$SECONDS log=$template.log
    rm -rf "$template"
    mkdir -p "$template"
    use_prefix "$template"
    server_prefix=$template
    WINEARCH=$arch bench_wine wineboot -i >"$log" 2>&1 {template_lock}>&- || die "wineboot failed, see $log"
    # wineboot links Desktop, Documents, ... to the Linux home: real folders keep what a program
    # saves there inside the prefix.
    find "$template/drive_c/users" -type l -exec sh -c 'for l; do rm "$l" && mkdir "$l"; done' sh {} +
    # Wine's own MS Sans Serif, MS Shell Dlg, ... instead of a DejaVu stand-in.
    cp /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
    # Without a window manager, Wine waits up to 2 s for one on every framed window it destroys;
    # windows it does not hand to a manager close at once.
    bench_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >>"$log" 2>&1 {template_lock}>&- || die "cannot configure the template, see $log"
    WINEPREFIX=$template wineserver -w
    server_prefix=''
    [[ -f $template/system.reg ]] || die "wineboot made no registry in $template"
    echo "$wine_version" >"$template/.ostrel-template"
    say "template ready in $((SECONDS - started)) s"
fi
exec {template_lock}>&-

mkdir -p "$(dirname "$prefix")"
exec {prefix_lock}>"$prefix.lock"
if ! flock -n "$prefix_lock"; then
    say "waiting for another bench that uses $prefix"
    flock "$prefix_lock"
fi
if [[ -n $keep && -f $prefix/.ostrel-bench && $(<"$prefix/.ostrel-bench") == "$wine_version" ]]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
else
    # A copy of the template: the system folders as hard links (Wine never writes them),
    # everything else (registry, user folders, fonts, ini files) as real copies.
    [[ ! -e $prefix || -f $prefix/.ostrel-bench ]] ||
        die "refusing to replace $prefix: it is not a prefix made by this bench"
    rm -rf "$prefix.new"
    cp -a --link "$template" "$prefix.new"
    find "$prefix.new" -type f -not -path '*/drive_c/windows/system32/*' \
        -not -path '*/drive_c/windows/syswow64/*' -not -path '*/drive_c/windows/winsxs/*' \
        -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
    mv "$prefix.new/.ostrel-template" "$prefix.new/.ostrel-bench"
    if [[ -d $prefix ]]; then
        # A server left behind by a run that was killed outright.
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        rm -rf "$prefix"
    fi
    mv "$prefix.new" "$prefix"
fi
use_prefix "$prefix"
# scripts/wine-run takes the loader by the prefix's kind.
export OSTREL_WINE_BENCH=$prefix OSTREL_WINE_BENCH_ARCH=$arch

server_prefix=$prefix
# Nothing started from here on inherits the lock: a leftover process must not hold it.
wineserver -p >>"$prefix/wineserver.log" 2>&1 {prefix_lock}>&-
# The first program starts Wine's services and, by making a window, the desktop process; each
# loader that can run here loads its own half of Wine once.
warm_up() { "$@" rundll32.exe user32.dll,GetDesktopWindow >>"$prefix/wineserver.log" 2>&1 {prefix_lock}>&-; }
if [[ $arch == win64 && $wine32_how == native ]]; then
    warm_up "$wine32_loader" || die "the 32-bit warm-up program failed, see $prefix/wineserver.log"
fi
warm_up bench_wine || die "the $arch warm-up program failed, see $prefix/wineserver.log"

status=0
"$@" {prefix_lock}>&- || status=$?
exit "$status"
