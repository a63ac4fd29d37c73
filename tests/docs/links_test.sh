#!/usr/bin/env bash
# The documents stay whole and the README short: every relative link of README.md and docs/*.md
# names a file or folder of the checkout, and README.md has fewer than 200 lines.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"

failures=0
fail() { printf 'docs test: FAILED: %s\n' "$*" >&2; failures=$((failures + 1)); }

for document in README.md docs/*.md; do
    # The targets of [text](target) and ![alt](target), without a #fragment.
    while IFS= read -r target; do
        case $target in http://* | https://* | mailto:* | '#'*) continue ;; esac
        [[ -e $(dirname "$document")/${target%%#*} ]] || fail "$document links to $target, which does not exist"
    done < <(grep -o '\]([^) ]*)' "$document" | sed 's/^\](//; s/)$//')
done
lines=$(wc -l <README.md)
((lines < 200)) || fail "README.md has $lines lines; keep it under 200 and move the rest to docs/"

((failures == 0)) || exit 1
printf 'docs test: every relative link found, README.md %d lines\n' "$lines"
