#!/usr/bin/python3
"""Runs hsinfo --hives over the real hive files under hives/ and compares
each JSON inventory with the expected one under expected/; the GLPI document
of each must hold the same facts (tests/glpi/check_glpi.py --pair).

    check_hives.py --hsinfo PATH [--update] [CASE...]

The files are restored from their xz copies into a scratch folder, under the
names an installation gives them, and hsinfo reads them by relative paths,
so that the documents name them the same on every machine. --update rewrites
the expected files instead (after a deliberate change; read the diff)."""

import difflib
import lzma
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK_GLPI = os.path.join(HERE, "..", "glpi", "check_glpi.py")
TIME = "2024-05-17 09:30:00"

# name: (hive copy under hives/, restored as, hsinfo arguments)
CASES = {
    "win81": ("win81-SYSTEM.xz", "win81/SYSTEM", []),
    "win81-present-all": ("win81-SYSTEM.xz", "win81/SYSTEM", ["--present", "all"]),
    "win81-present-none": ("win81-SYSTEM.xz", "win81/SYSTEM", ["--present", "none"]),
    "win-me": ("win-me-SYSTEM.DAT.xz", "win-me/SYSTEM.DAT", []),
}


def run(hsinfo, name, update):
    copy, restored, args = CASES[name]
    with tempfile.TemporaryDirectory() as scratch:
        target = os.path.join(scratch, restored)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with lzma.open(os.path.join(HERE, "hives", copy)) as src, open(target, "wb") as out:
            out.write(src.read())
        done = subprocess.run([hsinfo, "--json", *args, "--hives", restored], cwd=scratch,
                              capture_output=True, text=True)
        if done.returncode != 0 or done.stderr:
            print("FAIL %s: hsinfo exited with status %d\n%s" % (name, done.returncode, done.stderr))
            return False
        glpi = subprocess.run([hsinfo, "--format", "glpi", "--time", TIME, *args, "--hives", restored], cwd=scratch,
                              capture_output=True, text=True)
        for suffix, text in (("json", done.stdout), ("glpi", glpi.stdout), ("notes", glpi.stderr)):
            with open(os.path.join(scratch, "out." + suffix), "w") as out:
                out.write(text)
        paired = subprocess.run(["/usr/bin/python3", CHECK_GLPI, "--pair", "out.glpi", "out.json", "--notes",
                                 "out.notes", "--time", TIME], cwd=scratch, capture_output=True, text=True)
    if glpi.returncode != 0 or paired.returncode != 0:
        print("FAIL %s: the GLPI document (status %d) does not hold the inventory's facts\n%s%s" %
              (name, glpi.returncode, paired.stdout, paired.stderr))
        return False
    expected = os.path.join(HERE, "expected", name + ".json")
    if update:
        with open(expected, "w") as out:
            out.write(done.stdout)
        print("wrote %s" % expected)
        return True
    with open(expected) as f:
        want = f.read()
    if want == done.stdout:
        print("ok   %s" % name)
        return True
    print("FAIL %s: the inventory differs from %s" % (name, expected))
    sys.stdout.writelines(difflib.unified_diff(want.splitlines(True), done.stdout.splitlines(True),
                                               name + ".json (expected)", name + ".json (actual)"))
    return False


def main(args):
    if len(args) < 2 or args[0] != "--hsinfo":
        sys.exit(__doc__)
    hsinfo = os.path.abspath(args[1])
    rest = args[2:]
    update = "--update" in rest
    names = [a for a in rest if a != "--update"] or list(CASES)
    results = [run(hsinfo, name, update) for name in names]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main(sys.argv[1:])
