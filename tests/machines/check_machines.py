#!/usr/bin/python3
"""Runs hsinfo over machine profiles and compares its --json and text
inventories (with the debugger output) with tests/machines/expected/, as
docs/testing.md describes; --update (or HS_UPDATE_EXPECTED=1) rewrites them.

    check_machines.py [--hsinfo PATH] [--update] [NAME...]

NAME: a profile under machines/ or tests/machines/profiles/ without ".reg";
none means all but machines/default.reg."""
import argparse
import os
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "glpi"))
from check_glpi import Checker, add_runner_arguments, compare_expected, profiles_to_run, report, run


def check_machine(hsinfo, profile, update, work):
    name = os.path.basename(profile)[:-4]
    c = Checker(name)
    outputs, trace = [], b""
    for label, args in (("--json run", ["--json"]), ("text run", [])):
        debug = os.path.join(work, "debug")
        open(debug, "wb").close()
        os.environ["HARDSCAN_DEBUG_OUTPUT"] = debug
        status, out, notes = run([hsinfo, "--machine", profile] + args)
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
    add_runner_arguments(parser)
    options = parser.parse_args()
    profiles, update = profiles_to_run(options, os.path.join(HERE, "profiles"))
    with tempfile.TemporaryDirectory() as work:
        return report([check_machine(options.hsinfo, p, update, work) for p in profiles])


if __name__ == "__main__":
    sys.exit(main())
