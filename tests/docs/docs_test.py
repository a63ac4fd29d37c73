#!/usr/bin/env python3
"""The documents say nothing the code has dropped and leave out nothing it shows:
- every text of the table (core/user_texts.h, net/endpoint_texts.h) is printed by the dump
  program, and every line it prints is in the user guide;
- every message the guide's tables quote (first column, in code spans) is one the dump prints,
  unless the row says it is Windows' own;
- every relative link of README.md and docs/*.md names a file, and its #anchor a heading there;
- the layout table of docs/DEVELOPING.md names every file of app/, launch/, handover/, net/, core/;
- the release's README.txt, made from the guide, is ASCII with CR LF ends, at most 78 columns,
  and holds no Markdown and nothing outside the archive;
- README.md has fewer than 200 lines.
Usage: docs_test.py DUMP_PROGRAM (tests/docs/user_texts_dump.cpp, built by the native preset)"""
import fnmatch
import os
import re
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
failures = []


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as text:
        return text.read()


def check_texts(dump_program):
    dump_source = read("tests/docs/user_texts_dump.cpp")
    for header in ("core/user_texts.h", "net/endpoint_texts.h"):
        for group, body in re.findall(r"struct (\w+) : private TextTable \{(.*?)\n\};", read(header),
                                      re.S):
            for entry in re.findall(r"static (?:constexpr TextConstant|UserText) (\w+)", body):
                if f"{group}::{entry}" not in dump_source:
                    failures.append(f"{group}::{entry} is not printed by the dump")
    printed = subprocess.run([dump_program], check=True, capture_output=True,
                             text=True).stdout.splitlines()
    guide = re.sub(r"\n\s*", " ", read("docs/USER-GUIDE.md"))
    failures.extend(f"the guide lacks: {line}" for line in printed if line not in guide)
    for row in re.findall(r"^\| (.*?) \|", read("docs/USER-GUIDE.md"), re.M):
        if "Windows' own" in row:
            continue
        failures.extend(f"the guide quotes what the code does not say: {quoted}"
                        for quoted in re.findall(r"`([^`]*)`", row) if quoted not in printed)


def anchors(markdown):
    """The anchors GitHub gives the headings of a document."""
    found, seen = set(), {}
    for heading in re.findall(r"^#+ (.*)$", markdown, re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        found.add(slug if slug not in seen else f"{slug}-{seen[slug]}")
        seen[slug] = seen.get(slug, 0) + 1
    return found


def check_links():
    for document in ["README.md"] + [f"docs/{name}" for name in os.listdir(f"{ROOT}/docs")]:
        for target in re.findall(r"\]\(([^) ]+)\)", read(document)):
            if re.match(r"[a-z]+:", target):
                continue
            path, _, anchor = target.partition("#")
            linked = os.path.normpath(os.path.join(os.path.dirname(document), path or
                                                   os.path.basename(document)))
            if not os.path.exists(os.path.join(ROOT, linked)):
                failures.append(f"{document} links to {target}, which does not exist")
            elif anchor and anchor not in anchors(read(linked)):
                failures.append(f"{document} links to {target}: {linked} has no such heading")


def check_layout():
    rows = dict(re.findall(r"^\| `([a-z]+/)` \| (.*) \|$", read("docs/DEVELOPING.md"), re.M))
    files = subprocess.run(["git", "ls-files", "app", "launch", "handover", "net", "core"],
                           cwd=ROOT, check=True, capture_output=True, text=True).stdout.split()
    for path in files:
        folder, name = path.split("/", 1)
        named = re.findall(r"`([^`]+)`", rows.get(folder + "/", ""))
        if name != "CMakeLists.txt" and not any(
                fnmatch.fnmatch(name, token) or name.startswith(token.rstrip("/") + "/")
                for token in named):
            failures.append(f"the layout table of docs/DEVELOPING.md does not name {path}")


def check_readme_txt():
    text = subprocess.run([sys.executable, f"{ROOT}/scripts/lib/guide_to_text.py",
                           f"{ROOT}/docs/USER-GUIDE.md"], check=True, capture_output=True).stdout
    if not text.isascii() or text.count(b"\n") != text.count(b"\r\n") or not text.endswith(b"\r\n"):
        failures.append("README.txt is not ASCII in CR LF lines")
    for number, line in enumerate(text.decode("ascii", "replace").split("\r\n"), 1):
        if len(line) > 78:
            failures.append(f"README.txt line {number} is wider than 78 columns")
        if re.search(r"`|\]\(|\*\*|^#|^\||\.md\b|docs/|https?:", line):
            failures.append(f"README.txt line {number} holds Markdown or a file outside: {line}")


check_texts(sys.argv[1])
check_links()
check_layout()
check_readme_txt()
if len(read("README.md").splitlines()) >= 200:
    failures.append("README.md has 200 lines or more: move the rest to docs/")
for failure in failures:
    print(f"docs test: FAILED: {failure}", file=sys.stderr)
if failures:
    sys.exit(1)
print("docs test: the guide lists every user text and quotes no other; links, the layout table "
      "and README.txt hold")
