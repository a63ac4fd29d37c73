#!/usr/bin/env bash
# Runs every test, stopping at the first failure with a non-zero status: the set-up's install step
# against a mirror that is mid-sync (tests/setup, in apt's simulation), the C++ sources' format
# (clang-format), the native preset's unit tests under ASan and UBSan, the documents against the
# code (tests/docs), each fuzz target for OSTREL_FUZZ_SECONDS (default 15), the win32 and win64
# presets' tests under Wine on the bench (scripts/winebench.sh), run
# through the test kits for Windows (tests/release/kit_test.sh), and the release command on two
# clones of the committed HEAD (tests/release/release_test.sh). The last lines say what ran, and
# what was skipped and why.
# Where this machine runs 32-bit programs (scripts/wine32.sh; OSTREL_WITHOUT_32BIT=1 acts as if
# it did not), the slow real-time cases run in the i686 build, and then the other path briefly:
# the demo and the 32-bit set under qemu. Elsewhere the x86_64 build runs them; of the i686
# build only the 32-bit set (test preset win32-emulated) runs, under qemu, or is reported
# skipped where qemu cannot be had.
set -euo pipefail
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"
cd "$root"

started=$SECONDS
stage() { printf '\n=== %s (after %d s)\n' "$*" $((SECONDS - started)); }
summary=()
# A run that found no test is a failure, and a test that hangs stops after five minutes.
ctest_options=(--no-tests=error --timeout 300)
logs=$root/build/test-logs
mkdir -p "$logs"

stage "setup"
bash scripts/setup.sh
wine32_route

stage "setup: the install step while the mirror is mid-sync (apt's simulation)"
mid_sync=$(bash tests/setup/mirror_mid_sync_test.sh | tail -1)
echo "$mid_sync"
summary+=("set-up with the security suite's i386 half missing: $mid_sync")

stage "format: the C++ sources as clang-format writes them"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror ||
    die "run clang-format -i on the files above"
summary+=("format: every C++ source as clang-format writes it")

stage "native: configure and build"
build_preset - native
stage "native: tests"
ctest --preset native "${ctest_options[@]}"

# After the native build: the user guide is checked against the table of texts that its program
# prints.
stage "docs: the guide against the table of user texts, links and anchors, the layout, README.txt"
python3 tests/docs/docs_test.py build/native/bin/user_texts_dump
summary+=("docs: the guide lists every user text and no other; links and anchors resolve; the layout table names every file; README.txt is plain text")

