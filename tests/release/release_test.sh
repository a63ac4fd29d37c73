#!/usr/bin/env bash
# The release command end to end, on two fresh clones of the committed HEAD in two different
# folders (one with blanks in its path): a changed working tree is refused; the executables of
# both clones are the same bytes; a release signed with a throwaway certificate (as PKCS#12 with
# a time stamp from a local server, and as certificate and key) verifies, and fails to once a
# byte is changed; the archives hold what they should, match their sums, and come out the same
# when made again. Uncommitted changes of this checkout are not part of what is tested: a
# release is made from commits only.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$root/build/release-test

say() { printf 'release test: %s\n' "$*" >&2; }
failures=0
fail() {
    say "FAILED: $*"
    failures=$((failures + 1))
}
pass() { say "ok: $*"; }

if ! git -C "$root" rev-parse --verify -q HEAD >/dev/null; then
    say "SKIPPED: $root is not a git checkout with a commit"
    exit 0
fi
if [[ -n $(git -C "$root" status --porcelain) ]]; then
    say "note: this checkout has uncommitted changes; the test releases HEAD without them"
fi

rm -rf "$work"
mkdir -p "$work"
# Both clones use this checkout's build of the dependencies instead of building their own.
export OSTREL_DEPS=$root/build/deps
bash "$root/scripts/setup.sh"

first=$work/first/ostrel
second="$work/second folder/a little deeper/ostrel"
git clone -q "$root" "$first"
git clone -q "$root" "$second"

# --- A throwaway signing certificate -----------------------------------------------------

keys=$work/keys
mkdir -p "$keys"
printf 'throwaway-%s\n' "$RANDOM$RANDOM" >"$keys/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Ostrel throwaway test certificate" \
    -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" \
    2>"$keys/openssl.log"
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/codesign.p12" \
    -passout "file:$keys/password" 2>>"$keys/openssl.log"

# A time-stamp authority of our own, on loopback: its certificate, and the server for the
# signed release to ask. It is stopped when the test ends, and cannot outlive it by long.
cat >"$keys/tsa.cnf" <<EOF
[ tsa ]
default_tsa = throwaway
[ throwaway ]
serial = $keys/tsa.serial
signer_cert = $keys/tsa.pem
signer_key = $keys/tsa-key.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.0.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
echo 01 >"$keys/tsa.serial"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Ostrel throwaway time stamps" \
    -addext "extendedKeyUsage=critical,timeStamping" -keyout "$keys/tsa-key.pem" \
    -out "$keys/tsa.pem" 2>>"$keys/openssl.log"
timeout 900 python3 "$root/tests/release/timestamp_server.py" "$keys/tsa.cnf" >"$keys/tsa.port" &
tsa_server=$!
trap 'kill $tsa_server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [[ -s $keys/tsa.port ]] && break
    sleep 0.1
done
[[ -s $keys/tsa.port ]] || { fail "the time-stamp server did not start"; exit 1; }
tsa_url=http://127.0.0.1:$(head -n 1 "$keys/tsa.port")
# A proxy set for the machine must not stand between osslsigncode and the loopback server.
export no_proxy=127.0.0.1 NO_PROXY=127.0.0.1

# --- A changed working tree is refused ---------------------------------------------------

refused() { # refused WHAT: the release in $second must stop before building anything
    local what=$1 log=$work/refused.log
    if (cd "$second" && bash scripts/release.sh --out "$work/refused") >"$log" 2>&1; then
        fail "release went ahead with $what"
    elif ! grep -q "not committed" "$log"; then
        fail "release with $what stopped, but not for that: $(tail -n 1 "$log")"
    elif compgen -G "$work/refused/*.zip" >/dev/null || [[ -d $second/build/release/work ]]; then
        fail "release with $what left archives or a build behind"
    else
        pass "release refused with $what"
    fi
}
printf '\nchanged\n' >>"$second/README.md"
refused "a changed file"
git -C "$second" checkout -q -- README.md
touch "$second/stray.txt"
refused "an untracked file"
rm "$second/stray.txt"

# --- Options that do not go together are refused before anything is built ----------------

