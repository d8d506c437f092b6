#!/usr/bin/python3
"""hsinfo --hives over truncated, corrupted and hand-made hive files: each
must give exit status 2 and one line on standard error that names the file
and what is wrong, or, for the odd but sound ones, an inventory; never a
crash or a hang.

    check_hostile.py --hsinfo PATH"""

import lzma
import os
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import make_creg
import make_regf
from regfile import Key

HERE = os.path.dirname(os.path.abspath(__file__))


def shared(name):
    with lzma.open(os.path.join(HERE, "hives", name)) as f:
        return bytearray(f.read())


def write(folder, name, data):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)
    return path


def regf(folder, name, tree, role="SYSTEM"):
    """A regf hive made with hivexregedit from a key tree."""
    path = write(folder, name, make_regf.minimal_hive(role))
    with open(path + ".reg", "w", encoding="utf-8") as out:
        make_regf.write_reg(tree, "HKEY_LOCAL_MACHINE\\" + role, out)
    subprocess.run(["hivexregedit", "--merge", "--prefix", "HKEY_LOCAL_MACHINE\\" + role, path, path + ".reg"],
                   check=True)
    os.remove(path + ".reg")
    return path


def system_tree(current=1):
    tree = Key("")
    tree.child("Select").set("Current", 4, current.to_bytes(4, "little"))
    tree.child("ControlSet001").child("Control").child("ComputerName").child("ComputerName") \
        .set("ComputerName", 1, b"HOSTILE\0")
    return tree


def cut(data, size):
    return bytes(data[:size])


def patched(data, offset, new):
    data = bytearray(data)
    data[offset:offset + len(new)] = new
    return bytes(data)


def creg_with_loop():
    """Two keys below the root; the second's next-sibling link points to itself."""
    root = Key("")
    root.child("Enum")
    root.child("System")
    data = make_creg.build(root)
    third = 0x20 + 0x20 + 2 * 28  # the root's entry, then the two keys'
    return patched(data, third + 20, struct.pack("<I", 0x20 + 2 * 28))


def creg_root():
    root = Key("")
    root.child("Enum")
    return root


def deep_tree(levels):
    tree = system_tree()
    key = tree.child("ControlSet001").child("Enum")
    for _ in range(levels):
        key = key.child("k")
    return tree


def odd_values():
    tree = system_tree()
    instance = tree.child("ControlSet001").child("Enum").child("PCI").child("VEN_1").child("0")
    instance.set("ClassGUID", 1, "{4D36E968-E325-11CE-BFC1-08002BE10318}\0".encode())
    instance.set("DeviceDesc", 1, make_regf.Raw("no NUL".encode("utf-16-le")))  # text without its NUL
    instance.set("FriendlyName", 1, make_regf.Raw(b"o\0d\0d"))  # an odd number of bytes
    instance.set("Huge", 3, bytes(500000))
    instance.set("Odd", 0x12345678, b"\1\2\3")
    instance.set("", 0xFFFF0010, b"\0" * 8)
    instance.child("Control")
    return tree


def many_keys(count):
    tree = system_tree()
    device = tree.child("ControlSet001").child("Enum").child("ROOT").child("LEGACY")
    for i in range(count):
        device.child("%04d" % i).set("ClassGUID", 1, b"{4D36E96C-E325-11CE-BFC1-08002BE10318}\0")
    return tree


