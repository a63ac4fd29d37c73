#!/usr/bin/env bash
# The test kits (scripts/kit.sh) end to end, made from this checkout's Windows builds, which the
# test command has just brought up to date: each kit asked for is unpacked into a fresh folder and
# run under Wine through its own run-tests.cmd. That refuses without --on-this-machine (this is
# no sandbox), and with it must pass every program that ctest lists for the preset, with exit
# code 0: this run stands for ctest's run of the same programs. The .wsb that run-in-sandbox.cmd
# writes for a folder with a blank and a letter beyond ASCII in its path is compared with the
# configuration it should be (Windows Sandbox itself cannot run here), and where the sandbox is
# missing the script says how to turn it on and writes nothing. The lines starting with
# "kit test: passed:" are for the test command's summary.
#: tests/release/kit_test.sh ARCH=SLOW [ARCH=SLOW]   e.g. i686=1 x86_64=0
#: ARCH is i686 or x86_64; SLOW is OSTREL_SLOW_CASES for its programs (1: the slow real-time
#: cases run there)
set -euo pipefail
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine32.sh"
me="kit test"
work=$root/build/kit-test
sandboxed=C:\\Users\\WDAGUtilityAccount\\Desktop

# --inside ARCH KIT WSB-FOLDER: the part that runs on the Wine bench.
if [[ ${1:-} == --inside ]]; then
    arch=$2 kit=$3 wsb_folder=$4
    wine=("$root/scripts/wine-run" "$arch")
    cd "$kit"
    status=0
    "${wine[@]}" cmd /c run-tests.cmd >"$work/refused.log" 2>&1 </dev/null || status=$?
    ((status == 3)) || die "run-tests.cmd without --on-this-machine exited with $status, not 3"
    grep -q "^This is not a Windows Sandbox" "$work/refused.log" || die "no refusal: $(head -3 "$work/refused.log")"
    [[ ! -e results/summary.txt ]] || die "run-tests.cmd refused, but ran tests"
    say "ok: run-tests.cmd refuses outside a sandbox without --on-this-machine"
    status=0
    "${wine[@]}" cmd /c run-tests.cmd --on-this-machine </dev/null || status=$?
    echo "$status" >"$work/status"
    [[ -z $wsb_folder ]] && exit 0
    cd "$wsb_folder"
    status=0
    "${wine[@]}" cmd /c run-in-sandbox.cmd >"$work/missing.log" 2>&1 </dev/null || status=$?
    ((status == 1)) && grep -q "Containers-DisposableClientVM" "$work/missing.log" ||
        die "run-in-sandbox.cmd without a sandbox: exit $status, $(head -3 "$work/missing.log")"
    [[ ! -e ostrel-tests.wsb && ! -e results ]] || die "run-in-sandbox.cmd without a sandbox wrote files"
    say "ok: run-in-sandbox.cmd says how to turn Windows Sandbox on, and does nothing else"
    # A double click gives the script a console of its own, whose code page it can switch to
    # UTF-8; a bare cmd /c here has none.
    "${wine[@]}" wineconsole cmd /c "run-in-sandbox.cmd --write-only >wsb.log 2>&1" </dev/null ||
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

wsb_folder="$work/wsb/Kit für Windows" failures=0
for run in "$@"; do
    use_arch "${run%%=*}"
    slow=${run#*=} name=ostrel-tests-$version-$preset
    kit=$work/$preset/$name
    mkdir -p "$work/$preset"
    unzip -q -d "$work/$preset" "$work/dist/$name.zip"
    # One bench for the programs and, with the x86_64 kit, for run-in-sandbox.cmd.
    here=''
    if [[ $arch == x86_64 ]]; then
        mkdir -p "$wsb_folder"
        cp "$kit/run-in-sandbox.cmd" "$wsb_folder/"
        here=$wsb_folder
    fi
    say "running the $preset kit's run-tests.cmd under Wine (OSTREL_SLOW_CASES=$slow)"
    rm -f "$work/status"
    OSTREL_SLOW_CASES=$slow timeout 1500 "$root/scripts/winebench.sh" \
        --prefix "$root/build/wineprefix-kit-$preset" \
        "$BASH" "${BASH_SOURCE[0]}" --inside "$arch" "$kit" "$here" ||
        die "the bench of the $preset kit failed (exit $?)"
    summary=$kit/results/summary.txt
    [[ -f $summary ]] || die "the $preset kit wrote no summary"
    expected=$(ctest --test-dir "$root/build/$preset" -N | sed -n 's/^Total Tests: //p')
    last=$(tail -n 1 "$summary" | tr -d '\r')
    if [[ $(<"$work/status") != 0 || $last != "$expected passed, 0 failed" ]]; then
        sed 's/\r$//' "$summary" >&2
        for log in $(sed -n 's/^\(.*\): FAILED.*/\1/p' "$summary"); do
            say "--- $log.log, its end"
            tail -n 40 "$kit/results/$log.log" >&2
        done
        say "FAILED: the $preset kit: exit code $(<"$work/status"), \"$last\"; ctest lists $expected programs"
        failures=$((failures + 1))
        continue
    fi
    grep -q "^Microsoft Windows" "$summary" || die "the $preset summary does not say which Windows"
    say "passed: $preset under Wine, through its kit's run-tests.cmd: $expected test programs passed (all that ctest lists), exit code 0"
done

# The configuration written for a folder whose path has a blank and an umlaut: UTF-8, the folder
# mapped read-only, its results folder writable, no network, run-tests.cmd at logon.
if [[ -d $wsb_folder ]]; then
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
    say "passed: the kits refuse to run outside a sandbox without --on-this-machine; the .wsb for a folder named with a blank and an umlaut"
fi
((failures == 0)) || die "$failures kit(s) did not pass"
say "all checks passed"
