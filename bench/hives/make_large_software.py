#!/usr/bin/python3
"""Writes a large SOFTWARE hive for timing hsinfo --hives, with Debian's
hivex tools: a minimal hive into which hivexregedit --merge writes generated
keys.

    make_large_software.py OUTPUT [--programs N] [--classes N]

The hive holds N programs under Microsoft\\Windows\\CurrentVersion\\Uninstall
(every tenth without an UninstallString), the version keys, and N class keys
under Classes\\CLSID (in groups of 500) with a few values each (the bulk of a real SOFTWARE
hive, which an inventory does not read)."""

import argparse
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "offline"))
import make_regf  # noqa: E402

PREFIX = "HKEY_LOCAL_MACHINE\\SOFTWARE"
GROUP = 500


def text(value):
    return "hex(1):" + ",".join("%02x" % b for b in (value + "\0").encode("utf-16-le"))


def write_reg(out, programs, classes):
    out.write("Windows Registry Editor Version 5.00\n")
    # hivexregedit makes a key only below one that exists.
    for parent in ("Microsoft", "Microsoft\\Windows NT", "Microsoft\\Windows", "Microsoft\\Windows\\CurrentVersion",
                   "Microsoft\\Windows\\CurrentVersion\\Uninstall", "Classes", "Classes\\CLSID"):
        out.write("\n[%s\\%s]\n" % (PREFIX, parent))
    cv = PREFIX + "\\Microsoft\\Windows NT\\CurrentVersion"
    out.write('\n[%s]\n"ProductName"=%s\n"CurrentVersion"=%s\n"CurrentBuildNumber"=%s\n'
              '"RegisteredOwner"=%s\n' % (cv, text("Windows 8.1 Pro"), text("6.3"), text("9600"), text("Bench")))
    out.write('\n[%s\\Winlogon]\n"DefaultUserName"=%s\n' % (cv, text("bench")))
    un = PREFIX + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
    for i in range(programs):
        out.write('\n[%s\\{%08X-0000-4000-8000-%012X}]\n"DisplayName"=%s\n"DisplayVersion"=%s\n"Publisher"=%s\n'
                  % (un, i, i, text("Program %06d" % i), text("1.%d" % i), text("Publisher %d" % (i % 97))))
        if i % 10:
            out.write('"UninstallString"=%s\n' % text("MsiExec.exe /X{%08X-0000-4000-8000-%012X}" % (i, i)))
    # Spread over groups of GROUP keys: hivex rewrites a key's subkey list
    # whenever it adds a subkey, and a key with many thousands of subkeys
    # would leave the hive mostly old lists.
    for i in range(classes):
        if i % GROUP == 0:
            out.write("\n[%s\\Classes\\CLSID\\Group%05d]\n" % (PREFIX, i // GROUP))
        key = "%s\\Classes\\CLSID\\Group%05d\\{%08X-1111-4000-8000-%012X}" % (PREFIX, i // GROUP, i, i)
        out.write('\n[%s]\n@=%s\n"AppID"=%s\n' % (key, text("Component %d of a large installation" % i),
                                                   text("{%08X-2222-4000-8000-000000000000}" % i)))
        out.write('\n[%s\\InprocServer32]\n@=%s\n"ThreadingModel"=%s\n"Blob"=hex:%s\n'
                  % (key, text("C:\\Program Files\\Vendor %d\\component%d.dll" % (i % 50, i)), text("Both"),
                     ",".join("%02x" % ((i + k) & 0xFF) for k in range(256))))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output")
    parser.add_argument("--programs", type=int, default=3000)
    parser.add_argument("--classes", type=int, default=150000)
    args = parser.parse_args()
    with open(args.output, "wb") as out:
        out.write(make_regf.minimal_hive("SOFTWARE"))
    reg = args.output + ".reg"
    with open(reg, "w", encoding="utf-8") as out:
        write_reg(out, args.programs, args.classes)
    subprocess.run(["hivexregedit", "--merge", "--prefix", PREFIX, args.output, reg], check=True)
    os.remove(reg)


if __name__ == "__main__":
    main()
