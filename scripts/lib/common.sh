# shellcheck shell=bash disable=SC2034 # its variables are for the scripts that source it
# What the scripts share, each fact stated once here. Sourced; sets `root`, `deps`, `me`.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# OSTREL_DEPS lets a second checkout of the same commit share one build of the dependencies.
deps=${OSTREL_DEPS:-$root/build/deps}
me=${me:-$(basename "$0" .sh)}
die_status=${die_status:-1}

say() { printf '%s: %s\n' "$me" "$*" >&2; }
die() { say "error: $*"; exit "$die_status"; }
# A script's usage is its header lines that start with "#:".
usage() { sed -n 's/^#: \{0,1\}//p' "$0" >&2; exit "$die_status"; }

# The Windows builds. use_arch ARCH sets `preset` (which builds into build/<preset>, as
# CMakePresets.json says), `bin` (its programs and the stand-ins) and mingw-w64's `triple`.
windows_archs=(i686 x86_64)
use_arch() {
    case $1 in
        i686) preset=win32 ;;
        x86_64) preset=win64 ;;
        *) die "unknown architecture '$1' (i686 or x86_64)" ;;
    esac
    arch=$1 bin=$root/build/$preset/bin triple=$1-w64-mingw32
}

# build_preset LOG PRESET [-DNAME=VALUE...] [TARGET...]: configures the tree at $root with one
# preset (and the -D overrides) and builds it (only the TARGETs, if any). The output goes to LOG,
# whose tail is shown when it fails; with LOG "-" it is shown as it comes.
build_preset() {
    local log=$1 preset=$2 arg options=() targets=() toolchain
    for arg in "${@:3}"; do
        if [[ $arg == -D* ]]; then options+=("$arg"); else targets+=("$arg"); fi
    done
    # A build folder made with a toolchain file that has gone since (renamed, say) is made afresh.
    toolchain=$(sed -n 's/^include("\(.*\)")$/\1/p' "$root/build/$preset"/CMakeFiles/*/CMakeSystem.cmake \
        2>/dev/null | head -1) || true  # none in a new folder
    [[ -z $toolchain || -f $toolchain ]] || options+=(--fresh)
    if [[ $log == - ]]; then
        (preset_steps) || die "the $preset build failed"
    else
        (preset_steps) >>"$log" 2>&1 || { tail -20 "$log" >&2; die "the $preset build failed, see $log"; }
    fi
}
preset_steps() { # build_preset's, with its variables
    cd "$root" && cmake --preset "$preset" "${options[@]}" &&
        cmake --build --preset "$preset" -j2 ${targets[@]:+--target "${targets[@]}"}
}

# Wine's 64-bit loader: with Wine's 32-bit half installed, plain wine is the 32-bit one, through
# which 64-bit programs start slower and see another command line.
wine64=/usr/lib/wine/wine64

# The environment of every Wine process: one prefix of the build tree, no Mono or Gecko prompts,
# and no winemenubuilder, which would turn each link saved on Wine's desktop into a menu entry
# in the Linux user's own home. Wine's own messages stay off, so that a test's output is its
# own; OSTREL_WINEDEBUG, when set, is the WINEDEBUG of a run that looks into Wine (empty: Wine's
# defaults).
wine_env() {
    export WINEPREFIX=$1 WINEDEBUG=${OSTREL_WINEDEBUG--all}
    export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
}

# A Windows path for a path of this machine, through Wine's Z: drive.
windows_path() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

java_key='HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.4'
# register_runtime JAVA_HOME [NAME=DATA...]: on the bench, a runtime as its installer registers
# it: JavaHome and any further values, in the 32-bit registry view (WOW6432Node on 64-bit
# Windows), where both builds of the launcher look first.
register_runtime() {
    local value
    for value in "JavaHome=$1" "${@:2}"; do
        "$root/scripts/wine-run" "$arch" reg add "$java_key" /v "${value%%=*}" /t REG_SZ \
            /d "${value#*=}" /f /reg:32 >/dev/null ||
            die "could not register the stand-in runtime (${value%%=*})"
    done
}

# Text files for Windows users: CR LF line ends.
crlf() { sed 's/\r$//; s/$/\r/'; }
# zip_folder STAGE NAME ZIP TIME: the folder STAGE/NAME and all in it into ZIP, the same bytes
# from the same files: every file and folder with TIME (seconds since 1970) and the usual
# permissions, no extra fields (owner, Unix times), names in a fixed order, times in UTC.
zip_folder() {
    local stage=$1 name=$2 zip=$3 time=$4
    find "$stage/$name" -type d -exec chmod 0755 {} + -o -type f -exec chmod 0644 {} +
    find "$stage/$name" -exec touch -h -d "@$time" {} +
    (cd "$stage" && LC_ALL=C find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q -9 "$zip" -@)
}