# (what, make(folder) -> the paths to give, expected status, a part of the message)
CASES = [
    ("an empty file", lambda d: [write(d, "SYSTEM", b"")], 2, "too short for a hive file"),
    ("a text file", lambda d: [write(d, "SYSTEM", b"Windows Registry Editor Version 5.00\n")], 2, "not a hive file"),
    ("a regf hive cut short", lambda d: [write(d, "SYSTEM", cut(shared("win81-SYSTEM.xz"), 2000000))], 2,
     "truncated: the announced key data needs 7634944 bytes, the file holds 2000000"),
    ("a regf hive cut inside its header", lambda d: [write(d, "SYSTEM", cut(shared("win81-SYSTEM.xz"), 1000))], 2,
     "truncated: the header needs 4096 bytes"),
    ("a CREG file cut short", lambda d: [write(d, "SYSTEM.DAT", cut(shared("win-me-SYSTEM.DAT.xz"), 600000))], 2,
     "truncated: data block 10 of 21 needs 639008 bytes"),
    ("a regf header overwritten", lambda d: [write(d, "SYSTEM", patched(shared("win81-SYSTEM.xz"), 0x30, b"XX"))], 2,
     "the header's checksum does not match"),
    ("a regf hive bin overwritten",
     lambda d: [write(d, "SYSTEM", patched(shared("win81-SYSTEM.xz"), 0x2000, b"XXXX"))], 2, "libhivex cannot read it"),
    ("a CREG key block overwritten",
     lambda d: [write(d, "SYSTEM.DAT", patched(shared("win-me-SYSTEM.DAT.xz"), 0x20, b"XXXX"))], 2, "no key block"),
    ("a CREG data block misplaced",
     lambda d: [write(d, "SYSTEM.DAT", patched(shared("win-me-SYSTEM.DAT.xz"), 8, struct.pack("<I", 0x23024)))], 2,
     "data block 1 of 21 is not where the file says"),
    ("a CREG key linked into a loop", lambda d: [write(d, "SYSTEM.DAT", creg_with_loop())], 2, "(a loop)"),
    ("a regf hive of neither kind", lambda d: [write(d, "SYSTEM", make_regf.minimal_hive("SYSTEM"))], 2,
     "neither SYSTEM (no Select key) nor SOFTWARE"),
    ("a SYSTEM hive without its current control set", lambda d: [regf(d, "SYSTEM", system_tree(7))], 2,
     "Select\\Current names ControlSet007, which the hive lacks"),
    ("keys nested 600 deep", lambda d: [regf(d, "SYSTEM", deep_tree(600))], 2, "keys nested deeper than"),
    ("last-session without arrival times", lambda d: [regf(d, "SYSTEM", system_tree()), "--present", "last-session"],
     2, "--present last-session cannot be used"),
    ("two SYSTEM hives",
     lambda d: [regf(d, "a/SYSTEM", system_tree()), regf(d, "b/SYSTEM", system_tree())], 2, "are both SYSTEM hives"),
    ("a 9x and an NT hive",
     lambda d: [write(d, "SYSTEM.DAT", make_creg.build(creg_root())),
                regf(d, "SYSTEM", system_tree())], 2, "belong to different installations"),
    ("a folder without hive files", lambda d: [os.path.join(d, "")], 2, "holds no file named SYSTEM"),
    # Odd but sound: an inventory.
    ("odd values: no NUL, an odd length, 500 kB, unknown types", lambda d: [regf(d, "SYSTEM", odd_values())], 0, ""),
    ("5000 device instances", lambda d: [regf(d, "SYSTEM", many_keys(5000))], 0, ""),
]


def check(hsinfo, what, make, status, message):
    with tempfile.TemporaryDirectory() as folder:
        args = make(folder)
        try:
            run = subprocess.run([hsinfo, "--json", "--hives", *args], capture_output=True, text=True, timeout=120)
        except subprocess.TimeoutExpired:
            print("FAIL %s: no answer within 120 s" % what)
            return False
    lines = run.stderr.splitlines()
    if status == 0:
        ok = run.returncode == 0 and not lines
    else:
        ok = (run.returncode == status and len(lines) == 1 and message in lines[0] and
              any(lines[0].startswith("hsinfo: " + a) for a in args if not a.startswith("--")))
    print("%s %s: status %d %s" % ("ok  " if ok else "FAIL", what, run.returncode, run.stderr.strip()))
    return ok


def main(args):
    if len(args) != 2 or args[0] != "--hsinfo":
        sys.exit(__doc__)
    results = [check(args[1], *case) for case in CASES]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main(sys.argv[1:])
