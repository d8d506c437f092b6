#!/usr/bin/python3
"""Runs hsinfo over machine profiles and compares what it prints with the
expected files under tests/machines/expected/:
  NAME.json  the --json inventory (one call of HsiGetSysInfo for most
             families);
  NAME.txt   the text inventory (every family through its own exports),
             then what the library sent to the debugger during each run.

    check_machines.py [--hsinfo PATH] [--update] [NAME...]

NAME is a sample profile under machines/ (win98se, winxp, ...) or a test
profile under tests/machines/profiles/, without ".reg"; no names means all
of them but machines/default.reg. --hsinfo defaults to build/native/hsinfo.
On a mismatch the unified diff (expected, then actual) is printed and the
exit status is 1.

--update, or HS_UPDATE_EXPECTED=1 in the environment, rewrites the expected
files from the current output instead of comparing, and prints what changed.
It is for developers after a deliberate change; review the diff before
committing. Never used by the test runs."""
import argparse
import glob
import os
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "glpi"))
from check_glpi import Checker, compare_expected, report, run


def check_machine(hsinfo, name, update, work):
    c = Checker(name)
    places = (os.path.join(ROOT, "machines"), os.path.join(HERE, "profiles"))
    profiles = [os.path.join(p, name + ".reg") for p in places if os.path.isfile(os.path.join(p, name + ".reg"))]
    if not profiles:
        c.errors.append("no profile %s.reg under machines/ or tests/machines/profiles/" % name)
        return c
    outputs, trace = [], b""
    for label, args in (("--json run", ["--json"]), ("text run", [])):
        debug = os.path.join(work, "debug")
        open(debug, "wb").close()
        os.environ["HARDSCAN_DEBUG_OUTPUT"] = debug
        status, out, notes = run([hsinfo, "--machine", profiles[0]] + args)
        if status != 0 or notes:
            c.errors.append("hsinfo %s exited with status %d\n%s" % (label, status, notes))
            return c
        outputs.append(out)
        with open(debug, "rb") as f:
            trace += b"--- debugger output, " + label.encode() + b" ---\n" + f.read() + b"\n"
    compare_expected(c, os.path.join(HERE, "expected", name + ".json"), outputs[0], update)
    compare_expected(c, os.path.join(HERE, "expected", name + ".txt"), outputs[1] + trace, update)
    return c


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--hsinfo", default=os.path.join(ROOT, "build", "native", "hsinfo"))
    parser.add_argument("--update", action="store_true")
    parser.add_argument("names", nargs="*", metavar="NAME")
    options = parser.parse_args()
    if not os.access(options.hsinfo, os.X_OK):
        sys.exit("check_machines.py: hsinfo not found or not executable: %s" % options.hsinfo)
    found = sorted(glob.glob(os.path.join(ROOT, "machines", "*.reg"))) + sorted(glob.glob(HERE + "/profiles/*.reg"))
    names = options.names or [os.path.basename(p)[:-4] for p in found if not p.endswith(os.sep + "default.reg")]
    update = options.update or os.environ.get("HS_UPDATE_EXPECTED") == "1"
    os.environ.pop("HARDSCAN_MACHINE", None)  # the inventory must not depend on the caller's environment
    with tempfile.TemporaryDirectory() as work:
        return report([check_machine(options.hsinfo, name, update, work) for name in names])


if __name__ == "__main__":
    sys.exit(main())
