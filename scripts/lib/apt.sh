# shellcheck shell=bash disable=SC2016 # apt's own $(FIELD)s
# apt-get with private sources, lists and cache in $deps/apt-NAME, so that fetching a package
# leaves the machine's apt configuration and state as they were.
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
codename=${codename:-bookworm}

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

# private_apt NAME APT-GET-ARG...
private_apt() {
    local dir=$deps/apt-$1
    apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/parts" \
        -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" \
        -o APT::Sandbox::User=root "${@:2}" </dev/null
}
