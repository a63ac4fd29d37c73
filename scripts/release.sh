#!/usr/bin/env bash
# Makes the release archives of the current commit: ostrel-<version>-win32.zip and -win64.zip,
# each holding ostrel.exe, README.txt (the user guide, docs/USER-GUIDE.md, as plain text) and
# LICENSE.txt (Ostrel's licence and those of the code linked into the program), and
# ostrel-<version>-SHA256SUMS beside them. The commit is exported and built afresh for both
# targets; the executables are the same bytes whoever builds the commit, wherever (see
# docs/DEVELOPING.md, "Making a release").
#
#: scripts/release.sh [--out DIR] [signing]
#:
#: --out DIR             where the archives and the sums go (default build/release/dist)
#: Signing (optional; unsigned is the default):
#: --pkcs12 FILE         certificate and key in one PKCS#12 file, or
#: --cert FILE --key FILE  certificate (PEM or DER, chain included) and its private key
#: --password-file FILE  the password of the key or PKCS#12 file, on the file's first line
#: --timestamp-url URL   an RFC 3161 time-stamp server, so that the signature outlives the
#:                       certificate
#
# Refuses to run on a working tree with changes that are not committed: what is shipped must be
# a commit that others can build again. Installs what it needs (scripts/setup.sh).
set -euo pipefail
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

out=$root/build/release/dist
pkcs12='' cert='' key='' password_file='' timestamp_url=''
while (($#)); do
    case $1 in
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    --pkcs12) pkcs12=${2:?--pkcs12 needs a file}; shift 2 ;;
    --cert) cert=${2:?--cert needs a file}; shift 2 ;;
    --key) key=${2:?--key needs a file}; shift 2 ;;
    --password-file) password_file=${2:?--password-file needs a file}; shift 2 ;;
    --timestamp-url) timestamp_url=${2:?--timestamp-url needs a URL}; shift 2 ;;
    *) say "unknown argument: $1"; usage ;;
    esac
done

# Paths on the command line are taken from where it was given, not from the repository.
readable() { [[ -r $1 ]] || die "cannot read $1"; realpath "$1"; }
signing=()
if [[ -n $pkcs12 ]]; then
    [[ -z $cert && -z $key ]] || die "give either --pkcs12 or --cert with --key, not both"
    signing=(-pkcs12 "$(readable "$pkcs12")")
elif [[ -n $cert || -n $key ]]; then
    [[ -n $cert && -n $key ]] || die "--cert and --key go together"
    signing=(-certs "$(readable "$cert")" -key "$(readable "$key")")
elif [[ -n $password_file || -n $timestamp_url ]]; then
    die "--password-file and --timestamp-url need a certificate (--pkcs12, or --cert and --key)"
fi
# The password from a file, not the command line, where every user of the machine could read it.
[[ -z $password_file ]] || signing+=(-readpass "$(readable "$password_file")")
[[ -z $timestamp_url ]] || signing+=(-ts "$timestamp_url")
out=$(realpath -m "$out")
cd "$root"

git rev-parse --is-inside-work-tree >/dev/null 2>&1 || die "$root is not a git working tree"
changes=$(git status --porcelain --untracked-files=normal)
if [[ -n $changes ]]; then
    say "the working tree has changes that are not committed:"
    printf '%s\n' "$changes" | head -n 20 >&2
    die "commit or stash them first: a release is built from a commit only"
fi
commit=$(git rev-parse HEAD)
# Every file of the archives carries the commit's time, so that the archives too come out the
# same from the same commit.
commit_time=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH=$commit_time

bash scripts/setup.sh
work=$root/build/release/work
rm -rf "$work"
mkdir -p "$work/src" "$work/stage" "$work/dist" "$out"
git archive --format=tar "$commit" | tar -x -C "$work/src"

# Each target as its preset builds it, in the exported tree, with the dependencies where setup
# built them and without the tests.
mkdir -p "$work/src/build"
ln -s "$deps" "$work/src/build/deps"
versions=()
for arch in "${windows_archs[@]}"; do
    root=$work/src use_arch "$arch"
    say "building $preset from $commit"
    root=$work/src build_preset "$work/build-$preset.log" "$preset" -DOSTREL_TESTS=OFF ostrel
    versions+=("$(<"$bin/../version.txt")")
done
version=${versions[0]}
[[ ${versions[*]} == "$version $version" ]] || die "the two builds disagree on the version"

# Ostrel's licence, then the licences of what the linker puts into ostrel.exe: libjpeg-turbo,
# and the MinGW-w64 runtime's start-up code and libraries (GCC's own runtime libraries carry
# the GCC Runtime Library Exception, which asks for no notice).
licences() {
    local jpeg part gap=''
    jpeg=$(find "$deps/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | sort | head -n 1)
    [[ -n $jpeg ]] || die "the libjpeg-turbo source is not in $deps/src (run scripts/setup.sh)"
    cat "$work/src/LICENSE"
    printf '\n\n%s\n\n' "================ Third-party software in ostrel.exe ================"
    for part in "libjpeg-turbo (LICENSE.md)=$jpeg/LICENSE.md" "libjpeg-turbo (README.ijg)=$jpeg/README.ijg" \
        "MinGW-w64 runtime=/usr/share/doc/mingw-w64-${arch/_/-}-dev/copyright"; do
        [[ -f ${part#*=} ]] || die "no ${part#*=}"
        printf "$gap%s\\n\\n" "---------------- ${part%%=*} ----------------"
        cat "${part#*=}"
        gap='\n'
    done
}

archives=()
for arch in "${windows_archs[@]}"; do
    root=$work/src use_arch "$arch"
    name=ostrel-$version-$preset folder=$work/stage/$name
    mkdir -p "$folder"
    if ((${#signing[@]})); then
        say "signing the $preset executable"
        osslsigncode sign "${signing[@]}" -h sha256 -n "Ostrel" -in "$bin/ostrel.exe" \
            -out "$folder/ostrel.exe" >"$work/sign.log" 2>&1 ||
            { cat "$work/sign.log" >&2; die "signing $bin/ostrel.exe failed"; }
    else
        cp "$bin/ostrel.exe" "$folder/ostrel.exe"
    fi
    # The user guide, under the name a user looks for first in an archive, as Notepad shows it.
    [[ -s $work/src/docs/USER-GUIDE.md ]] || die "the commit has no docs/USER-GUIDE.md"
    python3 "$work/src/scripts/lib/guide_to_text.py" "$work/src/docs/USER-GUIDE.md" \
        >"$folder/README.txt" || die "the user guide could not be made plain text"
    licences | crlf >"$folder/LICENSE.txt"
    zip_folder "$work/stage" "$name" "$work/dist/$name.zip" "$commit_time"
    archives+=("$name.zip")
done

sums=ostrel-$version-SHA256SUMS
(cd "$work/dist" && sha256sum "${archives[@]}" >"$sums")
# Only a release that came out whole replaces what the output folder held: a failed one (a
# wrong password, say) leaves no mix of new and old archives behind.
for file in "${archives[@]}" "$sums"; do mv -f "$work/dist/$file" "$out/$file"; done
say "commit $commit, version $version, $( ((${#signing[@]})) && echo signed || echo unsigned)"
for file in "${archives[@]}" "$sums"; do printf '%s\n' "$out/$file"; done
