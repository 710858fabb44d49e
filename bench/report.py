#!/usr/bin/env python3
"""Prints the table of a tarnwick-bench JSON output.

Each benchmark ran several rounds; the table shows the median of each, in MB/s
of file bytes (1 MB = 10^6 bytes), and the spread of the rounds as the largest
deviation from the median, so that a noisy run shows itself.
"""
import json
import statistics
import sys
from collections import defaultdict

STEPS = [
    ("baseline", "plain I/O"),
    ("baseline_fsync", "+fsync"),
    ("load_bytes", "load"),
    ("load_file", "load file"),
    ("flange", "flange"),
    ("build", "build"),
    ("save_file", "save file"),
    ("chain", "chain"),
]


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    rates = defaultdict(list)   # (step, tubes) -> MB/s of each round
    times = defaultdict(list)   # (step, tubes) -> seconds per iteration
    sizes = {}
    for run in runs:
        if run.get("run_type") != "iteration" or "error_occurred" in run:
            continue
        step, tubes = run["name"].split("/")[:2]
        tubes = int(tubes)
        rates[step, tubes].append(run["bytes_per_second"] / 1e6)
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run["time_unit"]]
        times[step, tubes].append(run["real_time"] * scale)
        sizes[tubes] = (run["input_bytes"], run["output_bytes"])

    all_tubes = sorted(sizes)
    header = f"{'tubes':>9} {'in MB':>7} {'out MB':>7} |" + "".join(f"{label:>10}" for _, label in STEPS)
    header += f" | {'chain/base':>10} {'chain s':>8} {'x10 time':>8} {'spread':>7}"
    print("MB/s of file bytes, median of rounds (load: input bytes; flange, build, save: output bytes;")
    print("chain and plain I/O: input + output bytes; +fsync: plain I/O that flushes its output to the")
    print("disk, as a save does). chain/base: time of the chain over the time of plain I/O. x10 time:")
    print("chain time over that of a tenth of the tubes. spread: largest deviation of a round from the")
    print("median, over all steps of the row.")
    print(header)
    print("-" * len(header))
    previous_chain = None
    for tubes in all_tubes:
        in_bytes, out_bytes = sizes[tubes]
        line = f"{tubes:>9,} {in_bytes / 1e6:>7.1f} {out_bytes / 1e6:>7.1f} |"
        spread = 0.0
        for step, _ in STEPS:
            values = rates.get((step, tubes))
            if not values:
                line += f"{'-':>10}"
                continue
            median = statistics.median(values)
            spread = max(spread, max(abs(v - median) / median for v in values))
            line += f"{median:>10.0f}"
        chain = statistics.median(times[("chain", tubes)]) if times.get(("chain", tubes)) else None
        base = statistics.median(times[("baseline", tubes)]) if times.get(("baseline", tubes)) else None
        ratio = f"{chain / base:.2f}" if chain and base else "-"
        growth = "-"
        if chain and previous_chain and previous_chain[0] * 10 == tubes:
            growth = f"{chain / previous_chain[1]:.1f}"
        line += f" | {ratio:>10} {chain if chain else 0:>8.3f} {growth:>8} {spread * 100:>6.0f}%"
        print(line)
        previous_chain = (tubes, chain) if chain else None


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: report.py BENCH.json")
    main(sys.argv[1])
