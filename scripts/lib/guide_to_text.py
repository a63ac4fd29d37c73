#!/usr/bin/env python3
"""The user guide (Markdown) as the release archive's README.txt: plain ASCII text, as Notepad
shows it, with CR LF line ends and lines of at most 78 columns. Headings are underlined, list
items and table rows become indented paragraphs, code spans and emphasis keep only their text (a
code span of several words in running text in quotes), a link its text (in quotes where it names
a section of the guide).
Usage: guide_to_text.py GUIDE.md > README.txt"""
import re
import sys
import textwrap

WIDTH = 78
# Typographic characters a guide may hold, written as ASCII.
ASCII_FOR = {"\u2018": "'", "\u2019": "'", "\u201c": '"', "\u201d": '"', "\u2013": "-",
             "\u2014": "--", "\u2026": "...", "\u00a0": " "}


def code(span, bare):
    """A code span's text; in running text, one of several words stands in quotes."""
    return span if bare or " " not in span else f'"{span}"'


def inline(text, bare=False):
    """Code spans, emphasis and links as their text; `bare` leaves code spans unquoted."""
    text = re.sub(r"\[([^\]]*)\]\(#[^)]*\)", r'"\1"', text)  # a section of the guide
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"`([^`]*)`", lambda span: code(span.group(1), bare), text)
    text = re.sub(r"\*\*([^*]+)\*\*", r"\1", text)
    text = text.replace("\\|", "|")
    for typographic, ascii_text in ASCII_FOR.items():
        text = text.replace(typographic, ascii_text)
    return text


def wrapped(text, first, rest, bare=False):
    return textwrap.wrap(inline(text, bare), WIDTH, initial_indent=first, subsequent_indent=rest,
                         break_long_words=True, break_on_hyphens=False) or [first.rstrip()]


def cells(row):
    return [cell.strip() for cell in re.split(r"(?<!\\)\|", row.strip().strip("|"))]


def convert(markdown):
    out = []
    blocks = re.split(r"\n\s*\n", markdown.strip("\n"))
    for block in blocks:
        lines = block.split("\n")
        if lines[0].startswith("#"):
            title = inline(lines[0].lstrip("#").strip())
            level = len(lines[0]) - len(lines[0].lstrip("#"))
            out += [title, "=-~"[min(level, 3) - 1] * len(title)]
        elif lines[0].startswith("|"):
            header = cells(lines[0])
            for row in lines[2:]:
                row_cells = cells(row)
                out += wrapped(row_cells[0], "* ", "  ", bare=True)
                for name, cell in zip(header[1:], row_cells[1:]):
                    out += wrapped(f"{name}: {cell}", "    ", "      ")
                out.append("")
            out.pop()
        elif re.match(r"(-|\d+\.) ", lines[0]):
            items = re.split(r"\n(?=-|\d+\. )", block)
            for item in items:
                marker = re.match(r"(-|\d+\.) ", item).group(0)
                text = " ".join(line.strip() for line in item[len(marker):].split("\n"))
                out += wrapped(text, "  " + marker, " " * (2 + len(marker)))
        else:
            out += wrapped(" ".join(line.strip() for line in lines), "", "")
        out.append("")
    text = "\n".join(out).rstrip("\n") + "\n"
    for number, line in enumerate(text.split("\n"), 1):
        if not line.isascii():
            sys.exit(f"guide_to_text: line {number} is not ASCII: {line}")
    return text.replace("\n", "\r\n")


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as guide:
        sys.stdout.buffer.write(convert(guide.read()).encode("ascii"))
