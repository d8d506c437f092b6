#!/usr/bin/python3
"""Writes the NT family's hive files (SYSTEM and SOFTWARE) of a machine
profile into FOLDER, as README.md describes; --times adds arrival times.

    make_regf.py [--times] PROFILE.reg FOLDER"""

import os
import struct
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from regfile import Key, read_profile

TIMES = "{83da6326-97a6-4088-9453-a1923f573b29}"
SESSION_START = 130943643925547770  # 2015-12-12 03:26:32.554777 UTC, as a FILETIME
HOUR = 36000000000


def _cell(data):
    size = (4 + len(data) + 7) // 8 * 8
    return struct.pack("<i", -size) + data + b"\0" * (size - 4 - len(data))


def minimal_hive(name):
    """A regf file that holds only its root key."""
    # A self-relative security descriptor without owner, group or lists.
    descriptor = struct.pack("<BBHIIII", 1, 0, 0x8000, 0, 0, 0, 0)
    root_at, sk_at = 0x20, 0x20 + 0x58
    root = struct.pack("<2sHQIIIIIIIIIIIIIIIHH", b"nk", 0x2C, SESSION_START, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF,
                       0, 0xFFFFFFFF, sk_at, 0xFFFFFFFF, 0, 0, 0, 0, 0, 4, 0) + b"ROOT"
    sk = struct.pack("<2sHIIII", b"sk", 0, sk_at, sk_at, 1, len(descriptor)) + descriptor
    cells = _cell(root) + _cell(sk)
    assert len(_cell(root)) == 0x58
    free = 0x1000 - 0x20 - len(cells)
    hbin = struct.pack("<4sIIQQI", b"hbin", 0, 0x1000, 0, SESSION_START, 0).ljust(0x20, b"\0")
    hbin += cells + struct.pack("<i", free) + b"\0" * (free - 4)
    header = struct.pack("<4sIIQIIIIII", b"regf", 1, 1, SESSION_START, 1, 3, 0, 1, root_at, 0x1000)
    header += struct.pack("<I", 1) + name.encode("utf-16-le").ljust(64, b"\0")
    header = header.ljust(508, b"\0")
    checksum = 0
    for (word,) in struct.iter_unpack("<I", header):
        checksum ^= word
    return (header + struct.pack("<I", checksum)).ljust(0x1000, b"\0") + hbin


class Raw(bytes):
    """Value data to be stored as they stand, even for a text type."""


def _reg_line(name, kind, data):
    if kind in (1, 2, 7) and not isinstance(data, Raw):  # the hive keeps text in UTF-16LE
        data = data.decode("cp1252", "replace").encode("utf-16-le")
    quoted = "@" if name == "" else '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
    return "%s=hex(%x):%s" % (quoted, kind, ",".join("%02x" % b for b in data))


def write_reg(key, prefix, out):
    out.write("Windows Registry Editor Version 5.00\n")
    for path, k in key.walk():
        out.write("\n[%s]\n" % "\\".join((prefix,) + path))
        for value in k.values:
            out.write(_reg_line(*value) + "\n")


def _filetime(key, when):
    props = key.child("Properties").child(TIMES).child("0066")
    props.set("", 0xFFFF0010, when.to_bytes(8, "little"))


def system_tree(machine, times):
    system = machine.child("SYSTEM")
    ccs = system.child("CurrentControlSet")
    ccs.name = "ControlSet001"
    system.child("Select").set("Current", 4, (1).to_bytes(4, "little"))
    for enumerator in ccs.child("Enum").subkeys:
        for device in enumerator.subkeys:
            for instance in device.subkeys:
                present = any(s.name.upper() == "CONTROL" for s in instance.subkeys)
                instance.subkeys = [s for s in instance.subkeys if s.name.upper() != "CONTROL"]
                if times:
                    _filetime(instance, SESSION_START + HOUR if present else SESSION_START - 24 * HOUR)
    if times:
        _filetime(ccs.child("Enum").child("ACPI_HAL").child("PNP0C08").child("0"), SESSION_START)
    return system


def make_hive(path, role, tree):
    """A hive file of the given role (SYSTEM, SOFTWARE) that holds tree."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(minimal_hive(role))
    with open(path + ".reg", "w", encoding="utf-8") as out:
        write_reg(tree, "HKEY_LOCAL_MACHINE\\" + role, out)
    subprocess.run(["hivexregedit", "--merge", "--prefix", "HKEY_LOCAL_MACHINE\\" + role, path, path + ".reg"],
                   check=True)
    os.remove(path + ".reg")
    return path


def main(args):
    times = args[:1] == ["--times"]
    args = args[1:] if times else args
    if len(args) != 2:
        sys.exit(__doc__)
    machine = read_profile(args[0])
    make_hive(os.path.join(args[1], "SYSTEM"), "SYSTEM", system_tree(machine, times))
    software = Key("")
    software.subkeys = machine.child("SOFTWARE").subkeys
    make_hive(os.path.join(args[1], "SOFTWARE"), "SOFTWARE", software)


if __name__ == "__main__":
    main(sys.argv[1:])
