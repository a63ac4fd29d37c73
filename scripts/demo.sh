#!/usr/bin/env bash
# Shows the launcher at work, as a user would meet it: builds the win32 release, lays out an
# installation in a sandbox Wine prefix (build/demo/wineprefix) with a stand-in Java runtime
# registered where the launcher looks for one, starts ostrel.exe from its installation folder,
# takes a screenshot a few seconds in and reports what the run did.
#
# On a machine that runs no 32-bit programs (or with OSTREL_WITHOUT_32BIT=1; scripts/wine32.sh)
# it shows the x86_64 build with the 64-bit stand-ins instead, installed where Windows puts
# 64-bit programs, and says so.
#
#   scripts/demo.sh [--display] [--shot-after SECONDS]
#
# --display    show the windows on your own $DISPLAY instead of a private Xvfb
# --shot-after when to take the screenshot (default 4 s after the start)
#
# The exit status is ostrel.exe's, or 124 when it was still running after 90 s and was stopped.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demo=$root/build/demo
sandbox=$demo/wineprefix
java_key='HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.4'
run_limit=90

say() { printf 'demo: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

display_option=()
shot_after=4
on_bench=
while (($#)); do
    case $1 in
        --display) display_option=(--display); shift ;;
        --shot-after) (($# >= 2)) || die "--shot-after needs a number of seconds"; shot_after=$2; shift 2 ;;
        --on-bench) on_bench=1; shift ;;
        *) sed -n '11,14p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2; exit 1 ;;
    esac
done
[[ $shot_after =~ ^[0-9]+$ ]] || die "--shot-after needs a whole number of seconds"

# --- before the bench: build what the installation holds -----------------------------------

# The build shown, where the installation and the runtime go (as Windows paths under the
# sandbox's C: drive), and the pieces of an installation and of the runtime as the build lays
# them out: set by choose_build, once setup has run and the route is known.
preset='' arch='' bin='' install_dir='' java_home='' registry_view=''
launcher='' watcher='' ombrix='' standin_jre=''
choose_build() {
    # shellcheck source=scripts/wine32.sh
    source "$root/scripts/wine32.sh"
    wine32_route
    if [[ $wine32_how == native ]]; then
        preset=win32 arch=i686 registry_view=/reg:32
        install_dir='C:\Program Files (x86)\Ostrel'
        java_home='C:\Program Files (x86)\Java\jre1.4'
    else
        preset=win64 arch=x86_64 registry_view=/reg:64
        install_dir='C:\Program Files\Ostrel'
        java_home='C:\Program Files\Java\jre1.4'
    fi
    bin=$root/build/$preset/bin
    launcher=$bin/ostrel.exe
    watcher=$bin/ostrel_watch.exe
    ombrix=$bin/Ombrix.dll
    standin_jre=$bin/standins/jre
}

build_pieces() {
    mkdir -p "$demo"
    local log=$demo/build.log
    bash "$root/scripts/setup.sh"
    choose_build
    if [[ $preset != win32 ]]; then
        say "showing the x86_64 build, not the 32-bit release build: $wine32_why"
    fi
    say "building the $preset release (log: $log)"
    { cmake --preset $preset && cmake --build --preset $preset --target ostrel ostrel_watch -j2; } \
        >"$log" 2>&1 ||
        { tail -20 "$log" >&2; die "the $preset build of ostrel.exe failed, see $log"; }
    # Every target of the stand-ins folder: the runtime's programs and Ombrix.dll.
    if [[ -f $root/build/$preset/standins/Makefile ]]; then
        make -C "$root/build/$preset/standins" -j2 >>"$log" 2>&1 ||
            { tail -20 "$log" >&2; die "the stand-ins failed to build, see $log"; }
    fi
}

missing_pieces() {
    local piece
    for piece in "$launcher" "$watcher" "$ombrix" "$standin_jre/bin/javaw.exe" "$standin_jre/bin/java.exe"; do
        [[ -f $piece ]] || echo "  ${piece#"$root"/}"
    done
}

if [[ -z $on_bench ]]; then
    build_pieces
    missing=$(missing_pieces)
    if [[ -n $missing ]]; then
        printf '%s\n' "$missing" >&2
        die "the build did not make the pieces above"
    fi
    exec "$root/scripts/winebench.sh" --prefix "$sandbox" "${display_option[@]}" -- \
        "$BASH" "${BASH_SOURCE[0]}" --on-bench --shot-after "$shot_after"
fi

# --- on the bench: lay out, run, report --------------------------------------------------------

[[ -n ${OSTREL_WINE_BENCH:-} ]] || die "--on-bench is for the demo's own use on the Wine bench"
choose_build

# unix_path 'C:\A\B' -> the folder inside the sandbox prefix
unix_path() {
    local path=${1#C:\\}
    echo "$WINEPREFIX/drive_c/${path//\\//}"
}

install_unix=$(unix_path "$install_dir")
java_unix=$(unix_path "$java_home")
desktop_unix=$WINEPREFIX/drive_c/users/$(id -un)/Desktop
[[ -d $desktop_unix ]] || desktop_unix=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 \
    -name Desktop -not -path '*/Public/*' | head -1)
screenshot=$demo/screenshot.png
launcher_output=$demo/ostrel.out

lay_out() {
    mkdir -p "$install_unix/LIB" "$java_unix"
    cp "$launcher" "$ombrix" "$install_unix/"
    cp "$root/app/res/ostrel.ico" "$install_unix/Icon.ico"
    echo "Stand-in for the Corvex class archive; the stand-in runtime does not read it." \
        >"$install_unix/LIB/Corvex.jar"
    # The runtime's programs only: records that tests left beside them in the build stay there.
    mkdir -p "$java_unix/bin"
    cp "$standin_jre/bin/"*.exe "$java_unix/bin/"
    # A 32-bit launcher reads the 32-bit view of the registry, as on a real 64-bit Windows; a
    # 64-bit one the 64-bit view.
    local name data
    while IFS='=' read -r name data; do
        "$root/scripts/wine-run" "$arch" reg add "$java_key" \
            /v "$name" /t REG_SZ /d "$data" /f "$registry_view" >/dev/null ||
            die "could not register the stand-in runtime ($name)"
    done <<EOF
JavaHome=$java_home
RuntimeLib=$java_home\\bin\\client\\jvm.dll
MicroVersion=2
EOF
}

# The watcher read the launcher's log (its main window's Memo1) until the launcher ended; the
# stand-in runtime recorded its start and the wake-up datagrams it received.
print_launcher_log() {
    cat "$launcher_output"
    echo "--- what the stand-in runtime recorded"
    local found='' file
    while IFS= read -r -d '' file; do
        found=1
        echo "$file:"
        sed 's/^/    /' "$file"
    done < <(find "$java_unix" "$install_unix" -type f -newer "$run_marker" \
        \( -iname '*record*' -o -iname '*.log' -o -iname '*.txt' \) -print0)
    [[ -n $found ]] || echo "(no record file found under $java_unix or $install_unix)"
}

# Every file the run created or changed on C: (Windows' own folders aside), with the text of
# small text files such as the start script.
print_changes() {
    echo "--- files the run created or changed"
    local file
    while IFS= read -r -d '' file; do
        printf '%8d  %s\n' "$(stat -c %s "$file")" "$file"
        if (($(stat -c %s "$file") <= 4096)) && grep -Iq . "$file"; then
            sed 's/^/          | /' "$file"
        fi
    done < <(find "$WINEPREFIX/drive_c" -path "$WINEPREFIX/drive_c/windows" -prune -o \
        -type f -newer "$run_marker" -print0)
}

lay_out
run_marker=$demo/.run-started
touch "$run_marker"

# The stand-in Corvex shows its frame 3 s after its start and answers the fifth wake-up datagram
# (the third send): the screenshot catches the picture box and the Corvex window together.
export OSTREL_CORVEX_WINDOWS='SunAwtFrame:Corvex' OSTREL_CORVEX_DELAY_MS=3000
export OSTREL_CORVEX_ANSWER_AFTER=5 OSTREL_CORVEX_LIFETIME_MS=$((run_limit * 1000))
cp "$watcher" "$demo/ostrel_watch.exe"
say "starting ostrel.exe in $install_dir (display $DISPLAY)"
(cd "$install_unix" && exec "$root/scripts/wine-run" "$arch" "$demo/ostrel_watch.exe" \
    "$install_dir\ostrel.exe" "$install_dir" "$run_limit") >"$launcher_output" 2>&1 &
launcher_pid=$!

for ((waited = 0; waited < shot_after; waited++)); do
    kill -0 "$launcher_pid" 2>/dev/null || break
    sleep 1
done
if import -window root "$screenshot" 2>/dev/null; then
    shot_note=$screenshot
else
    shot_note="(screenshot failed)"
fi

exit_code=
for (( ; waited < run_limit; waited++)); do
    if ! kill -0 "$launcher_pid" 2>/dev/null; then
        break
    fi
    sleep 1
done
if kill -0 "$launcher_pid" 2>/dev/null; then
    say "ostrel.exe still running after $run_limit s: stopping it"
    kill "$launcher_pid" 2>/dev/null || true
    wait "$launcher_pid" 2>/dev/null || true
    exit_code=124
    exit_note="none: still running after $run_limit s, stopped"
else
    wait "$launcher_pid" && exit_code=0 || exit_code=$?
    exit_note="$exit_code (after about $waited s)"
fi

echo
echo "=== ostrel.exe exit code: $exit_note"
print_launcher_log
print_changes
echo "--- where everything is"
echo "build shown:        $preset ($bin)"
echo "sandbox prefix:     $WINEPREFIX"
echo "installation:       $install_unix  ($install_dir)"
echo "stand-in runtime:   $java_unix  ($java_home, registered as $java_key)"
echo "desktop folder:     $desktop_unix"
echo "screenshot:         $shot_note"
echo "launcher's output:  $launcher_output"
echo "look around again:  scripts/winebench.sh --prefix build/demo/wineprefix --keep bash"
exit "$exit_code"
