#!/usr/bin/python3
"""Runs hsinfo over machine profiles and compares its --json and text
inventories (with the debugger output) with tests/machines/expected/, as
docs/testing.md describes; --update (or HS_UPDATE_EXPECTED=1) rewrites them.

    check_machines.py [--hsinfo PATH] [--update] [NAME...]

NAME: a profile under machines/ or tests/machines/profiles/ without ".reg";
none means all but machines/default.reg."""
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
