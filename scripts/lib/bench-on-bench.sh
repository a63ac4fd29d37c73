#!/usr/bin/env bash
# The bench's runs on the Wine bench (scripts/bench.sh starts it): for each build the driver's
# start-ups of the launcher and the floors side by side, then the launcher's 100-poll runs. One
# line of figures a run, each starting with the build's architecture (bench/report.py reads them).
#   bench-on-bench.sh RUNS POLL-RUNS ARCH...
set -euo pipefail
me=bench
# shellcheck source=scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
[[ -n ${OSTREL_WINE_BENCH:-} ]] || die "this is for the bench's own use on the Wine bench"
runs=$1 poll_runs=$2
shift 2

# One launcher run of use_arch's build through all 100 polls, no Corvex ever showing. Started
# from here rather than by the Windows driver: Wine's GetProcessTimes of another process counts
# less than Linux counts for it (60 against 110 ms in one run), while under Wine the launcher is
# one process of this machine, whose CPU time and peak resident size GNU time reads when it
# ends, all its threads included. The javaw.exe it starts is not its child and is not counted.
polls_run() {
    local run=$1 work=$root/build/bench/polls-$arch-$1 started=${EPOCHREALTIME/./} startup=''
    rm -rf "$work"
    mkdir -p "$work"
    (
        cd "$work"
        OSTREL_STANDIN_RECORD=$(windows_path "$work/record.txt") OSTREL_CORVEX_WINDOWS=none \
            OSTREL_CORVEX_LIFETIME_MS=55000 exec timeout 120 /usr/bin/time \
            -f 'wall_s=%e user_s=%U sys_s=%S peak_kib=%M' -o "$work/time.txt" \
            "$root/scripts/wine-run" "$arch" "$bin/ostrel.exe"
    ) &
    local watched=$! tries launcher stat fields
    # The start-up's share: the launcher's CPU time once it has started the runtime and shown
    # the picture box on its first tick; what it takes after that is the polling's.
    for ((tries = 0; tries < 200; tries++)); do
        grep -q '^event=start$' "$work/record.txt" 2>/dev/null && break
        sleep 0.1
    done
    sleep 1
    # timeout's child is GNU time, whose child is the launcher (wine-run ends in exec).
    launcher=$(pgrep -P "$(pgrep -P "$watched" | head -1)" | head -1) || true
    if [[ -n $launcher ]] && stat=$(cat "/proc/$launcher/stat" 2>/dev/null); then
        read -r -a fields <<<"${stat##*) }"  # from the state on: utime and stime are 11 and 12
        startup=" startup_cpu_ms=$(((fields[11] + fields[12]) * 1000 / $(getconf CLK_TCK)))"
        startup+=" startup_wall_ms=$(((${EPOCHREALTIME/./} - started) / 1000))"
    fi
    wait "$watched" || die "the $arch 100-poll run $run failed"
    grep -q '^event=start$' "$work/record.txt" 2>/dev/null ||
        die "the $arch launcher did not start the stand-in runtime in the 100-poll run $run"
    echo "$arch polls run=$run $(<"$work/time.txt")$startup"
}

for build in "$@"; do
    use_arch "$build"
    "$root/scripts/wine-run" "$arch" "$bin/ostrel_bench.exe" "$runs" | sed "s/^/$arch /"
done
for build in "$@"; do
    ((poll_runs > 0)) || break
    use_arch "$build"
    register_runtime "$(windows_path "$bin/standins/jre")"
    for ((run = 1; run <= poll_runs; run++)); do polls_run "$run"; done
done
