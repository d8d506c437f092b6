#!/usr/bin/python3
"""Checks installed Windows release files: each is stripped (no .debug_*
sections) and its .gnu_debuglink names FILE.debug beside it, whose CRC-32
matches the one recorded and which holds the debug information.

usage: check-debug-link.py OBJDUMP FILE...
"""
import os
import re
import subprocess
import sys
import zlib


def section_names(objdump, path):
    out = subprocess.run([objdump, "-h", path], check=True, capture_output=True, text=True).stdout
    return re.findall(r"^\s*\d+\s+(\S+)", out, re.MULTILINE)


def debug_link(objdump, path):
    """(file name, CRC-32) of the .gnu_debuglink section, or None."""
    out = subprocess.run([objdump, "-s", "-j", ".gnu_debuglink", path],
                         check=True, capture_output=True, text=True).stdout
    data = bytearray()
    for line in out.splitlines():
        # " ADDRESS WORD WORD WORD WORD  ASCII": up to four hex words.
        m = re.match(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if m:
            data += bytes.fromhex(m.group(1).replace(" ", ""))
    if not data:
        return None
    name = bytes(data[:data.index(0)]).decode()
    # The CRC follows the name, its NUL and padding to four bytes.
    crc_at = (len(name) + 1 + 3) // 4 * 4
    return name, int.from_bytes(data[crc_at:crc_at + 4], "little")


def check(objdump, path):
    problems = []
    names = section_names(objdump, path)
    debug_sections = [n for n in names if n.startswith(".debug_")]
    if debug_sections:
        problems.append(f"carries debug sections: {' '.join(debug_sections)}")
    link = debug_link(objdump, path) if ".gnu_debuglink" in names else None
    if link is None:
        return problems + ["has no .gnu_debuglink section"]
    name, crc = link
    want = os.path.basename(path) + ".debug"
    if name != want:
        problems.append(f".gnu_debuglink names {name!r}, expected {want!r}")
    debug_file = os.path.join(os.path.dirname(path), name)
    if not os.path.isfile(debug_file):
        return problems + [f"{debug_file} was not installed"]
    with open(debug_file, "rb") as f:
        actual = zlib.crc32(f.read())
    if actual != crc:
        problems.append(f"{name} has CRC-32 {actual:08x}, the link records {crc:08x}")
    if ".debug_info" not in section_names(objdump, debug_file):
        problems.append(f"{name} holds no .debug_info")
    return problems


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    objdump = sys.argv[1]
    failed = 0
    for path in sys.argv[2:]:
        problems = check(objdump, path)
        for p in problems:
            print(f"FAIL: {path}: {p}")
        failed += bool(problems)
        if not problems:
            print(f"{path}: stripped, {os.path.getsize(path)} bytes; debug information in "
                  f"{os.path.basename(path)}.debug, {os.path.getsize(path + '.debug')} bytes")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
