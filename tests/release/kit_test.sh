#!/usr/bin/env bash
# The test kits (scripts/kit.sh) end to end, made from this checkout's Windows builds, which the
# test command has just brought up to date. Each kit asked for is unpacked into a fresh folder and
# run as a user with Wine runs it on a machine of their own, not on the Wine bench: under a new
# prefix made for the run (nothing of the bench's template), on the machine's own network and a
# plain Xvfb, through the kit's own run-tests.cmd under Wine's cmd. The x86_64 kit is held as
# Windows Sandbox holds it: its folder, named as a second download of it is ("... (1)"), is
# mounted read-only in a mount namespace of its own (a write there is first shown to fail), and
# the display is set to 144 dots per inch (1536x1152); the i686 kit runs at 96 (1024x768). The
# kits run one after another: on the machine's own network two would meet on the kit's ports.
# Each kit must refuse without --on-this-machine and, with it, pass every program that ctest lists
# for the preset, with exit code 0: this run stands for ctest's run of the same programs. Also:
# its runner stops before any program where its results folder cannot be written (the read-only
# kit's own), and reports a program that leaves a stand-in running as failed, ending it; the
# Mark of the Web comes off before the .wsb is written (read: Wine keeps no streams); the .wsb
# written for a folder with a blank and a letter beyond ASCII in its path is compared with the
# configuration it should be (Windows Sandbox itself cannot run here), and where the sandbox is
# missing the script says how to turn it on and writes nothing. The lines starting with "kit
# test: passed:" are for the test command's summary.
#: tests/release/kit_test.sh ARCH=SLOW [ARCH=SLOW]   e.g. i686=1 x86_64=0
#: ARCH is i686 or x86_64; SLOW is OSTREL_SLOW_CASES for its programs (1: the slow real-time
#: cases run there)
set -euo pipefail
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine32.sh"
me="kit test"
work=$root/build/kit-test
sandboxed=C:\\Users\\WDAGUtilityAccount\\Desktop
wsb_folder="$work/wsb/Kit für Windows"

# wine_cmd ARGUMENT...: Wine's command prompt of the kit's kind, in the current folder.
wine_cmd() {
    local loader=$wine64
    [[ $arch == x86_64 ]] || loader=$wine32_loader
    "$loader" cmd /c "$@" </dev/null
}

# A program that passes as a test program does, leaving the kit's stand-in Corvex running.
leaving_program() {
    cat <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <string.h>
int main(int argc, char **argv) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (length > 0 && path[length - 1] != '\\') --length;
    strcpy(path + length, "standins\\jre\\bin\\javaw.exe");
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION started;
    const char *report = argc > 1 ? strchr(argv[1], ':') : NULL;
    FILE *file = report ? fopen(report + 1, "w") : NULL;
    if (!file || !CreateProcessA(path, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started))
        return 1;
    fputs("<testsuites/>\n", file);
    return fclose(file);
}
EOF
}

