#!/usr/bin/env python3
"""Writes the benchmark results into README.md between its bench markers,
with the date and the machine they were measured on.

usage: bench_table.py RESULTS README
"""
import datetime
import os
import platform
import re
import sys


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


def main(results_path, readme_path):
    rows = [line.rstrip("\n").split(": ", 1) for line in open(results_path) if ": " in line]
    table = [f"Measured {datetime.date.today().isoformat()} on {machine()} with `scripts/bench`.", "",
             "| Figure | Result |", "|---|---|"]
    table += [f"| {name} | {value} |" for name, value in rows]
    readme = open(readme_path).read()
    block = "<!-- bench:begin -->\n" + "\n".join(table) + "\n<!-- bench:end -->"
    readme, count = re.subn(r"<!-- bench:begin -->.*?<!-- bench:end -->", block, readme, flags=re.S)
    if count != 1:
        sys.exit("README.md has no bench markers")
    open(readme_path, "w").write(readme)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
