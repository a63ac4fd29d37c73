#!/usr/bin/env bash
# Where Wine's 32-bit loader cannot run as it is (scripts/wine32.sh decides), makes it run under
# user-mode qemu: qemu-i386 of the release's backports (bookworm's own qemu 7.2 fails to map
# Wine's shared user data; 10 runs it), fetched with private apt options; of its package only
# that one static program is unpacked, into build/deps/qemu. Run by scripts/setup.sh.
#
# Wine starts every further process (its services, wineboot, the programs a program starts) by
# executing the wine-preloader beside the loader it finds through /proc/self/exe, which under
# qemu is the loader itself. So the loader is copied into a folder of its own beside a
# wine-preloader that starts the next loader under qemu, with links to Wine's 32-bit libraries
# and data where the loader looks for them relative to itself.
set -euo pipefail
me=setup
# shellcheck source=scripts/lib/apt.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/apt.sh"
# shellcheck source=scripts/wine32.sh
source "$root/scripts/wine32.sh"

wine32_route
[[ $wine32_how != native ]] || exit 0
if [[ $wine32_how == qemu ]] && cmp -s "$wine32_loader" "$wine32_qemu_loader"; then
    say "qemu-i386 for Wine's 32-bit loader: up to date"
    exit 0
fi
say "Wine's 32-bit loader cannot run as it is (${wine32_why%%;*}): fetching qemu-i386"
# Without the route the scripts that would use it report the 32-bit tests as skipped, with the
# reason kept here: the set-up itself goes on.
fail() {
    echo "$*" >"$wine32_qemu_failure"
    say "warning: $*; the 32-bit Wine tests will be skipped"
    exit 0
}
download=$deps/qemu-download log=$deps/qemu-fetch.log wine=$wine32_qemu_dir/wine
rm -rf "$download" "$wine32_qemu_dir" "$wine32_qemu_failure"
mkdir -p "$download" "$wine/lib/wine" "$wine/share"
read -r mirror _ < <(machine_archives "$codename") || mirror=http://deb.debian.org/debian
echo "deb $mirror $codename-backports main" | private_sources backports
(cd "$download" && private_update backports &&
    private_apt backports download "qemu-user/$codename-backports") >"$log" 2>&1 ||
    fail "could not fetch qemu-user from $codename-backports, see $log"
dpkg-deb --fsys-tarfile "$download"/qemu-user_*.deb | tar -x -C "$wine32_qemu_dir" ./usr/bin/qemu-i386 ||
    fail "the qemu-user package holds no usr/bin/qemu-i386"
rm -rf "$download"
cp "$wine32_loader" "$wine32_qemu_loader"
ln -s /usr/lib/wine/wineserver "$wine/lib/wine/wineserver"
ln -s /usr/lib/i386-linux-gnu "$wine/lib/i386-linux-gnu"
ln -s /usr/share/wine "$wine/share/wine"
# Wine starts it as: wine-preloader LOADER ARG...
printf '#!/bin/sh\nexport WINELOADERNOEXEC=1\nexec "%s" -L / "$@"\n' "$wine32_qemu" \
    >"$wine32_qemu_preloader"
chmod +x "$wine32_qemu_preloader"
wine32_qemu_runs ||
    fail "Wine's 32-bit loader does not start under $("$wine32_qemu" --version 2>&1 | head -1)"
say "qemu-i386 for Wine's 32-bit loader: done"
