#!/usr/bin/env bash
# Runs every test: installs what is missing (scripts/setup.sh), builds and tests the native
# preset (portable logic under ASan and UBSan), builds the fuzz preset and runs each fuzz target
# for a few seconds (OSTREL_FUZZ_SECONDS, default 15), then builds the win32 and win64 presets
# and runs their tests under Wine on the bench (scripts/winebench.sh), and last the release
# command on two clones of the committed HEAD (tests/release/release_test.sh). Stops at the first
# failure with a non-zero status.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

started=$SECONDS
stage() {
    printf '\n=== %s (after %d s)\n' "$*" $((SECONDS - started))
}

# A run that found no test is a failure, and a test that hangs stops after five minutes.
ctest_options=(--no-tests=error --timeout 300)

stage "setup"
bash scripts/setup.sh

stage "native: configure and build"
cmake --preset native
cmake --build --preset native -j2

stage "native: tests"
ctest --preset native "${ctest_options[@]}"

# Each fuzz target goes on from the corpus its earlier runs left in build/fuzz/corpus; what it
# finds wrong is kept in build/fuzz/artifacts.
fuzz_seconds=${OSTREL_FUZZ_SECONDS:-15}
stage "fuzz: build, then each target for $fuzz_seconds s"
cmake --preset fuzz
cmake --build --preset fuzz -j2
mkdir -p build/fuzz/artifacts build/fuzz/logs
for fuzzer in build/fuzz/bin/*_fuzz; do
    name=$(basename "$fuzzer")
    mkdir -p "build/fuzz/corpus/$name"
    log=build/fuzz/logs/$name.log
    if ! "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build/fuzz/artifacts/$name-" "build/fuzz/corpus/$name" >"$log" 2>&1; then
        tail -n 60 "$log"
        printf '%s failed, see %s\n' "$name" "$log" >&2
        exit 1
    fi
    printf '%s: %s\n' "$name" "$(grep -E '^Done [0-9]+ runs' "$log" || tail -n 1 "$log")"
done

for preset in win32 win64; do
    stage "$preset: configure and build"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j2
done

for preset in win32 win64; do
    stage "$preset: tests under Wine"
    scripts/winebench.sh ctest --preset "$preset" "${ctest_options[@]}"
done

stage "release: reproducible executables, signing, archives"
bash tests/release/release_test.sh
