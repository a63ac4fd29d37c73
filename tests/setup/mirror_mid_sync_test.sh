#!/usr/bin/env bash
# The set-up's install step against a mirror that is mid-sync: apt reads the machine's indexes
# without the security suite's i386 one, as when that index cannot be fetched, and apt's state is
# that of a fresh machine of this kind (tests/setup/base_system.py). (A pin of -1 on that suite
# would hide more than a missing index does: a version that the release's suite also has.)
# The whole package list must still resolve, in apt's simulation: nothing is installed.
# Prints "passed: ..." or "skipped: <reason>" as its last line; fails with a non-zero status.
set -euo pipefail
me=mirror-mid-sync-test
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"

skip() { echo "skipped: $*"; exit 0; }
[[ $(id -u) == 0 ]] || skip "not root: apt's simulation of the install step needs apt's lists and state as root has them"
compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null || skip "apt has no package lists on this machine"
dpkg --print-foreign-architectures | grep -qx i386 ||
    skip "i386 is not among dpkg's architectures (scripts/setup.sh adds it)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial"
hidden=0
for index in /var/lib/apt/lists/*; do
    [[ -f $index ]] || continue
    if [[ ${index##*/} == *security*binary-i386_Packages* ]]; then
        hidden=1
        continue
    fi
    ln -s "$index" "$work/lists/"
done
((hidden)) || skip "apt has no index of the security suite's i386 packages to leave out"
python3 "$root/tests/setup/base_system.py" /var/lib/dpkg/status "$(dpkg --print-architecture)" \
    >"$work/status"
cat >"$work/apt.conf" <<CONF
Dir::State::status "$work/status";
Dir::State::Lists "$work/lists";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
CONF

log=$root/build/test-logs/mirror-mid-sync.log
mkdir -p "${log%/*}"
# unresolvable_library: the first Multi-Arch "same" library of the fresh machine whose version
# there has no i386 half left once the index is hidden (a security update not yet in a point
# release): then no install can resolve, and the set-up can only say so.
unresolvable_library() {
    local package version
    while read -r package version; do
        [[ -n $version ]] || continue # not on the fresh machine: apt may take any version
        APT_CONFIG=$work/apt.conf apt-cache madison "$package:i386" 2>/dev/null |
            awk -F'|' -v v="$version" '{ gsub(/ /, "", $2) } $2 == v { found = 1 } END { exit !found }' ||
            { echo "$package $version"; return; }
    done < <(grep -o '[a-z0-9.+-]*:i386 .* but it is not installable' "$log" | cut -d: -f1 |
        sort -u | while read -r package; do
            dpkg-query --admindir="$work/admin" -W -f '${Package} ${Version}\n' "$package" 2>/dev/null
        done)
}

APT_CONFIG=$work/apt.conf bash "$root/scripts/setup.sh" --resolve-only >"$log" 2>&1 || {
    mkdir -p "$work/admin" && cp "$work/status" "$work/admin/status"
    unresolvable=$(unresolvable_library)
    [[ -z $unresolvable ]] || skip "the fresh machine's $unresolvable has no i386 half but in the" \
        "hidden index, so no install can resolve while it is missing (the set-up then fails, naming" \
        "the indexes apt could not fetch)"
    tail -30 "$log"
    die "the package list did not resolve with the security suite's i386 half hidden, see $log"
}
installs=$(grep -c '^Inst ' "$log" || true)
((installs > 0)) || die "apt's simulation installed nothing from a fresh machine's state, see $log"
if grep -q "preferring .* own suite" "$log"; then
    how="after a first try that apt could not resolve, with the release's own suite preferred"
else
    how="at the first try"
fi
echo "passed: $installs packages resolved $how"