for options in "--pkcs12 keys/codesign.p12 --cert keys/cert.pem --key keys/key.pem" \
    "--cert keys/cert.pem" "--password-file keys/password" "--timestamp-url $tsa_url" \
    "--pkcs12 keys/missing.p12" "--out"; do
    # shellcheck disable=SC2086 # the options are split on purpose
    if (cd "$work" && bash "$second/scripts/release.sh" $options) >"$work/options.log" 2>&1; then
        fail "release went ahead with: $options"
    elif [[ -d $second/build/release/work ]]; then
        fail "release with $options built something"
    fi
done
pass "contradicting or incomplete signing options refused"

# --- Releases: unsigned, signed with PKCS#12, signed with certificate and key, unsigned again

# release CLONE OUT [signing options...]: run from the test's folder, with OUT and the files
# of the options given relative to it, as a user in another folder would.
release() {
    local clone=$1 out=$2
    shift 2
    local log=$work/$out.log
    say "release in $clone $*"
    if ! (cd "$work" && bash "$clone/scripts/release.sh" --out "$out" "$@") >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        fail "release in $clone $* (see $log)"
        exit 1
    fi
}

release "$first" unsigned
release "$second" pkcs12 --pkcs12 keys/codesign.p12 --password-file keys/password \
    --timestamp-url "$tsa_url"
# The same commit, built in another folder: the executables must be the same bytes.
for target in win32 win64; do
    a=$first/build/release/work/src/build/$target/bin/ostrel.exe
    b=$second/build/release/work/src/build/$target/bin/ostrel.exe
    if cmp -s "$a" "$b"; then
        pass "$target ostrel.exe is the same in both folders ($(stat -c %s "$a") bytes)"
    else
        fail "$target ostrel.exe differs between the two folders: $(cmp "$a" "$b" 2>&1 | head -n 1)"
    fi
done
mkdir -p "$work/built"
for target in win32 win64; do
    cp "$second/build/release/work/src/build/$target/bin/ostrel.exe" "$work/built/$target.exe"
done
release "$second" certkey --cert keys/cert.pem --key keys/key.pem
# And the unsigned archives of the commit, made again in the other folder, are the same bytes.
release "$second" unsigned-again
for file in "$work/unsigned"/*.zip "$work/unsigned"/*SHA256SUMS; do
    if cmp -s "$file" "$work/unsigned-again/$(basename "$file")"; then
        pass "$(basename "$file") is the same when made again"
    else
        fail "$(basename "$file") differs when made again"
    fi
done

version=$(sed -n 's/^project(Ostrel VERSION \([0-9.]*\) .*/\1/p' "$first/CMakeLists.txt")
[[ -n $version ]] || fail "no version in CMakeLists.txt"

# --- Archives and sums -------------------------------------------------------------------

# Each archive is unpacked once, into DIST/unpacked/ostrel-<version>-<target>/.
for dist in unsigned pkcs12 certkey; do
    for target in win32 win64; do
        unzip -q -d "$work/$dist/unpacked" "$work/$dist/ostrel-$version-$target.zip" ||
            fail "$dist ostrel-$version-$target.zip does not unpack"
    done
done
unpacked() { printf '%s/%s/unpacked/ostrel-%s-%s' "$work" "$1" "$version" "$2"; } # DIST TARGET

check_archives() { # check_archives DIST: names, contents and sums
    local dist=$work/$1 target name listing
    local sums=$dist/ostrel-$version-SHA256SUMS
    if [[ $(cut -d' ' -f3 "$sums" 2>/dev/null | sort | tr '\n' ' ') != \
        "ostrel-$version-win32.zip ostrel-$version-win64.zip " ]]; then
        fail "$sums does not list the two archives"
    elif ! (cd "$dist" && sha256sum --quiet -c "$(basename "$sums")"); then
        fail "the archives of $dist do not match their sums"
    else
        pass "$(basename "$dist"): the sums match both archives"
    fi
    for target in win32 win64; do
        name=ostrel-$version-$target
        listing=$(unzip -Z1 "$dist/$name.zip" | sort | tr '\n' ' ')
        if [[ $listing != "$name/LICENSE.txt $name/README.txt $name/ostrel.exe " ]]; then
            fail "$name.zip holds: $listing"
        fi
        local readme licence
        readme=$(unpacked "$1" "$target")/README.txt licence=$(unpacked "$1" "$target")/LICENSE.txt
        # The user guide of the commit, whole, as plain text (its form: tests/docs).
        cmp -s "$readme" <(python3 "$first/scripts/lib/guide_to_text.py" "$first/docs/USER-GUIDE.md") ||
            fail "$name README.txt is not docs/USER-GUIDE.md as plain text"
        grep -q "^MIT License" "$licence" || fail "$name LICENSE.txt lacks Ostrel's licence"
        grep -q "Independent JPEG Group" "$licence" || fail "$name LICENSE.txt lacks libjpeg's"
        grep -q -i "mingw-w64" "$licence" || fail "$name LICENSE.txt lacks the MinGW-w64 runtime's"
        # Notepad of older Windows shows a bare LF file as one line.
        if grep -q -v $'\r$' "$readme" "$licence"; then fail "$name text files have bare LF line ends"; fi
    done
}

