#!/usr/bin/env python3
"""Where a program's bytes come from: the input sections that the linker placed, summed by the
object file they came from, from the GNU linker's map (-Wl,-Map). Sizes are before stripping and
leave out the headers and the padding between sections, so they add up to a little less than the
file.

    size_report.py MAP [--top N] [--against OLD_MAP]

prints the N largest objects (default 12), then the total of each origin: the program's own code
by folder, its resources, and each library. With --against, the map of an earlier build of the
same program (a change's cost: build the commit before it, keep its map), it prints the N objects
whose size changed most instead, and the change in all.
"""
import collections
import re
import sys

# An input section of the memory map: " .text$name  0xADDRESS  0xSIZE  file" on one line, or the
# section's name alone on a line and the rest on the next.
PLACED = re.compile(r"^ (\.\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ALONE = re.compile(r"^ (\.\S+)\s*$")
# libostrel_<folder>[_win32].a(<source>.obj), and the program's own objects.a(<source>.obj).
OURS = re.compile(r"libostrel_([a-z]+?)(?:_logic|_win32)?\.a\((.+?)\.obj\)$")
PROGRAM = re.compile(r"objects\.a\((.+?)(?:\.obj)?\)$")
LIBRARY = re.compile(r"(?:^|/)lib([^/]+?)\.a\((.+)\)$")
ORIGINS = {"jpeg": "libjpeg", "stdc++": "libstdc++", "gcc": "libgcc", "gcc_eh": "libgcc",
           "pthread": "winpthread"}
# A member of an import library: one per imported function, plus its head and tail.
IMPORT = re.compile(r"(?:s\d+|h|t)\.o$")
RUNTIME_OBJECTS = ("crt2.o", "crtbegin.o", "crtend.o")


def origin_and_name(placed_from):
    """("app", "app/Unit1_win32.cpp"), ("libjpeg", "libjpeg jidctint.c"), ..."""
    match = OURS.search(placed_from)
    if match:
        return match[1], f"{match[1]}/{match[2]}"
    match = PROGRAM.search(placed_from)
    if match:
        if match[1].endswith(".rc.res"):
            return "resources", f"app/res/{match[1][:-4]} (pictures, icon, manifest)"
        return "app", f"app/{match[1]}"
    match = LIBRARY.search(placed_from)
    if match and match[1] not in ORIGINS and IMPORT.search(match[2]):
        return "imports", f"imports from {match[1]}"
    if match:
        origin = ORIGINS.get(match[1], "mingw-w64 runtime")
        member = re.sub(r"^.*_l?a-", "", match[2].removesuffix(".obj"))
        return origin, f"{origin} {member}"
    name = placed_from.rsplit("/", 1)[-1]
    if name in RUNTIME_OBJECTS:
        return "mingw-w64 runtime", f"mingw-w64 runtime {name}"
    return "linker", f"linker: {name}"


def sizes_by_object(map_path):
    sizes = collections.Counter()
    origins = {}
    in_memory_map = False
    waiting_name = None
    with open(map_path, errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_memory_map = True
                continue
            if not in_memory_map:
                continue
            alone = NAME_ALONE.match(line)
            if alone:
                waiting_name = alone[1]
                continue
            placed = PLACED.match(line)
            if placed and (placed[1] or waiting_name):
                size = int(placed[2], 16)
                if size:
                    origin, name = origin_and_name(placed[3])
                    sizes[name] += size
                    origins[name] = origin
            waiting_name = None
    return sizes, origins


def kib(size):
    return f"{size / 1024:.1f} KiB"


def print_changes(sizes, old_sizes, top):
    changes = collections.Counter({name: sizes[name] - old_sizes[name]
                                   for name in set(sizes) | set(old_sizes)})
    for name, change in sorted(changes.items(), key=lambda item: -abs(item[1]))[:top]:
        if change:
            print(f"{change / 1024:+9.1f} KiB  {name}")
    change = sum(sizes.values()) - sum(old_sizes.values())
    print(f"In all: {change / 1024:+.1f} KiB, to {kib(sum(sizes.values()))}")


def main():
    args = sys.argv[1:]
    options = dict(zip(args[1::2], args[2::2]))
    if len(args) % 2 != 1 or not set(options) <= {"--top", "--against"}:
        sys.exit("usage: " + __doc__.strip().split("\n\n")[1].strip())
    top = int(options.get("--top", 12))
    sizes, origins = sizes_by_object(args[0])
    if "--against" in options:
        print_changes(sizes, sizes_by_object(options["--against"])[0], top)
        return
    total = sum(sizes.values())
    for name, size in sizes.most_common(top):
        print(f"{kib(size):>10}  {100 * size / total:4.1f}%  {name}")
    by_origin = collections.Counter()
    for name, size in sizes.items():
        by_origin[origins[name]] += size
    print("By origin: " + ", ".join(f"{origin} {kib(size)}" for origin, size in
                                   by_origin.most_common()) + f"; {kib(total)} in all")


if __name__ == "__main__":
    main()
