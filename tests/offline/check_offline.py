#!/usr/bin/python3
"""hsinfo --hives over hive files; README.md says what each mode checks.

    check_offline.py --hsinfo PATH hives [--update] [CASE...]
    check_offline.py --hsinfo PATH samples NAME...
    check_offline.py --hsinfo PATH hostile"""

import json
import lzma
import os
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "glpi"))
import check_glpi
import make_creg
import make_regf
from check_glpi import Checker, compare_expected, report, run
from regfile import Key, read_profile

HERE = os.path.dirname(os.path.abspath(__file__))
MACHINES = os.path.join(HERE, "..", "..", "machines")


def shared(name):
    with lzma.open(os.path.join(HERE, "hives", name)) as f:
        return bytearray(f.read())


def write(folder, name, data):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)
    return path


# --- hives: the real hive files -------------------------------------------

# name: (hive copy under hives/, restored as, hsinfo arguments)
HIVES = {
    "win81": ("win81-SYSTEM.xz", "win81/SYSTEM", []),
    "win81-present-all": ("win81-SYSTEM.xz", "win81/SYSTEM", ["--present", "all"]),
    "win81-present-none": ("win81-SYSTEM.xz", "win81/SYSTEM", ["--present", "none"]),
    "win-me": ("win-me-SYSTEM.DAT.xz", "win-me/SYSTEM.DAT", []),
}


def check_hive(hsinfo, name, update):
    copy, restored, args = HIVES[name]
    c = Checker(name)
    with tempfile.TemporaryDirectory() as scratch:
        write(scratch, restored, shared(copy))
        _, raw_json = check_glpi.check_run(c, [hsinfo, *args, "--hives", restored], [], scratch)
    if not c.errors:
        compare_expected(c, os.path.join(HERE, "expected", name + ".json"), raw_json, update)
    return c


# --- samples: the sample machines as hive files ----------------------------

def without_volatile(doc, nt4):
    """The inventory without what a hive file does not hold."""
    # The running processor (CPUID), the IP helper's and NetBIOS adapters,
    # failures of these families, and the offline section of --hives.
    doc = {k: v for k, v in doc.items() if k not in ("offline", "processors", "adapters", "netbios", "failures")}
    if doc.get("common"):  # the memory status
        doc["common"] = {k: v for k, v in doc["common"].items() if k != "memoryStatus"}
    if doc.get("user"):  # the IP helper's first adapter
        doc["user"] = {k: v for k, v in doc["user"].items() if k not in ("ipAddress", "mac")}
    # The IP helper's adapters; the spooler's printers.
    doc["devices"] = [d for d in doc["devices"] if d["type"] not in ("Net", "Printer")]
    # The running machine's CD-ROM placeholders; NT 4's CD-ROM and disk
    # drives (HARDWARE\DEVICEMAP\Scsi, which NT 4 builds at boot).
    doc["drives"] = [d for d in doc["drives"] if not d["description"].startswith("CDRom ")
                     and not (nt4 and d["type"] in ("CDROM", "DiskDrive"))]
    return doc


def inventory(hsinfo, *args):
    status, out, notes = run([hsinfo, "--json", *args])
    if status != 0 or notes:
        raise RuntimeError("hsinfo %s: status %d\n%s" % (" ".join(args), status, notes))
    return json.loads(out)


def check_sample(hsinfo, name):
    profile = os.path.join(MACHINES, name + ".reg")
    machine = read_profile(profile)
    current = machine.child("SOFTWARE").child("Microsoft").child("Windows NT").child("CurrentVersion")
    nt4 = any(n == "CurrentVersion" and data.startswith(b"4.") for n, _, data in current.values)
    with tempfile.TemporaryDirectory() as folder:
        if machine.child("Enum").subkeys:  # the 9x family keeps Enum at the top
            write(folder, "SYSTEM.DAT", make_creg.build(machine))
        else:
            make_regf.main(["--times", profile, folder])
        offline = without_volatile(inventory(hsinfo, "--hives", folder), nt4)
    live = without_volatile(inventory(hsinfo, "--machine", profile), nt4)
    c = Checker(name)
    for key in sorted(set(live) | set(offline)):
        c.equal(key + " from hive files (profile last)", offline.get(key), live.get(key))
    return c


# --- hostile: broken and odd files -----------------------------------------

def regf(folder, name, tree):
    return make_regf.make_hive(os.path.join(folder, name), "SYSTEM", tree)


