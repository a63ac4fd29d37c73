#!/usr/bin/env bash
# Benchmarks the launcher and prints one table (Markdown) of medians, each figure set against its
# goal. Figures that compare the launcher with the floor program (bench/floor.cpp: it starts the
# same stand-in javaw.exe through the shell at once) are measured side by side in one run.
#
#   scripts/bench.sh [--runs N] [--poll-runs M]
#
# --runs       launcher and floor start-ups, in turn, after one warm-up of each (default 9)
# --poll-runs  full 100-poll runs of the launcher without a Corvex, about 51 s each (default 1;
#              0 leaves the CPU figure out)
#
# It installs and builds what is missing (scripts/setup.sh, the win32 and win64 presets), then
# runs everything on the Wine bench (scripts/winebench.sh) in its own prefix, build/bench/, for
# each build in turn: i686 and x86_64, or only x86_64 on a machine that runs no 32-bit programs
# (scripts/wine32.sh), where the table says so. Benchmarks print figures; a missed goal does not
# fail the command.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/bench
size_goal_kib=512
startup_goal=1.4
cpu_goal_percent=0.5

say() { printf 'bench: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }
usage() { sed -n '6,10p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2; exit 1; }

runs=9
poll_runs=1
on_bench=
archs=()
while (($#)); do
    case $1 in
        --runs) (($# >= 2)) || usage; runs=$2; shift 2 ;;
        --poll-runs) (($# >= 2)) || usage; poll_runs=$2; shift 2 ;;
        --on-bench) on_bench=1; shift ;;
        --arch) (($# >= 2)) || usage; archs+=("$2"); shift 2 ;;
        *) usage ;;
    esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "--runs needs a whole number above 0"
[[ $poll_runs =~ ^[0-9]+$ ]] || die "--poll-runs needs a whole number"

# --- on the bench: the runs themselves, one line of figures a run -----------------------------

# A Windows path for a path of this machine, through Wine's Z: drive.
windows_path() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

# The build folder of an architecture's programs.
bin_of() { [[ $1 == i686 ]] && echo "$root/build/win32/bin" || echo "$root/build/win64/bin"; }

# One launcher run through all 100 polls, no Corvex ever showing. Started from here rather than
# by the Windows driver: Wine's GetProcessTimes of another process counts less than Linux counts
# for it (60 against 110 ms in one run), while under Wine the launcher is one process of this
# machine, whose CPU time and peak resident size GNU time reads when it ends, all its threads
# included. The javaw.exe it starts is not its child and is not counted.
polls_run() {
    local arch=$1 run=$2
    local work=$out/polls-$arch-$run
    rm -rf "$work"
    mkdir -p "$work"
    local record
    record=$(windows_path "$work/record.txt")
    local started=$EPOCHREALTIME
    (
        cd "$work"
        OSTREL_STANDIN_RECORD=$record OSTREL_CORVEX_WINDOWS=none OSTREL_CORVEX_LIFETIME_MS=55000 \
            exec timeout 120 /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" \
            "$root/scripts/wine-run" "$arch" "$(bin_of "$arch")/ostrel.exe"
    ) &
    local watched=$!
    # The start-up's share: the launcher's CPU time once it has started the runtime and shown the
    # picture box on its first tick; what it takes after that is the polling's.
    local startup_cpu_ms=-1 startup_wall_ms=-1 launcher tries
    for ((tries = 0; tries < 200; tries++)); do
        grep -q '^event=start$' "$work/record.txt" 2>/dev/null && break
        sleep 0.1
    done
    sleep 1
    # timeout's child is GNU time, whose child is the launcher (wine-run ends in exec).
    launcher=$(pgrep -P "$(pgrep -P "$watched" | head -1)" | head -1) || true
    if [[ -n $launcher && -r /proc/$launcher/stat ]]; then
        startup_cpu_ms=$(awk -v hz="$(getconf CLK_TCK)" '{
            sub(/^.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$launcher/stat")
        startup_wall_ms=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { print (b - a) * 1000 }')
    fi
    wait "$watched" || die "the $arch 100-poll run $run failed"
    grep -q '^event=start$' "$work/record.txt" 2>/dev/null ||
        die "the $arch launcher did not start the stand-in runtime in the 100-poll run $run"
    awk -v arch="$arch" -v run="$run" -v scpu="$startup_cpu_ms" -v swall="$startup_wall_ms" '{
        printf "%s polls run=%d wall_ms=%.1f cpu_ms=%.1f peak_kib=%.1f", arch, run, $1 * 1000,
               ($2 + $3) * 1000, $4
        if (scpu >= 0) printf " startup_cpu_ms=%.1f startup_wall_ms=%.1f", scpu, swall
        printf "\n" }' "$work/time.txt"
}

# Every line of figures starts with the build's architecture.
if [[ -n $on_bench ]]; then
    for arch in "${archs[@]}"; do
        "$root/scripts/wine-run" "$arch" "$(bin_of "$arch")/ostrel_bench.exe" "$runs" |
            sed "s/^/$arch /"
    done
    if ((poll_runs > 0)); then
        for arch in "${archs[@]}"; do
            # Each build reads its own view of the registry, as on a 64-bit Windows.
            "$root/scripts/wine-run" "$arch" reg add \
                'HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.4' /v JavaHome /t REG_SZ \
                /d "$(windows_path "$(bin_of "$arch")/standins/jre")" /f \
                "$([[ $arch == i686 ]] && echo /reg:32 || echo /reg:64)" >/dev/null
            for ((run = 1; run <= poll_runs; run++)); do polls_run "$arch" "$run"; done
        done
    fi
    exit 0
fi

# --- before the bench: what it needs ---------------------------------------------------------

mkdir -p "$out"
log=$out/build.log
: >"$log"
started=$SECONDS
say "setup and builds (log: ${log#"$root"/})"
bash "$root/scripts/setup.sh" >>"$log" 2>&1 || { tail -20 "$log" >&2; die "setup failed"; }
if [[ ! -x /usr/bin/time ]]; then
    say "installing GNU time"
    apt-get install -y time >>"$log" 2>&1 || die "cannot install GNU time, see $log"
fi
build() {
    local preset=$1
    shift
    { cmake --preset "$preset" && cmake --build --preset "$preset" -j2 --target "$@"; } \
        >>"$log" 2>&1 || { tail -20 "$log" >&2; die "the $preset build failed, see $log"; }
}
build win32 ostrel_bench
build win64 ostrel_bench

# shellcheck source=scripts/wine32.sh
source "$root/scripts/wine32.sh"
wine32_route
if [[ $wine32_how == native ]]; then
    archs=(i686 x86_64)
    measured="Both builds, side by side on one bench."
else
    # Under qemu a 32-bit program runs several times slower: its times would say nothing.
    archs=(x86_64)
    measured="The x86_64 build only, not the 32-bit release build: $wine32_why."
fi

# Stripped as a release would ship them; the pictures are resources of the program.
stripped_kib() {
    local arch=$1 program=$2 copy=$out/ostrel-$1.exe
    "$arch-w64-mingw32-strip" -o "$copy" "$program"
    awk -v bytes="$(stat -c %s "$copy")" 'BEGIN { printf "%.1f", bytes / 1024 }'
}
size_i686=$(stripped_kib i686 "$(bin_of i686)/ostrel.exe")
size_x86_64=$(stripped_kib x86_64 "$(bin_of x86_64)/ostrel.exe")

# --- on the bench ------------------------------------------------------------------------------

samples=$out/samples.txt
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
say "running, for ${archs[*]}: $runs start-ups of each and $poll_runs 100-poll run(s) on the bench"
say "(about $(((runs * 4 + poll_runs * 52) * ${#archs[@]} + 15)) s; Wine's own messages go to ${out#"$root"/}/bench.log)"
arch_options=()
for arch in "${archs[@]}"; do arch_options+=(--arch "$arch"); done
"$root/scripts/winebench.sh" --prefix "$out/wineprefix" -- \
    "$BASH" "${BASH_SOURCE[0]}" --on-bench --runs "$runs" --poll-runs "$poll_runs" \
    "${arch_options[@]}" >"$samples" 2>"$out/bench.log" ||
    { cat "$samples" >&2; tail -20 "$out/bench.log" >&2; die "the bench failed, see $out/bench.log"; }

# --- the table -------------------------------------------------------------------------------

cpu_model=$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -1)
wine_version=$(/usr/lib/wine/wine64 --version 2>/dev/null || echo unknown)

awk -v runs="$runs" -v poll_runs="$poll_runs" -v archs="${archs[*]}" \
    -v size_i686="$size_i686" -v size_x86_64="$size_x86_64" -v size_goal="$size_goal_kib" \
    -v startup_goal="$startup_goal" -v cpu_goal="$cpu_goal_percent" '
# The values of one figure of one build in order, in v[1..n]; returns n.
function sorted(arch, kind, field, v,    n, i, j, t) {
    n = count[arch, kind, field]
    for (i = 1; i <= n; i++) v[i] = value[arch, kind, field, i]
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n
}
function median(arch, kind, field,    n, v) {
    n = sorted(arch, kind, field, v)
    if (n == 0) return -1
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
# "median ms (lowest-highest)": the machine may be shared, and the spread tells how much.
function milliseconds(arch, kind, field,    n, v) {
    n = sorted(arch, kind, field, v)
    if (n < 2) return sprintf("%.0f ms", median(arch, kind, field))
    return sprintf("%.0f ms (%.0f-%.0f)", median(arch, kind, field), v[1], v[n])
}
function verdict(met) { return met ? "met" : "**missed**" }
function row(figure, launcher, floor, ratio, goal, result) {
    printf "| %s | %s | %s | %s | %s | %s |\n", figure, launcher, floor, ratio, goal, result
}
$2 == "launcher" || $2 == "floor" || $2 == "polls" {
    for (i = 4; i <= NF; i++) {
        split($i, pair, "=")
        n = ++count[$1, $2, pair[1]]
        value[$1, $2, pair[1], n] = pair[2] + 0
    }
}
END {
    printf "| Figure (median, with the range of the runs) | Launcher | Floor | Ratio | Goal | Result |\n"
    printf "|---|---|---|---|---|---|\n"
    n_archs = split(archs, arch_list, " ")
    for (a = 1; a <= n_archs; a++) {
        arch = arch_list[a]
        launcher = median(arch, "launcher", "javaw_ms"); floor = median(arch, "floor", "javaw_ms")
        ratio = launcher / floor
        row(sprintf("%s: process start to the start of `javaw.exe` (%d runs each)", arch, runs),
            milliseconds(arch, "launcher", "javaw_ms"), milliseconds(arch, "floor", "javaw_ms"),
            sprintf("%.2fx", ratio),
            sprintf("at most %.1fx", startup_goal), verdict(ratio <= startup_goal))
        if (poll_runs > 0) {
            cpu = median(arch, "polls", "cpu_ms"); wall = median(arch, "polls", "wall_ms")
            share = 100 * cpu / wall
            row(sprintf("%s: CPU over a full 100-poll run without Corvex (%d run%s)", arch,
                        poll_runs, poll_runs > 1 ? "s" : ""),
                sprintf("%.2f%% of a core (%.0f ms in %.1f s)", share, cpu, wall / 1000), "", "",
                sprintf("under %g%%", cpu_goal), verdict(share < cpu_goal))
            if (count[arch, "polls", "startup_cpu_ms"] == poll_runs) {
                startup = median(arch, "polls", "startup_cpu_ms")
                polling = cpu - startup; polling_wall = wall - median(arch, "polls", "startup_wall_ms")
                row(arch ": of it, the start-up (to the first tick) and the polls after it",
                    sprintf("%.0f ms; then %.2f%% of a core (%.0f ms in %.1f s)", startup,
                            100 * polling / polling_wall, polling, polling_wall / 1000),
                    "", "", "", "")
            }
        }
        row(arch ": Corvex window shown to the first wake-up datagram",
            milliseconds(arch, "launcher", "window_datagram_ms"), "", "", "", "")
        row(arch ": Corvex window shown to the launcher'"'"'s exit",
            milliseconds(arch, "launcher", "window_exit_ms"), "", "", "", "")
        launcher = median(arch, "launcher", "peak_kib"); floor = median(arch, "floor", "peak_kib")
        row(arch ": peak resident memory (start-up runs, through the hand-over)",
            sprintf("%.1f MiB", launcher / 1024), sprintf("%.1f MiB", floor / 1024),
            sprintf("%.2fx", launcher / floor), "", "")
        if (poll_runs > 0)
            row(arch ": peak resident memory (100-poll run)",
                sprintf("%.1f MiB", median(arch, "polls", "peak_kib") / 1024), "", "", "", "")
    }
    row("Stripped `ostrel.exe`, i686, pictures included", sprintf("%.1f KiB", size_i686), "", "",
        sprintf("under %d KiB", size_goal), verdict(size_i686 < size_goal))
    row("Stripped `ostrel.exe`, x86_64, pictures included", sprintf("%.1f KiB", size_x86_64), "",
        "", sprintf("under %d KiB", size_goal), verdict(size_x86_64 < size_goal))
}' "$samples"

printf '\n%s\n' "$measured"
printf 'Machine: %s CPUs, %s; %s; Debian %s. Measured %s in %d s; load average %s.\n' \
    "$(nproc)" "$cpu_model" "$wine_version" "$(cat /etc/debian_version 2>/dev/null || echo '?')" \
    "$(date -u '+%Y-%m-%d %H:%M UTC')" $((SECONDS - started)) "$load_before"