check_archives unsigned
check_archives pkcs12
objdump=x86_64-w64-mingw32-objdump
for target in win32 win64; do
    exe=$(unpacked unsigned "$target")/ostrel.exe
    cmp -s "$exe" "$work/built/$target.exe" || fail "the unsigned $target archive holds another ostrel.exe than was built"
    format=$($objdump -f "$exe" | sed -n 's/.*file format //p')
    want=$([[ $target == win32 ]] && echo pei-i386 || echo pei-x86-64)
    [[ $format == "$want" ]] || fail "$target ostrel.exe is $format, not $want"
    if osslsigncode verify -in "$exe" >/dev/null 2>&1; then fail "the unsigned $target ostrel.exe carries a signature"; fi
    if ! found=$(python3 "$root/tests/release/pe_check.py" "$exe" "$target"); then
        fail "$target ostrel.exe: ${found//$'\n'/; }"
    fi
done
pass "unsigned archives: the built executables, of the right architecture, with ASLR and DEP, WinSock from ws2_32"

# --- Signatures --------------------------------------------------------------------------

# check_signature DIST TARGET STAMPED: the signature verifies, covers the program as built, and
# carries a time stamp when STAMPED is yes (none otherwise).
check_signature() {
    local exe built=$work/built/$2.exe stamped=$3 out
    exe=$(unpacked "$1" "$2")/ostrel.exe
    # Trusting the throwaway certificates stands in for chains that Windows trusts.
    if ! out=$(osslsigncode verify -CAfile "$keys/cert.pem" -TSA-CAfile "$keys/tsa.pem" \
        -in "$exe" 2>&1); then
        fail "$exe does not verify: $(grep -i -m1 -e error -e failed <<<"$out")"
        return
    fi
    grep -q "Message digest algorithm *: SHA256" <<<"$out" || fail "$exe is not signed with SHA-256"
    if [[ $stamped == yes ]]; then
        grep -q "Timestamp Server Signature verification: ok" <<<"$out" ||
            fail "$exe has no valid time stamp"
    elif ! grep -q "Timestamp is not available" <<<"$out"; then
        fail "$exe has a time stamp that nobody asked for"
    fi
    # Without that trust the chain fails, yet the signed digest matches the file.
    out=$(osslsigncode verify -in "$exe" 2>&1 || true)
    local current calculated
    current=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$out")
    calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$out")
    [[ -n $current && $current == "$calculated" ]] || fail "$exe: the digest does not match without the certificate trusted"
    # Taking the signature off again gives back the program as built.
    rm -f "$work/removed.exe"
    if ! osslsigncode remove-signature -in "$exe" -out "$work/removed.exe" >/dev/null 2>&1 ||
        ! cmp -s "$work/removed.exe" "$built"; then
        fail "$exe: the signed program is not the one built"
    fi
    # One changed byte in the code, and the signature no longer holds.
    cp "$exe" "$work/tampered.exe"
    printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc status=none
    if osslsigncode verify -CAfile "$keys/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
        fail "$exe still verifies after a byte of it was changed"
    fi
    pass "$1 $2: the signature verifies and covers the program"
}

for dist in pkcs12:yes certkey:no; do
    stamped=${dist#*:} dist=${dist%:*}
    for target in win32 win64; do check_signature "$dist" "$target" "$stamped"; done
done

if ((failures)); then
    say "$failures check(s) failed"
    exit 1
fi
say "all checks passed"
