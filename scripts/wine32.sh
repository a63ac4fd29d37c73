# shellcheck shell=bash disable=SC2034 # its variables are for the scripts that source it
# How this machine runs 32-bit Windows programs, the one place that decides it; sourced by the
# scripts that run Wine. Some machines run no 32-bit Linux programs at all (their kernel has
# 32-bit emulation switched off), and so not Wine's 32-bit loader either; the answer comes from
# trying that loader, never from the machine's name. wine32_route sets wine32_why (why not
# native, one line) and wine32_how:
#   native  Wine's 32-bit loader runs as it is;
#   qemu    it runs under user-mode qemu (scripts/wine32-qemu.sh), in a 32-bit prefix of its
#           own; several times slower;
#   none    it cannot run here: 32-bit programs are reported as skipped, with the reason.
# It asks afresh each time (a few milliseconds), so that a script that sets the switch
# OSTREL_WITHOUT_32BIT=1 (take the other path on a machine that runs 32-bit programs) for what
# it starts gets its answer.
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

wine32_loader=/usr/lib/wine/wine
# The qemu route's pieces (scripts/wine32-qemu.sh), and why it could not be made, one line.
wine32_qemu_dir=$deps/qemu
wine32_qemu=$wine32_qemu_dir/usr/bin/qemu-i386
wine32_qemu_loader=$wine32_qemu_dir/wine/lib/wine/wine
wine32_qemu_preloader=$wine32_qemu_dir/wine/lib/wine/wine-preloader
wine32_qemu_failure=$deps/qemu.failed

wine32_route() {
    local why='' route=''
    if [[ ${OSTREL_WITHOUT_32BIT:-0} == 1 ]]; then
        why="OSTREL_WITHOUT_32BIT=1 is set"
    elif [[ ! -x $wine32_loader ]]; then
        why="Wine's 32-bit loader $wine32_loader is not installed (scripts/setup.sh installs it)"
    elif "$wine32_loader" --version >/dev/null 2>&1; then
        route=native
    else
        why="this machine runs no 32-bit programs: $("$wine32_loader" --version 2>&1 | head -1 || true)"
    fi
    if [[ -z $route ]] && wine32_qemu_runs; then
        route=qemu
    elif [[ -z $route && -s $wine32_qemu_failure ]]; then
        route=none why="$why; $(head -1 "$wine32_qemu_failure")"
    elif [[ -z $route ]]; then
        route=none why="$why; qemu-i386 is not in $wine32_qemu_dir (scripts/setup.sh fetches it)"
    fi
    wine32_how=$route wine32_why=$why
}

# Whether Wine's 32-bit loader starts under the fetched qemu-i386.
wine32_qemu_runs() {
    [[ -x $wine32_qemu && -x $wine32_qemu_loader && -x $wine32_qemu_preloader ]] &&
        "$wine32_qemu" -L / "$wine32_qemu_loader" --version >/dev/null 2>&1
}
# How a program of a 32-bit prefix runs under qemu.
wine32_qemu_wine=("$wine32_qemu_preloader" "$wine32_qemu_loader")