# --host ARCH KIT DPI SCREEN SLOW: the part that runs on the host, inside the kit's own mount
# namespace where it is read-only.
if [[ ${1:-} == --host ]]; then
    use_arch "$2"
    kit=$3 dpi=$4 screen=$5 slow=$6 results=$work/$preset/results
    prefix=$work/$preset/prefix
    xvfb=''
    # shellcheck disable=SC2317 # reached through the trap
    cleanup() {
        set +e
        WINEPREFIX=$prefix wineserver -k 2>/dev/null
        WINEPREFIX=$prefix wineserver -w 2>/dev/null
        [[ -z $xvfb ]] || { kill "$xvfb"; wait "$xvfb"; } 2>/dev/null
    }
    trap cleanup EXIT
    if [[ $kit == *"(1)" ]]; then
        mount --bind "$kit" "$kit" && mount -o remount,bind,ro "$kit" ||
            die "cannot mount $kit read-only"
        ! touch "$kit/write-test" 2>/dev/null || die "$kit is still writable"
        say "ok: $kit is mounted read-only; a write there fails"
    fi
    exec {xvfb_out}< <(exec Xvfb -displayfd 1 -screen 0 "${screen}x24" -nolisten tcp \
        2>"$work/$preset/xvfb.log")
    xvfb=$!
    read -r -t 10 -u "$xvfb_out" display || die "Xvfb gave no display number"
    exec {xvfb_out}<&-
    export DISPLAY=:$display HOME=$prefix/home
    wine_env "$prefix"
    unset WINEARCH XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_DESKTOP_DIR
    mkdir -p "$HOME"
    # The user folders that wineboot links into $HOME stay inside the build tree.
    "$wine64" wineboot -i >"$work/$preset/wineboot.log" 2>&1 || die "wineboot failed"
    "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
        >/dev/null || die "cannot set the display's dots per inch"

    cd "$kit"
    status=0
    wine_cmd run-tests.cmd >"$work/refused.log" 2>&1 || status=$?
    ((status == 3)) || die "run-tests.cmd without --on-this-machine exited with $status, not 3"
    grep -q "^This is not a Windows Sandbox" "$work/refused.log" || die "no refusal: $(head -3 "$work/refused.log")"
    [[ ! -e results/summary.txt ]] || die "run-tests.cmd refused, but ran tests"
    say "ok: run-tests.cmd refuses outside a sandbox without --on-this-machine"
    if [[ $kit == *"(1)" ]]; then
        status=0
        wine_cmd run-tests.cmd --on-this-machine >"$work/unwritable.log" 2>&1 || status=$?
        ((status == 4)) && grep -q "^Cannot write the results folder" "$work/unwritable.log" &&
            ! grep -q "_test$" "$work/unwritable.log" ||
            die "with its results folder read-only: exit $status, $(tail -3 "$work/unwritable.log")"
        say "ok: run-tests.cmd stops before any program where it cannot write its results"
    fi
    status=0
    OSTREL_SLOW_CASES=$slow wine_cmd run-tests.cmd --on-this-machine \
        --results "$(windows_path "$results")" || status=$?
    echo "$status" >"$work/status"

    # A kit of one program that leaves the stand-in running.
    leaving=$work/$preset/leaving
    mkdir -p "$leaving/bin"
    cp run-tests.cmd "$leaving/"
    cp -r bin/kit_check.exe bin/standins "$leaving/bin/"
    leaving_program | "$triple-gcc" -static -x c -o "$leaving/bin/leaving_test.exe" - ||
        die "cannot build the program that leaves a stand-in"
    (cd "$leaving" && wine_cmd run-tests.cmd --on-this-machine >"$work/leaving.log" 2>&1) || true
    grep -q "^leaving_test: FAILED (leftover: ended javaw.exe (process [0-9]*)" \
        "$leaving/results/summary.txt" || die "no leftover reported: $(cat "$leaving/results/summary.txt")"
    say "ok: a stand-in left running after a program is reported and ended"
    [[ $arch == x86_64 ]] || exit 0

    cd "$wsb_folder"
    status=0
    wine_cmd run-in-sandbox.cmd >"$work/missing.log" 2>&1 || status=$?
    ((status == 1)) && grep -q "Containers-DisposableClientVM" "$work/missing.log" ||
        die "run-in-sandbox.cmd without a sandbox: exit $status, $(head -3 "$work/missing.log")"
    [[ ! -e ostrel-tests.wsb && ! -e results ]] || die "run-in-sandbox.cmd without a sandbox wrote files"
    say "ok: run-in-sandbox.cmd says how to turn Windows Sandbox on, and does nothing else"
    # A double click gives the script a console of its own, whose code page it can switch to
    # UTF-8; a bare cmd /c here has none.
    "$wine64" wineconsole cmd /c "run-in-sandbox.cmd --write-only >wsb.log 2>&1" </dev/null ||
        die "run-in-sandbox.cmd --write-only failed: $(cat wsb.log)"
    exit 0
fi

