#!/usr/bin/env python3
"""Writes the benchmark results into README.md between its bench markers,
with the date, the machine they were measured on and how that machine ran
Wine's 32-bit x86 code (native, or emulated: then the Wine figures are about
ten times slower, and only their ratios compare with a native run).

usage: bench_table.py RESULTS README I386-MODE
"""
import datetime
import os
import platform
import sys

from readme_block import replace_block


def machine():
    model = "unknown CPU"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    return f"{os.cpu_count()} cores, {model}, {platform.system()} {platform.release()}"


def main(results_path, readme_path, i386_mode):
    rows = [line.rstrip("\n").split(": ", 1) for line in open(results_path) if ": " in line]
    table = [f"Measured {datetime.date.today().isoformat()} on {machine()} with `scripts/bench`;"
             f" Wine's 32-bit x86 code {i386_mode}.", "",
             "| Figure | Result |", "|---|---|"]
    table += [f"| {name} | {value} |" for name, value in rows]
    replace_block(readme_path, "bench", table)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
