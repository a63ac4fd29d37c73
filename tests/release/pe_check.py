#!/usr/bin/env python3
"""Reads back what a Windows executable asks of the loader, from its PE headers:

    pe_check.py FILE win32|win64

Prints one line per finding that fails (and exits 1): ASLR (DYNAMIC_BASE, with its relocations
kept), DEP (NX_COMPAT) and, for win64, high-entropy ASLR (HIGH_ENTROPY_VA); no section both
writable and executable; WinSock linked from ws2_32.dll, never from wsock32.dll.
"""
import struct
import sys

DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x0040, 0x0100, 0x0020
RELOCS_STRIPPED = 0x0001
SCN_EXECUTE, SCN_WRITE = 0x20000000, 0x80000000


def main(path, target):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{path} is no PE file"]
    sections, optional_size, characteristics = struct.unpack_from("<2xH12xHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    wide = magic == 0x20B
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    directories = optional + (112 if wide else 96)
    table = optional + optional_size

    failures = []
    wanted = [("DYNAMIC_BASE (ASLR)", DYNAMIC_BASE), ("NX_COMPAT (DEP)", NX_COMPAT)]
    if target == "win64":
        wanted.append(("HIGH_ENTROPY_VA (high-entropy ASLR)", HIGH_ENTROPY_VA))
    for name, flag in wanted:
        if not dll_characteristics & flag:
            failures.append(f"not set: {name}")
    if characteristics & RELOCS_STRIPPED:
        failures.append("relocations stripped: the program cannot be moved, ASLR or not")

    spans = []
    for index in range(sections):
        at = table + 40 * index
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        size, address, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
        flags = struct.unpack_from("<I", data, at + 36)[0]
        if flags & SCN_EXECUTE and flags & SCN_WRITE:
            failures.append(f"section {name} is both writable and executable")
        spans.append((address, max(size, raw_size), raw))

    def offset(rva):
        for address, size, raw in spans:
            if address <= rva < address + size:
                return rva - address + raw
        raise ValueError(f"address {rva:#x} lies in no section")

    imports_rva = struct.unpack_from("<I", data, directories + 8)[0]
    dlls = []
    at = offset(imports_rva) if imports_rva else None
    while at is not None:
        descriptor = struct.unpack_from("<5I", data, at)
        if not any(descriptor):
            break
        name_at = offset(descriptor[3])
        dlls.append(data[name_at:data.index(b"\0", name_at)].decode("ascii").lower())
        at += 20
    if "wsock32.dll" in dlls:
        failures.append("imports wsock32.dll, which is looked for beside the program first")
    if "ws2_32.dll" not in dlls:
        failures.append(f"does not import ws2_32.dll (imports: {', '.join(dlls)})")
    return failures


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ("win32", "win64"):
        sys.exit(__doc__)
    found = main(sys.argv[1], sys.argv[2])
    for line in found:
        print(line)
    sys.exit(1 if found else 0)
