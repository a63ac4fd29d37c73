"""Prints the dpkg status of a fresh machine of this kind, made from this machine's own: the
packages every Debian system has (required or essential) and what they depend on, of the native
architecture only. apt resolves the set-up's package list against it as it would on a machine
that has never run the set-up.

    base_system.py STATUS-FILE ARCHITECTURE > STATUS
"""
import re
import sys


def field(stanza, name):
    match = re.search(r"^" + name + r": (.*(?:\n .*)*)", stanza, re.M)
    return match.group(1).replace("\n", " ") if match else ""


def main(path, architecture):
    with open(path, encoding="utf-8") as status:
        stanzas = [s for s in status.read().split("\n\n") if s.strip()]
    installed, providers = {}, {}
    for stanza in stanzas:
        if "install ok installed" not in field(stanza, "Status"):
            continue
        if field(stanza, "Architecture") not in ("all", architecture):
            continue
        name = field(stanza, "Package")
        installed[name] = stanza
        for provided in field(stanza, "Provides").split(","):
            provided = provided.strip().split(" ")[0]
            if provided:
                providers.setdefault(provided, []).append(name)

    todo = [n for n, s in installed.items()
            if field(s, "Priority") == "required" or field(s, "Essential") == "yes"]
    kept = set(todo)
    while todo:
        stanza = installed[todo.pop()]
        for relation in ("Pre-Depends", "Depends"):
            for dependency in field(stanza, relation).split(","):
                # The first alternative that is installed, by name or as what a package provides.
                for alternative in dependency.split("|"):
                    wanted = alternative.strip().split(" ")[0].split(":")[0]
                    if not wanted:
                        continue
                    found = [wanted] if wanted in installed else providers.get(wanted, [])
                    if found:
                        if found[0] not in kept:
                            kept.add(found[0])
                            todo.append(found[0])
                        break
    sys.stdout.write("\n\n".join(installed[n] for n in sorted(kept)) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
