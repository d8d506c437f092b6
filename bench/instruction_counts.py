#!/usr/bin/env python3
"""Instructions per export call, from callgrind runs of hardscan_bench.

Instruction counts do not depend on the load of the machine or its caches, so
they show how the work grows with the machine where timings are too noisy.
Run, for each machine:

  valgrind --tool=callgrind --callgrind-out-file=cg-x4.out \
      build/bench/bench/hardscan_bench --benchmark_min_time=0.0001 \
      --benchmark_filter='^(Hsi.*|ProgramSort)/x4$'

then: bench/instruction_counts.py cg-x1.out cg-x4.out cg-x16.out
"""
import re
import subprocess
import sys

BODIES = ["CpuCount", "CpuInfoSize", "CpuInfoFill", "CpuInfoEx", "CommonInfo", "NetCount", "NetInfoEx",
          "AdapterCount", "AdapterInfoSize", "AdapterInfoFill", "NetUserInfo", "SoftwareCount", "SoftwareInfoSize",
          "SoftwareInfoFill", "SoftwareInfoEx", "DriverInfoSize", "DriverInfoFill", "DeviceInfoSize",
          "DeviceInfoFill", "SysInfoSize", "SysInfoFill", "ProgramSort"]
# A timed call is the lambda that a benchmark's prepare function returns; the
# shared prepare functions (SizeQuery, Fill, ListFill) are told apart by the
# export they call.
CALLER = re.compile(r"^\s*([\d,]+) \([^)]*\)\s+<\s+\?\?\?:.*?hsbench::\(anonymous namespace\)::(\w+)(?:<\w+>)?\(.*"
                    r"\{lambda\(\)#\d+\}.* \(([\d,]+)x\) \[")
CALLEE = re.compile(r"^\s*[\d,]+ \([^)]*\)\s+\*\s+\?\?\?:([\w:]+)")
SHARED = {"SizeQuery": "Size", "Fill": "Fill", "ListFill": ""}


def per_call(path):
    """Instructions per timed call of each benchmark body."""
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--tree=caller", "--threshold=100", path],
                          capture_output=True, text=True, check=True).stdout
    pending = []
    out = {}
    for line in text.splitlines():
        m = CALLER.match(line)
        if m:
            pending.append((m.group(2), int(m.group(1).replace(",", "")), int(m.group(3).replace(",", ""))))
            continue
        m = CALLEE.match(line)
        if m:
            callee = m.group(1)
            for prepare, cost, calls in pending:
                if callee.startswith("HsiGet") and prepare in SHARED:
                    body = callee[len("HsiGet"):] + SHARED[prepare]
                elif callee.startswith("HsiGet") or callee == "hs::SortNamesIgnoringCase":
                    body = prepare
                else:
                    continue
                out[body] = cost / calls
            pending = []
        elif not line.strip():
            pending = []
    return out


def main():
    runs = [per_call(p) for p in sys.argv[1:]]
    labels = [re.sub(r".*?(x\d+).*", r"\1", p) for p in sys.argv[1:]]
    print("| benchmark | " + " | ".join(labels) + " | " +
          " | ".join("%s/%s" % (labels[i + 1], labels[i]) for i in range(len(labels) - 1)) + " |")
    print("|---" * (2 * len(labels)) + "|")
    for body in BODIES:
        values = [r.get(body) for r in runs]
        cells = ["-" if v is None else "{:,.0f}".format(v) for v in values]
        ratios = ["-" if values[i] is None or values[i + 1] is None or values[i] == 0
                  else "%.2f" % (values[i + 1] / values[i]) for i in range(len(values) - 1)]
        print("| %s | %s | %s |" % (body, " | ".join(cells), " | ".join(ratios)))
    # The program exports without the program sort (quadratic by design).
    for body in ("SoftwareInfoFill", "SoftwareInfoEx", "SysInfoFill"):
        values = [None if r.get(body) is None or r.get("ProgramSort") is None else r[body] - r["ProgramSort"]
                  for r in runs]
        cells = ["-" if v is None else "{:,.0f}".format(v) for v in values]
        ratios = ["-" if values[i] is None or values[i + 1] is None or values[i] == 0
                  else "%.2f" % (values[i + 1] / values[i]) for i in range(len(values) - 1)]
        print("| %s without the sort | %s | %s |" % (body, " | ".join(cells), " | ".join(ratios)))


if __name__ == "__main__":
    main()
