#!/usr/bin/env python3
"""The bench's table: medians of the lines that scripts/lib/bench-on-bench.sh wrote, each figure
set against its goal, as Markdown. A missed goal is shown, never an error.

    report.py SAMPLES RUNS POLL_RUNS ARCHS [ARCH=STRIPPED_EXE ...]

SAMPLES holds one line a run: "ARCH KIND run=N NAME=VALUE ...", KIND being launcher, floor (the
shell floor), conforming (the conforming floor) or polls; ARCHS the measured builds, blank
between.
"""
import collections
import os
import statistics
import sys

START_GOAL = 1.1  # launcher against the conforming floor
MEMORY_GOAL = 1.15  # the same, peak memory of the start-up runs
CPU_GOAL_PERCENT = 0.5
SIZE_GOAL_KIB = 400

samples, runs, poll_runs, archs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4].split()
sizes = dict(arg.split("=", 1) for arg in sys.argv[5:])

values = collections.defaultdict(list)  # (arch, kind, name) -> values in the order of the runs
with open(samples) as lines:
    for line in lines:
        arch, kind, *pairs = line.split()
        for name, value in (pair.split("=", 1) for pair in pairs):
            values[arch, kind, name].append(float(value))
for (arch, kind, name), seen in list(values.items()):
    if kind == "polls" and name == "wall_s":
        values[arch, kind, "wall_ms"] = [1000 * s for s in seen]
        user, system = values[arch, kind, "user_s"], values[arch, kind, "sys_s"]
        values[arch, kind, "cpu_ms"] = [1000 * (u + s) for u, s in zip(user, system)]


def median(arch, kind, name):
    return statistics.median(values[arch, kind, name])


def milliseconds(arch, kind, name):
    """median ms (lowest-highest): the machine may be shared, and the spread tells how much."""
    seen = values[arch, kind, name]
    if len(seen) < 2:
        return f"{median(arch, kind, name):.0f} ms"
    return f"{median(arch, kind, name):.0f} ms ({min(seen):.0f}-{max(seen):.0f})"


def verdict(met):
    return "met" if met else "**missed**"


def row(*cells):
    cells = list(cells) + [""] * (8 - len(cells))
    print("| " + " | ".join(cells) + " |")


def against_floors(figure, arch, name, show, goal):
    """A row of the launcher against both floors; the goal is set against the conforming one."""
    launcher = median(arch, "launcher", name)
    conforming, shell = median(arch, "conforming", name), median(arch, "floor", name)
    row(figure, show(arch, "launcher", name), show(arch, "conforming", name),
        f"{launcher / conforming:.2f}x", show(arch, "floor", name), f"{launcher / shell:.2f}x",
        f"at most {goal:g}x", verdict(launcher / conforming <= goal))


row("Figure (median, with the range of the runs)", "Launcher", "Conforming floor", "Ratio",
    "Shell floor", "Ratio", "Goal (against the conforming floor)", "Result")
print("|---|---|---|---|---|---|---|---|")
for arch in archs:
    against_floors(f"{arch}: process start to the start of `javaw.exe` ({runs} runs each)", arch,
                   "javaw_ms", milliseconds, START_GOAL)
    if poll_runs > 0:
        cpu, wall = median(arch, "polls", "cpu_ms"), median(arch, "polls", "wall_ms")
        share = 100 * cpu / wall
        row(f"{arch}: CPU over a full 100-poll run without Corvex ({poll_runs} run"
            f"{'s' if poll_runs > 1 else ''})",
            f"{share:.2f}% of a core ({cpu:.0f} ms in {wall / 1000:.1f} s)", "", "", "", "",
            f"under {CPU_GOAL_PERCENT:g}%", verdict(share < CPU_GOAL_PERCENT))
        if len(values[arch, "polls", "startup_cpu_ms"]) == poll_runs:
            startup = median(arch, "polls", "startup_cpu_ms")
            polling, polling_wall = cpu - startup, wall - median(arch, "polls", "startup_wall_ms")
            row(f"{arch}: of it, the start-up (to the first tick) and the polls after it",
                f"{startup:.0f} ms; then {100 * polling / polling_wall:.2f}% of a core "
                f"({polling:.0f} ms in {polling_wall / 1000:.1f} s)")
    row(f"{arch}: Corvex window shown to the first wake-up datagram",
        milliseconds(arch, "launcher", "window_datagram_ms"))
    row(f"{arch}: Corvex window shown to the launcher's exit",
        milliseconds(arch, "launcher", "window_exit_ms"))
    against_floors(f"{arch}: peak resident memory (start-up runs, through the hand-over)", arch,
                   "peak_kib", lambda a, k, n: f"{median(a, k, n) / 1024:.1f} MiB", MEMORY_GOAL)
    if poll_runs > 0:
        row(f"{arch}: peak resident memory (100-poll run)",
            f"{median(arch, 'polls', 'peak_kib') / 1024:.1f} MiB")
for arch, program in sizes.items():
    kib = os.path.getsize(program) / 1024
    row(f"Stripped `ostrel.exe`, {arch}, pictures included", f"{kib:.1f} KiB", "", "", "", "",
        f"under {SIZE_GOAL_KIB} KiB", verdict(kib < SIZE_GOAL_KIB))
