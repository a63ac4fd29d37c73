#!/usr/bin/env bash
# Shows the launcher at work, as a user would meet it: builds the win32 release, then on the
# Wine bench (scripts/lib/demo-on-bench.sh) lays out an installation in a sandbox prefix
# (build/demo/wineprefix) with a stand-in Java runtime registered as runtimes are (in the 32-bit
# registry view), starts ostrel.exe from its installation folder, takes a screenshot a few seconds in and
# reports what the run did. Where no 32-bit programs run (scripts/wine32.sh) it shows the x86_64
# build with the 64-bit stand-ins, installed where Windows puts 64-bit programs, and says so.
#: scripts/demo.sh [--display] [--shot-after SECONDS]
#:
#: --display    show the windows on your own $DISPLAY instead of a private Xvfb
#: --shot-after when to take the screenshot (default 4 s after the start)
# The exit status is ostrel.exe's, or 124 when it was still running after 90 s and was stopped.
set -euo pipefail
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"

display_option=() shot_after=4
while (($#)); do
    case $1 in
        --display) display_option=(--display); shift ;;
        --shot-after) (($# >= 2)) || die "--shot-after needs a number of seconds"; shot_after=$2; shift 2 ;;
        *) usage ;;
    esac
done
[[ $shot_after =~ ^[0-9]+$ ]] || die "--shot-after needs a whole number of seconds"

bash "$root/scripts/setup.sh"
wine32_route
if [[ $wine32_how == native ]]; then
    use_arch i686
else
    use_arch x86_64
    say "showing the x86_64 build, not the 32-bit release build: $wine32_why"
fi
log=$root/build/demo/build.log
mkdir -p "${log%/*}"
: >"$log"
say "building the $preset release (log: $log)"
build_preset "$log" "$preset" ostrel ostrel_watch Ombrix standin_javaw standin_java
exec "$root/scripts/winebench.sh" --prefix "$root/build/demo/wineprefix" "${display_option[@]}" -- \
    "$BASH" "$root/scripts/lib/demo-on-bench.sh" "$arch" "$shot_after"
