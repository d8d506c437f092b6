#!/usr/bin/python3
"""The sample machines as hive files: each profile under machines/ is written
into hive files (make_regf.py for the NT family, with arrival times;
make_creg.py for the 9x family), and hsinfo --hives over them must give the
inventory that hsinfo --machine gives over the profile itself, apart from
the parts that only a running machine has (VOLATILE below).

    check_roundtrip.py --hsinfo PATH NAME...

On a difference the two documents' differing parts are printed and the
exit status is 1."""

import json
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import make_creg
import make_regf
from regfile import read_profile

HERE = os.path.dirname(os.path.abspath(__file__))
MACHINES = os.path.join(HERE, "..", "..", "machines")

# What a hive file does not hold, and why.
VOLATILE = {
    "processors": "the running processor (CPUID)",
    "common.memoryStatus": "the memory status",
    "adapters": "the IP helper's adapters",
    "netbios": "the NetBIOS adapters",
    "user.ipAddress, user.mac": "the IP helper's first adapter",
    "devices Net": "the IP helper's adapters",
    "devices Printer": "the spooler",
    "drives CDRom n": "the running machine's drive letters (CD-ROM placeholders)",
    "NT 4 CD-ROM and disk drives": "HARDWARE\\DEVICEMAP\\Scsi, which NT 4 builds at boot",
    "failures": "the families above",
}


def normalize(doc, nt4):
    doc = dict(doc)
    for family in ("offline", "processors", "adapters", "netbios", "failures"):
        doc.pop(family, None)
    if doc.get("common"):
        doc["common"] = {k: v for k, v in doc["common"].items() if k != "memoryStatus"}
    if doc.get("user"):
        doc["user"] = {k: v for k, v in doc["user"].items() if k not in ("ipAddress", "mac")}
    doc["devices"] = [d for d in doc["devices"] if d["type"] not in ("Net", "Printer")]
    doc["drives"] = [d for d in doc["drives"]
                     if not d["description"].startswith("CDRom ")
                     and not (nt4 and d["type"] in ("CDROM", "DiskDrive"))]
    return doc


def is_nt4(machine):
    current = machine.child("SOFTWARE").child("Microsoft").child("Windows NT").child("CurrentVersion")
    return any(name == "CurrentVersion" and data.startswith(b"4.") for name, _, data in current.values)


def inventory(hsinfo, *args):
    run = subprocess.run([hsinfo, "--json", *args], capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        raise RuntimeError("hsinfo %s: status %d\n%s" % (" ".join(args), run.returncode, run.stderr))
    return json.loads(run.stdout)


def check(hsinfo, name):
    profile = os.path.join(MACHINES, name + ".reg")
    machine = read_profile(profile)
    with tempfile.TemporaryDirectory() as folder:
        if machine.child("Enum").subkeys:  # the 9x family keeps Enum at the top
            with open(os.path.join(folder, "SYSTEM.DAT"), "wb") as out:
                out.write(make_creg.build(machine))
        else:
            make_regf.main(["--times", profile, folder])
        offline = inventory(hsinfo, "--hives", folder)
    live = inventory(hsinfo, "--machine", profile)
    a, b = normalize(live, is_nt4(machine)), normalize(offline, is_nt4(machine))
    if a == b:
        print("ok   %s" % name)
        return True
    print("FAIL %s: the inventory from hive files differs from the profile's" % name)
    for key in sorted(set(a) | set(b)):
        if a.get(key) != b.get(key):
            print("  %s\n    profile: %s\n    hives:   %s" % (key, json.dumps(a.get(key)), json.dumps(b.get(key))))
    return False


def main(args):
    if len(args) < 3 or args[0] != "--hsinfo":
        sys.exit(__doc__)
    results = [check(args[1], name) for name in args[2:]]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main(sys.argv[1:])
