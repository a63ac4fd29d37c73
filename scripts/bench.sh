#!/usr/bin/env bash
# Benchmarks the launcher on the Wine bench, in its own prefix build/bench/, and prints one
# Markdown table of medians, each figure against its goal (a missed goal does not fail the
# command; docs/BENCHMARKS.md). Start-up and memory are measured side by side in one run with
# two floor programs: the conforming floor (bench/conforming_floor.cpp), which does what the
# launcher must do before it may start Corvex and nothing else, and which the goals are set
# against, and the shell floor (bench/floor.cpp), which only starts the runtime, for reference.
# Both builds are measured, or only x86_64 where no 32-bit programs run (scripts/wine32.sh).
#: scripts/bench.sh [--runs N] [--poll-runs M]
#:
#: --runs       start-ups of the launcher and of each floor, in turn, after one warm-up of each
#:              (default 25)
#: --poll-runs  full 100-poll runs of the launcher without a Corvex, about 51 s each (default 1;
#:              0 leaves the CPU figure out)
set -euo pipefail
# shellcheck source=scripts/wine32.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"

out=$root/build/bench runs=25 poll_runs=1
while (($#)); do
    case $1 in
        --runs) (($# >= 2)) || usage; runs=$2; shift 2 ;;
        --poll-runs) (($# >= 2)) || usage; poll_runs=$2; shift 2 ;;
        *) usage ;;
    esac
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "--runs needs a whole number above 0"
[[ $poll_runs =~ ^[0-9]+$ ]] || die "--poll-runs needs a whole number"

log=$out/build.log started=$SECONDS
mkdir -p "$out"
: >"$log"
say "setup and builds (log: ${log#"$root"/})"
bash "$root/scripts/setup.sh" >>"$log" 2>&1 || { tail -20 "$log" >&2; die "setup failed"; }
sizes=()
for arch in "${windows_archs[@]}"; do
    use_arch "$arch"
    build_preset "$log" "$preset" ostrel_bench
    # Stripped as a release would ship it; the pictures are resources of the program.
    "$triple-strip" -o "$out/ostrel-$arch.exe" "$bin/ostrel.exe"
    sizes+=("$arch=$out/ostrel-$arch.exe")
done

wine32_route
if [[ $wine32_how == native ]]; then
    archs=(i686 x86_64)
    measured="Both builds, side by side on one bench."
else
    # Under qemu a 32-bit program runs several times slower: its times would say nothing.
    archs=(x86_64)
    measured="The x86_64 build only, not the 32-bit release build: $wine32_why."
fi

samples=$out/samples.txt
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
say "running, for ${archs[*]}: $runs start-ups of each program and $poll_runs 100-poll run(s) on the bench"
say "(about $(((runs * 6 + poll_runs * 52) * ${#archs[@]} + 15)) s; Wine's own messages go to ${out#"$root"/}/bench.log)"
"$root/scripts/winebench.sh" --prefix "$out/wineprefix" -- \
    "$BASH" "$root/scripts/lib/bench-on-bench.sh" "$runs" "$poll_runs" "${archs[@]}" \
    >"$samples" 2>"$out/bench.log" ||
    { cat "$samples" >&2; tail -20 "$out/bench.log" >&2; die "the bench failed, see $out/bench.log"; }

python3 "$root/bench/report.py" "$samples" "$runs" "$poll_runs" "${archs[*]}" "${sizes[@]}"
printf '\n%s\n' "$measured"
printf 'Machine: %s CPUs, %s; %s; Debian %s. Measured %s in %d s; load average %s.\n' \
    "$(nproc)" "$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -1)" \
    "$("$wine64" --version 2>/dev/null || echo unknown)" \
    "$(cat /etc/debian_version 2>/dev/null || echo '?')" \
    "$(date -u '+%Y-%m-%d %H:%M UTC')" $((SECONDS - started)) "$load_before"
# Where each program's size goes, so that a change that grows it shows where.
for arch in "${windows_archs[@]}"; do
    use_arch "$arch"
    printf '\nThe largest parts of the %s `ostrel.exe`, from its linker map (before stripping):\n\n' "$arch"
    python3 "$root/bench/size_report.py" "$root/build/$preset/ostrel.map" --top 8 | sed 's/^/    /'
done