def system_tree(current=1):
    tree = Key("")
    tree.child("Select").set("Current", 4, current.to_bytes(4, "little"))
    tree.child("ControlSet001").child("Control").child("ComputerName").child("ComputerName") \
        .set("ComputerName", 1, b"HOSTILE\0")
    return tree


def patched(data, offset, new):
    data = bytearray(data)
    data[offset:offset + len(new)] = new
    return bytes(data)


def creg(*names):
    """A CREG file with the given keys below its root."""
    root = Key("")
    for name in names:
        root.child(name)
    return make_creg.build(root)


def creg_with_loop():
    """Two keys below the root; the second's next-sibling link points to itself."""
    third = 0x20 + 0x20 + 2 * 28  # the root's entry, then the two keys'
    return patched(creg("Enum", "System"), third + 20, struct.pack("<I", 0x20 + 2 * 28))


def enum_key(tree, *path):
    key = tree.child("ControlSet001").child("Enum")
    for name in path:
        key = key.child(name)
    return key


def deep_tree(levels):
    tree = system_tree()
    enum_key(tree, *(["k"] * levels))
    return tree


def odd_values():
    tree = system_tree()
    instance = enum_key(tree, "PCI", "VEN_1", "0")
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
    device = enum_key(tree, "ROOT", "LEGACY")
    for i in range(count):
        device.child("%04d" % i).set("ClassGUID", 1, b"{4D36E96C-E325-11CE-BFC1-08002BE10318}\0")
    return tree


# (what, make(folder) -> the paths to give, expected status, a part of the message)
HOSTILE = [
    ("an empty file", lambda d: [write(d, "SYSTEM", b"")], 2, "too short for a hive file"),
    ("a text file", lambda d: [write(d, "SYSTEM", b"Windows Registry Editor Version 5.00\n")], 2, "not a hive file"),
    ("a regf hive cut short", lambda d: [write(d, "SYSTEM", shared("win81-SYSTEM.xz")[:2000000])], 2,
     "truncated: the announced key data needs 7634944 bytes, the file holds 2000000"),
    ("a regf hive cut inside its header", lambda d: [write(d, "SYSTEM", shared("win81-SYSTEM.xz")[:1000])], 2,
     "truncated: the header needs 4096 bytes"),
    ("a CREG file cut short", lambda d: [write(d, "SYSTEM.DAT", shared("win-me-SYSTEM.DAT.xz")[:600000])], 2,
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
    ("a 9x and an NT hive", lambda d: [write(d, "SYSTEM.DAT", creg("Enum")), regf(d, "SYSTEM", system_tree())], 2,
     "belong to different installations"),
    ("a folder without hive files", lambda d: [os.path.join(d, "")], 2, "holds no file named SYSTEM"),
    # Odd but sound: an inventory.
    ("odd values: no NUL, an odd length, 500 kB, unknown types", lambda d: [regf(d, "SYSTEM", odd_values())], 0, ""),
    ("5000 device instances", lambda d: [regf(d, "SYSTEM", many_keys(5000))], 0, ""),
]


def check_hostile(hsinfo, what, make, status, message):
    c = Checker(what)
    with tempfile.TemporaryDirectory() as folder:
        args = make(folder)
        try:
            answer, _, notes = run([hsinfo, "--json", "--hives", *args], timeout=120)
        except subprocess.TimeoutExpired:
            c.errors.append("no answer within 120 s")
            return c
    lines = notes.splitlines()
    c.equal("exit status and stderr lines", (answer, len(lines)), (status, 1 if status else 0))
    if status and lines:
        c.true("stderr %r does not say %r of the file" % (lines[0], message), message in lines[0] and
               any(lines[0].startswith("hsinfo: " + a) for a in args if not a.startswith("--")))
    return c


def main(args):
    if len(args) < 3 or args[0] != "--hsinfo" or args[2] not in ("hives", "samples", "hostile"):
        sys.exit(__doc__)
    hsinfo, mode, rest = os.path.abspath(args[1]), args[2], args[3:]
    if mode == "hives":
        names = [a for a in rest if a != "--update"] or list(HIVES)
        results = [check_hive(hsinfo, name, "--update" in rest) for name in names]
    elif mode == "samples":
        results = [check_sample(hsinfo, name) for name in rest]
    else:
        results = [check_hostile(hsinfo, *case) for case in HOSTILE]
    sys.exit(report(results))


if __name__ == "__main__":
    main(sys.argv[1:])