(($#)) || usage
rm -rf "$work"
mkdir -p "$work"
changes=()
if [[ -n $(git -C "$root" status --porcelain) ]]; then
    say "note: this checkout has uncommitted changes, which the kits then hold"
    changes=(--allow-changes)
fi
bash "$root/scripts/kit.sh" --out "$work/dist" "${changes[@]}"
version=$(<"$root/build/win64/version.txt")

failures=0
for run in "$@"; do
    use_arch "${run%%=*}"
    slow=${run#*=} name=ostrel-tests-$version-$preset
    dpi=96 screen=1024x768 folder=$name namespace=()
    if [[ $arch == x86_64 ]]; then
        dpi=144 screen=1536x1152 folder="$name (1)" namespace=(unshare --mount --propagation private)
        [[ $(id -u) == 0 ]] || namespace+=(--map-root-user)
        mkdir -p "$wsb_folder"
    fi
    mkdir -p "$work/$preset"
    unzip -q -d "$work/$preset" "$work/dist/$name.zip"
    kit=$work/$preset/$folder
    [[ $folder == "$name" ]] || mv "$work/$preset/$name" "$kit"
    [[ ! -d $wsb_folder ]] || cp "$kit/run-in-sandbox.cmd" "$wsb_folder/"
    say "running the $preset kit's run-tests.cmd under Wine at $dpi dpi (OSTREL_SLOW_CASES=$slow)"
    started=$SECONDS
    rm -f "$work/status"
    timeout 1500 "${namespace[@]}" "$BASH" "${BASH_SOURCE[0]}" --host "$arch" "$kit" "$dpi" \
        "$screen" "$slow" || die "the run of the $preset kit failed (exit $?)"
    summary=$work/$preset/results/summary.txt
    [[ -f $summary ]] || die "the $preset kit wrote no summary"
    expected=$(ctest --test-dir "$root/build/$preset" -N | sed -n 's/^Total Tests: //p')
    last=$(tail -n 1 "$summary" | tr -d '\r')
    if [[ $(<"$work/status") != 0 || $last != "$expected passed, 0 failed" ]]; then
        sed 's/\r$//' "$summary" >&2
        for log in $(sed -n 's/^\(.*\): FAILED.*/\1/p' "$summary"); do
            say "--- $log.log, its end"
            tail -n 40 "$work/$preset/results/$log.log" >&2
        done
        say "FAILED: the $preset kit: exit code $(<"$work/status"), \"$last\"; ctest lists $expected programs"
        failures=$((failures + 1))
        continue
    fi
    grep -q "^Microsoft Windows" "$summary" || die "the $preset summary does not say which Windows"
    grep -q "^Display: $dpi dots per inch" "$summary" || die "the $preset summary does not say $dpi dpi"
    say "passed: $preset under Wine, through its kit's run-tests.cmd, outside the bench at $dpi dpi: $expected test programs passed (all that ctest lists), exit code 0, in $((SECONDS - started)) s"
done

# The configuration written for a folder whose path has a blank and an umlaut: UTF-8, the folder
# mapped read-only, its results folder writable, no network, run-tests.cmd at logon; the Mark of
# the Web taken off first.
if [[ -d $wsb_folder ]]; then
    script=$wsb_folder/run-in-sandbox.cmd
    unblock=$(grep -n -m1 '^call :unblock' "$script" | cut -d: -f1) || true
    written=$(grep -n -m1 '^call :configuration >"%wsb%"' "$script" | cut -d: -f1) || true
    [[ -n $unblock && -n $written ]] && ((unblock < written)) &&
        grep -q 'Get-ChildItem -LiteralPath $env:OSTREL_KIT -Recurse -File | Unblock-File' "$script" ||
        die "run-in-sandbox.cmd does not take the Mark of the Web off the kit before it writes the .wsb"
    host=$(windows_path "$wsb_folder")
    expected="<Configuration>
  <Networking>Disable</Networking>
  <MappedFolders>
    <MappedFolder>
      <HostFolder>$host</HostFolder>
      <SandboxFolder>$sandboxed\\ostrel-tests</SandboxFolder>
      <ReadOnly>true</ReadOnly>
    </MappedFolder>
    <MappedFolder>
      <HostFolder>$host\\results</HostFolder>
      <SandboxFolder>$sandboxed\\ostrel-results</SandboxFolder>
      <ReadOnly>false</ReadOnly>
    </MappedFolder>
  </MappedFolders>
  <LogonCommand>
    <Command>cmd.exe /c start \"Ostrel tests\" cmd.exe /k $sandboxed\\ostrel-tests\\run-tests.cmd --results $sandboxed\\ostrel-results</Command>
  </LogonCommand>
</Configuration>"
    wsb=$wsb_folder/ostrel-tests.wsb
    if [[ $(sed 's/\r$//' "$wsb" 2>/dev/null) != "$expected" ]]; then
        diff <(echo "$expected") <(sed 's/\r$//' "$wsb") >&2 || true
        die "the .wsb for \"$wsb_folder\" is not the configuration expected"
    fi
    python3 -c 'import sys, xml.etree.ElementTree as t; t.parse(sys.argv[1])' "$wsb" ||
        die "the .wsb is not well-formed XML"
    [[ -d $wsb_folder/results ]] || die "run-in-sandbox.cmd made no results folder"
    say "ok: the .wsb for a folder with a blank and an umlaut in its path, in UTF-8"
    say "passed: the kits refuse to run outside a sandbox without --on-this-machine, stop where they cannot write their results, report a stand-in left running; the Mark of the Web comes off before the .wsb is written; the .wsb for a folder named with a blank and an umlaut"
fi
((failures == 0)) || die "$failures kit(s) did not pass"
say "all checks passed"
