#!/usr/bin/env bash
# The set-up's install step against a mirror that is mid-sync: an apt preferences file hides the
# security suite's i386 packages (Pin-Priority -1), as when that suite's i386 index cannot be
# fetched, and apt's state is that of a fresh machine of this kind (tests/setup/base_system.py).
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
mkdir -p "$work/preferences.d"
cp -r /etc/apt/preferences.d/. "$work/preferences.d/"
cat >"$work/preferences.d/security-i386-missing" <<'PIN'
Package: *:i386
Pin: release l=Debian-Security
Pin-Priority: -1
PIN
python3 "$root/tests/setup/base_system.py" /var/lib/dpkg/status "$(dpkg --print-architecture)" \
    >"$work/status"
cat >"$work/apt.conf" <<CONF
Dir::State::status "$work/status";
Dir::Etc::PreferencesParts "$work/preferences.d";
CONF

log=$root/build/test-logs/mirror-mid-sync.log
mkdir -p "${log%/*}"
APT_CONFIG=$work/apt.conf bash "$root/scripts/setup.sh" --resolve-only >"$log" 2>&1 || {
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
