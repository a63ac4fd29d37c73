# How this machine runs 32-bit Windows programs. Sourced by the scripts that run Wine; the one
# place that decides it.
#
# Some machines run no 32-bit Linux programs at all (their kernel has 32-bit emulation switched
# off), and so not Wine's 32-bit loader either. The answer is found by trying that loader, never
# from the machine's name:
#   native  Wine's 32-bit loader runs as it is;
#   qemu    it runs under user-mode qemu (qemu-i386 that scripts/setup.sh fetched into the build
#           tree), in a 32-bit prefix of its own; several times slower;
#   none    it cannot run here: 32-bit programs are reported as skipped, with the reason.
#
# OSTREL_WITHOUT_32BIT=1 makes a machine that does run 32-bit programs take the other path, as
# one without would.
#
# wine32_route sets wine32_how (native, qemu or none) and wine32_why (why it is not native, one
# line). It asks afresh each time (a few milliseconds), so that a script that sets the switch for
# what it starts gets its answer. The variables below name the pieces of the qemu route.

wine32_loader=/usr/lib/wine/wine
wine32_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine32_deps=${OSTREL_DEPS:-$wine32_root/build/deps}
# qemu-i386 as unpacked from Debian's package, and a copy of Wine's 32-bit loader in a folder
# of its own (see scripts/setup.sh for why it needs one).
wine32_qemu=$wine32_deps/qemu/usr/bin/qemu-i386
wine32_qemu_loader=$wine32_deps/qemu/wine/lib/wine/wine
wine32_qemu_preloader=$wine32_deps/qemu/wine/lib/wine/wine-preloader
# Written by scripts/setup.sh when it could not make the qemu route: its reason, one line.
wine32_qemu_failure=$wine32_deps/qemu.failed

wine32_route() {
    local why= route=
    if [[ ${OSTREL_WITHOUT_32BIT:-0} == 1 ]]; then
        why="OSTREL_WITHOUT_32BIT=1 is set"
    elif [[ ! -x $wine32_loader ]]; then
        why="Wine's 32-bit loader $wine32_loader is not installed (scripts/setup.sh installs it)"
    elif "$wine32_loader" --version >/dev/null 2>&1; then
        route=native
    else
        why="this machine runs no 32-bit programs: $("$wine32_loader" --version 2>&1 | head -1)"
    fi
    if [[ -z $route ]]; then
        if wine32_qemu_runs; then
            route=qemu
        elif [[ -s $wine32_qemu_failure ]]; then
            route=none why="$why; $(head -1 "$wine32_qemu_failure")"
        else
            route=none why="$why; qemu-i386 is not in ${wine32_qemu%/usr/bin/*} (scripts/setup.sh fetches it)"
        fi
    fi
    wine32_how=$route wine32_why=$why
}

# Whether Wine's 32-bit loader starts under the fetched qemu-i386.
wine32_qemu_runs() {
    [[ -x $wine32_qemu && -x $wine32_qemu_loader && -x $wine32_qemu_preloader ]] &&
        "$wine32_qemu" -L / "$wine32_qemu_loader" --version >/dev/null 2>&1
}
