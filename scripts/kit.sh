#!/usr/bin/env bash
# Makes the test kits, ostrel-tests-<version>-win32.zip and -win64.zip, beside the release's
# archives: for anyone with a Windows machine, the Windows test programs of both groups
# (tests/windows and tests/e2e, as ctest lists them) to run on Windows itself, in a throwaway
# Windows Sandbox. Each holds, under ostrel-tests-<version>-<preset>/, the programs in bin\ with
# what they start and read (ostrel.exe of the same build, Ombrix.dll, Icon.ico, the stand-in
# runtime) and, from tests/kit, run-in-sandbox.cmd, run-tests.cmd and README.txt. The programs
# are this checkout's win32 and win64 builds, brought up to date first (a no-op after the test
# command).
#
#: scripts/kit.sh [--out DIR] [--allow-changes]
#:
#: --out DIR          where the kits go (default build/release/dist, beside the release's archives)
#: --allow-changes    pack a working tree with changes that are not committed (the kit's
#:                    README.txt says so); without it such a tree is refused
set -euo pipefail
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

out=$root/build/release/dist allow_changes=''
while (($#)); do
    case $1 in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    --allow-changes) allow_changes=1; shift ;;
    *) say "unknown argument: $1"; usage ;;
    esac
done
out=$(realpath -m "$out")
cd "$root"

commit=$(git rev-parse HEAD)
if [[ -n $(git status --porcelain --untracked-files=normal) ]]; then
    [[ -n $allow_changes ]] ||
        die "the working tree has changes that are not committed: commit them, or give --allow-changes"
    commit+=" with changes that are not committed"
fi
# As the release's archives: every file with the commit's time (zip_folder).
commit_time=$(git log -1 --format=%ct HEAD)

work=$root/build/kit
rm -rf "$work"
mkdir -p "$work" "$out"
kits=()
for arch in "${windows_archs[@]}"; do
    use_arch "$arch"
    say "bringing the $preset build up to date"
    build_preset "$work/build-$preset.log" "$preset"
    version=$(<"$bin/../version.txt")
    name=ostrel-tests-$version-$preset folder=$work/$name
    mkdir -p "$folder/bin"
    # The test programs are those the test command runs: ctest's list of the preset.
    mapfile -t programs < <(ctest --preset "$preset" -N | sed -n 's/^ *Test *#[0-9]*: [a-z0-9]*\.//p')
    ((${#programs[@]})) || die "ctest lists no tests in the $preset build"
    for program in "${programs[@]}"; do cp "$bin/$program.exe" "$folder/bin/"; done
    cp -r "$bin/ostrel.exe" "$bin/Ombrix.dll" "$bin/Icon.ico" "$bin/standins" "$bin/kit_check.exe" \
        "$folder/bin/"
    for file in run-in-sandbox.cmd run-tests.cmd README.txt; do
        sed "s/@VERSION@/$version/g; s/@PRESET@/$preset/g; s/@ARCH@/$arch/g; s/@COMMIT@/$commit/g" \
            "tests/kit/$file" | crlf >"$folder/$file"
    done
    zip_folder "$work" "$name" "$work/$name.zip" "$commit_time"
    mv -f "$work/$name.zip" "$out/"
    kits+=("$out/$name.zip")
done
say "commit $commit, ${#programs[@]} test programs a kit"
printf '%s\n' "${kits[@]}"
