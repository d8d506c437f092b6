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

# Benchmark body -> (export, kind). A fill body makes one size query of the
# same export before it times the fills.
BODIES = {
    "CpuCount": ("HsiGetCpuCount", "call"), "CpuInfoSize": ("HsiGetCpuInfo", "size"),
    "CpuInfoFill": ("HsiGetCpuInfo", "fill"), "CpuInfoEx": ("HsiGetCpuInfoEx", "call"),
    "CommonInfo": ("HsiGetCommonInfo", "call"), "NetCount": ("HsiGetNetCount", "call"),
    "NetInfoEx": ("HsiGetNetInfoEx", "call"), "AdapterCount": ("HsiGetAdapterCount", "call"),
    "AdapterInfoSize": ("HsiGetAdapterInfo", "size"), "AdapterInfoFill": ("HsiGetAdapterInfo", "fill"),
    "NetUserInfo": ("HsiGetNetUserInfo", "call"), "SoftwareCount": ("HsiGetSoftwareCount", "call"),
    "SoftwareInfoSize": ("HsiGetSoftwareInfo", "size"), "SoftwareInfoFill": ("HsiGetSoftwareInfo", "fill"),
    "SoftwareInfoEx": ("HsiGetSoftwareInfoEx", "call"), "DriverInfoSize": ("HsiGetDriverInfo", "size"),
    "DriverInfoFill": ("HsiGetDriverInfo", "fill"), "DeviceInfoSize": ("HsiGetDeviceInfo", "size"),
    "DeviceInfoFill": ("HsiGetDeviceInfo", "fill"), "SysInfoSize": ("HsiGetSysInfo", "size"),
    "SysInfoFill": ("HsiGetSysInfo", "fill"), "ProgramSort": ("hs::SortNamesIgnoringCase", "call"),
}
CALLER = re.compile(r"^\s*([\d,]+) \([^)]*\)\s+<\s+\?\?\?:hsbench::\(anonymous namespace\)::(\w+)\(benchmark::State&\) "
                    r"\(([\d,]+)x\)")
CALLEE = re.compile(r"^\s*[\d,]+ \([^)]*\)\s+\*\s+\?\?\?:([\w:]+)")


def per_call(path):
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--tree=caller", "--threshold=100", path],
                          capture_output=True, text=True, check=True).stdout
    pending = []
    found = {}
    for line in text.splitlines():
        m = CALLER.match(line)
        if m:
            pending.append((m.group(2), int(m.group(1).replace(",", "")), int(m.group(3).replace(",", ""))))
            continue
        m = CALLEE.match(line)
        if m:
            callee = m.group(1)
            for body, cost, calls in pending:
                export, kind = BODIES.get(body, (None, None))
                if export == callee:
                    found[body] = (cost, calls)
            pending = []
        elif not line.strip():
            pass
    out = {}
    for body, (export, kind) in BODIES.items():
        if body not in found:
            continue
        cost, calls = found[body]
        if kind == "fill":
            size_body = body.replace("Fill", "Size")
            if size_body not in found or calls < 2:
                continue
            s_cost, s_calls = found[size_body]
            out[body] = (cost - s_cost / s_calls) / (calls - 1)
        else:
            out[body] = cost / calls
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
