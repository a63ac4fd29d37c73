#!/usr/bin/env bash
# Runs every test: installs what is missing (scripts/setup.sh), builds and tests the native
# preset (portable logic under ASan and UBSan), then builds the win32 and win64 presets and
# runs their tests under Wine on the bench (scripts/winebench.sh). Stops at the first failure
# with a non-zero status; on success the last lines are those of the last ctest run.
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

for preset in win32 win64; do
    stage "$preset: configure and build"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j2
done

for preset in win32 win64; do
    stage "$preset: tests under Wine"
    scripts/winebench.sh ctest --preset "$preset" "${ctest_options[@]}"
done
