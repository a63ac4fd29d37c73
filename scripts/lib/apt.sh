# shellcheck shell=bash disable=SC2016 # apt's own $(FIELD)s
# apt-get with private sources, lists and cache in $deps/apt-NAME, so that fetching a package
# leaves the machine's apt configuration and state as they were.
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
codename=${codename:-bookworm}
# Every apt-get call: a download that fails on the way (a reset connection, a timeout) is tried
# again before apt gives up on it.
apt_options=(-q -o Acquire::Retries=3)

# The indexes of the last apt_update that apt could not fetch, one of apt's own lines each.
apt_failed_indexes=''

# apt_update [APT-GET-ARG...]: `apt-get update` that goes on with what apt has when an index
# cannot be fetched. A mirror that is mid-sync serves a suite's index for one architecture with
# the wrong size for days; apt then keeps the other indexes and ends with an error, which must
# not end the set-up when the packages it needs are in the indexes it has. The output goes
# where the caller sends it; the failed indexes are named on standard error.
apt_update() {
    local out status=0
    out=$(mktemp)
    apt-get "${apt_options[@]}" "$@" update </dev/null >"$out" 2>&1 || status=$?
    cat "$out"
    apt_failed_indexes=$(sed -n 's/^\(E\|W\): Failed to fetch /  /p' "$out")
    rm -f "$out"
    ((status == 0)) && return 0
    if [[ -n $apt_failed_indexes ]]; then
        say "warning: apt could not fetch these indexes; going on with the others:"
        printf '%s\n' "$apt_failed_indexes" >&2
    else
        say "warning: apt-get update ended with status $status; going on with the indexes apt has"
    fi
}

# apt_install [-s] PACKAGE...: `apt-get install` of the list (-s: apt's simulation only). Where
# apt cannot resolve the list, it is tried once more with the release's own suite preferred:
# while a mirror is mid-sync, one architecture's half of the security suite may be missing, and
# the two halves of each Multi-Arch "same" library (libc6 and libc6:i386, say) must be of one
# version, which the release's suite has for both.
apt_install() {
    local args=("${apt_options[@]}" -y install)
    [[ $1 != -s ]] || { args+=(-s); shift; }
    apt-get "${args[@]}" "$@" </dev/null && return 0
    say "apt could not install the list as the mirror stands; again, preferring $codename's own suite"
    apt-get "${args[@]}" -t "$codename" "$@" </dev/null && return 0
    [[ -z $apt_failed_indexes ]] || die "apt could not install the packages, also with $codename's" \
        "own suite preferred. The package mirror is at fault: it is mid-sync, and apt could not" \
        "fetch these indexes:"$'\n'"$apt_failed_indexes"$'\n'"Run the command again later."
    die "apt could not install the packages, also with $codename's own suite preferred (its messages are above)"
}

# machine_archives [RELEASE]: "URI RELEASE COMPONENT" of each Debian archive that the machine's
# apt uses (for RELEASE only, when given), read by apt itself from /etc/apt in either format:
# the mirrors to ask are the machine's own.
machine_archives() {
    apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Identifier: Packages' ${1:+"Release: $1"} | sort -u
}

# private_sources NAME < "TYPE URI SUITE COMPONENT" lines, each signed by Debian's archive key.
private_sources() {
    local dir=$deps/apt-$1
    mkdir -p "$dir/parts" "$dir/lists/partial" "$dir/cache/archives/partial"
    sed 's|^\([^ ]*\) |\1 [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] |' \
        >"$dir/parts/private.list"
    [[ -s $dir/parts/private.list ]] || die "no Debian archive found in /etc/apt for $1"
}

# private_apt NAME APT-GET-ARG... and private_update NAME: apt-get and apt_update on the sources
# of private_sources NAME, with lists and cache of their own.
private_options() {
    local dir=$deps/apt-$1
    printf '%s\n' -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/parts" \
        -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" -o APT::Sandbox::User=root
}
private_apt() {
    local options
    mapfile -t options < <(private_options "$1")
    apt-get "${apt_options[@]}" "${options[@]}" "${@:2}" </dev/null
}
private_update() {
    local options
    mapfile -t options < <(private_options "$1")
    apt_update "${options[@]}"
}
