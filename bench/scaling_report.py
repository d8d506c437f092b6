#!/usr/bin/env python3
"""Tables of the benchmark figures, the scaling ratios and the overhead ratios.

Reads the JSON that hardscan_bench writes with --benchmark_out (run with
--benchmark_repetitions so that medians exist) and prints Markdown.
"""
import json
import sys

MACHINES = ["default", "x1", "x4", "x16"]
# The plain registry walk that reads the same keys as each export.
WALK_OF = {
    "HsiGetSoftwareCount": "Walk/programs",
    "HsiGetSoftwareInfo/size": "Walk/programs",
    "HsiGetSoftwareInfo/fill": "Walk/programs",
    "HsiGetSoftwareInfoEx": "Walk/programs",
    "HsiGetDriverInfo/size": "Walk/drives",
    "HsiGetDriverInfo/fill": "Walk/drives",
    "HsiGetDeviceInfo/size": "Walk/devices",
    "HsiGetDeviceInfo/fill": "Walk/devices",
    "HsiGetSysInfo/size": "Walk/all",
    "HsiGetSysInfo/fill": "Walk/all",
}
# Exports that run the program sort (an exchange sort, quadratic by design).
SORTING = {"HsiGetSoftwareInfo/fill", "HsiGetSoftwareInfoEx", "HsiGetSysInfo/fill"}
TO_US = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


PAIRS = ["x1:x4", "x4:x16"]
LIMIT = 4.6  # the most a 4x larger machine may cost, as a ratio of times
COUNTERS = ["small_us", "large_us", "ratio", "small_sort_us", "large_sort_us", "ratio_without_sort",
            "export_us", "walk_us", "overhead"]


def medians(path):
    """Median figures by run name, and the counters of the benchmarks that
    time two things in turn (Pair/ and Overhead/), by kind, export and
    machine or pair of machines."""
    with open(path) as f:
        data = json.load(f)
    out, turns = {}, {"Pair": {}, "Overhead": {}}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        name = b["run_name"]
        kind, _, rest = name.partition("/")
        if kind in turns:
            export, _, machines = rest.replace("/manual_time", "").rpartition("/")
            if b.get("run_type") == "iteration" and (export, machines) in turns[kind]:
                continue
            turns[kind][(export, machines)] = {k: b[k] for k in COUNTERS if k in b}
            continue
        if b.get("run_type") == "iteration" and name in out:
            continue  # a single run only when no median exists
        scale = TO_US[b.get("time_unit", "ns")]
        out[name] = (b["real_time"] * scale, b["cpu_time"] * scale)
    return out, turns, data.get("context", {})


def paired_table(pairs):
    """Both machines of a pair called in turn: the ratios under equal conditions."""
    exports = []
    for export, _ in pairs:
        if export not in exports:
            exports.append(export)
    print("\nPaired runs: wall time per call on each machine of a pair, the two called in turn "
          "(medians of the repetitions):\n")
    print("| export | x1 | x4 | x4/x1 | x4 | x16 | x16/x4 |")
    print("|---|---|---|---|---|---|---|")
    over = []
    for export in exports:
        for without_sort in ([False, True] if export in SORTING else [False]):
            cells = []
            for pair in PAIRS:
                c = pairs.get((export, pair))
                if c is None:
                    cells += ["-", "-", "-"]
                    continue
                small, large, r = c.get("small_us"), c.get("large_us"), c.get("ratio")
                if without_sort:
                    small = small - c["small_sort_us"]
                    large = large - c["large_sort_us"]
                    r = c.get("ratio_without_sort")
                cells += [fmt(small), fmt(large), "%.2f" % r]
                if r is not None and r > LIMIT and (export not in SORTING or without_sort) and export != "ProgramSort":
                    over.append("%s%s %s" % (export, " without the sort" if without_sort else "", pair))
            label = export + (" without the sort" if without_sort else "")
            print("| %s | %s |" % (label, " | ".join(cells)))
    print("\nAbove %.1f per 4x (the program sort aside): %s" % (LIMIT, ", ".join(over) if over else "none"))


def fmt(us):
    if us is None:
        return "-"
    if us >= 1000:
        return "%.2f ms" % (us / 1000)
    if us >= 1:
        return "%.1f us" % us
    return "%.3f us" % us


def ratio(a, b):
    return "-" if a is None or b is None or b == 0 else "%.2f" % (a / b)


def main():
    fig, turns, context = medians(sys.argv[1])
    pairs, overheads = turns["Pair"], turns["Overhead"]
    names = []
    for run in fig:
        base, _, machine = run.rpartition("/")
        if machine in MACHINES and base not in names:
            names.append(base)

    def get(base, machine, which):
        v = fig.get(base + "/" + machine)
        return None if v is None else v[which]

    print("CPU time per call (median); wall time in brackets.\n")
    print("| benchmark | default | x1 | x4 | x16 | x4/x1 | x16/x4 |")
    print("|---|---|---|---|---|---|---|")
    for base in names:
        cells = ["%s (%s)" % (fmt(get(base, m, 1)), fmt(get(base, m, 0))) if get(base, m, 1) is not None else "-"
                 for m in MACHINES]
        print("| %s | %s | %s | %s |" % (base, " | ".join(cells), ratio(get(base, "x4", 1), get(base, "x1", 1)),
                                         ratio(get(base, "x16", 1), get(base, "x4", 1))))

    if pairs:
        paired_table(pairs)

    if overheads:
        print("\nOverhead: export time / plain walk of the same keys, the two called in turn on one machine "
              "(medians of the repetitions):\n")
        print("| export | walk | default | x1 | x4 | x16 |")
        print("|---|---|---|---|---|---|")
        for base, walk in WALK_OF.items():
            cells = []
            for m in MACHINES:
                c = overheads.get((base, m))
                cells.append("-" if c is None else "%.2f" % c["overhead"])
            print("| %s | %s | %s |" % (base, walk, " | ".join(cells)))

    others = [r for r in fig if r.rpartition("/")[2] not in MACHINES]
    if others:
        print("\nOther benchmarks (median):\n")
        print("| benchmark | CPU | wall |")
        print("|---|---|---|")
        for r in others:
            print("| %s | %s | %s |" % (r, fmt(fig[r][1]), fmt(fig[r][0])))


if __name__ == "__main__":
    main()