# Each fuzz target goes on from the corpus its earlier runs left in build/fuzz/corpus; what it
# finds wrong is kept in build/fuzz/artifacts.
fuzz_seconds=${OSTREL_FUZZ_SECONDS:-15}
stage "fuzz: build, then each target for $fuzz_seconds s"
build_preset - fuzz
mkdir -p build/fuzz/artifacts build/fuzz/logs
for fuzzer in build/fuzz/bin/*_fuzz; do
    name=$(basename "$fuzzer")
    log=build/fuzz/logs/$name.log
    if ! "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build/fuzz/artifacts/$name-" "build/fuzz/corpus/$name" >"$log" 2>&1; then
        tail -n 60 "$log"
        die "$name failed, see $log"
    fi
    printf '%s: %s\n' "$name" "$(grep -E '^Done [0-9]+ runs' "$log" || tail -n 1 "$log")"
done
summary+=("native: $(ctest --preset native -N | sed -n 's/^Total Tests: //p') tests passed under ASan and UBSan; each fuzz target ran $fuzz_seconds s")

for preset in win32 win64; do
    stage "$preset: configure and build"
    build_preset - "$preset"
done

# wine_tests WHAT SKIPS [BENCH-OPTION...] -- CTEST-ARG...: runs ctest on the bench and reports
# how many test programs passed and were skipped. ctest counts a skipped test as passed: here
# only those that really ran count, and a skip is a failure unless SKIPS is "may-skip".
wine_tests() {
    local what=$1 skips=$2 bench=() status=0 total skipped
    shift 2
    while [[ $1 != -- ]]; do bench+=("$1"); shift; done
    shift
    local log=$logs/${what//[^a-zA-Z0-9]/-}.log
    scripts/winebench.sh "${bench[@]}" ctest "$@" "${ctest_options[@]}" 2>&1 | tee "$log" ||
        status=$?
    ((status == 0)) || { printf '%s failed (exit %d), see %s\n' "$what" "$status" "$log" >&2; exit "$status"; }
    total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log" | tail -1)
    skipped=$(grep -c '(Skipped)$' "$log" || true)
    ((skipped == 0)) || [[ $skips == may-skip ]] ||
        die "$what: $skipped test programs were skipped where all must run"
    local line="$what: $((total - skipped)) test programs passed"
    ((skipped == 0)) || line="$line, SKIPPED $skipped ($(grep -m1 -o 'wine-run: skipped.*' "$log" || echo 'see the log'))"
    summary+=("$line")
}

# kit_tests ARCH=SLOW...: the Windows test programs of both groups, run once, through the test
# kits that Windows users get (tests/release/kit_test.sh): each kit's run-tests.cmd under Wine
# must pass as many programs as ctest lists for the preset. It stands for ctest's run of them.
kit_tests() {
    local log=$logs/kit-test.log
    bash tests/release/kit_test.sh "$@" 2>&1 | tee "$log" || die "the kit test failed, see $log"
    mapfile -t -O "${#summary[@]}" summary < <(sed -n 's/^kit test: passed: //p' "$log")
}

if [[ $wine32_how == native ]]; then
    stage "win32 and win64: tests under Wine, through the test kits' run-tests.cmd"
    kit_tests i686=1 x86_64=0

    # The path of a machine that runs no 32-bit programs, so that it cannot rot unseen here.
    stage "the other path (OSTREL_WITHOUT_32BIT=1): the demo, and the 32-bit set under qemu"
    OSTREL_WITHOUT_32BIT=1 bash scripts/demo.sh >"$logs/demo-without-32bit.log" 2>&1 || {
        tail -40 "$logs/demo-without-32bit.log"
        die "the demo without 32-bit programs failed, see $logs/demo-without-32bit.log"
    }
    grep -q '^build shown: *win64 ' "$logs/demo-without-32bit.log" ||
        die "the demo without 32-bit programs did not show the x86_64 build"
    summary+=("the other path: the demo without 32-bit programs showed the x86_64 build, exit 0")
    # The demo's set-up has fetched qemu-i386 on the way.
    OSTREL_WITHOUT_32BIT=1 OSTREL_SLOW_CASES=0 wine_tests \
        "the other path: win32's 32-bit set under qemu" no-skip \
        --win32 --prefix build/wineprefix-win32 -- --preset win32-emulated
else
    stage "win64: tests under Wine through the test kit's run-tests.cmd, the slow real-time cases included"
    echo "32-bit programs: $wine32_why"
    kit_tests x86_64=1
    if [[ $wine32_how == qemu ]]; then
        stage "win32: the 32-bit set under qemu"
        OSTREL_SLOW_CASES=0 wine_tests "win32's 32-bit set under qemu" no-skip \
            --win32 --prefix build/wineprefix-win32 -- --preset win32-emulated
    else
        stage "win32: the 32-bit set, skipped: 32-bit programs cannot run here"
        # Verbose, so that ctest's own output carries each skipped program's reason.
        wine_tests "win32's 32-bit set" may-skip -- --preset win32-emulated --verbose
    fi
    summary+=("win32: built, and checked by the release test below; its other Wine tests not run: $wine32_why")
fi

stage "release: reproducible executables, signing, archives"
bash tests/release/release_test.sh
summary+=("release: reproducible executables, signing and archives checked")

printf '\n=== done in %d s\n' $((SECONDS - started))
printf '%s\n' "${summary[@]}"
