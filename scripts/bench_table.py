#!/usr/bin/env python3
"""Writes the benchmark results into README.md between its bench markers, a
column per release, with the date, the machine they were measured on and how
that machine ran Wine's 32-bit x86 code (native, or emulated: then the Wine
figures are about ten times slower, and only their ratios compare with a
native run).

usage: bench_table.py README I386-MODE "COLUMN=RESULTS"...
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


def figures(path):
    """The report lines of a results file or a run's output: (FIGURE, RESULT)."""
    return [line.rstrip("\n").rsplit(": ", 1) for line in open(path, errors="replace")
            if ": " in line and not line.startswith(("Debian ", "Wine's 32-bit"))]


def main(readme_path, i386_mode, *columns):
    names = [column.split("=", 1)[0] for column in columns]
    results = [dict(figures(column.split("=", 1)[1])) for column in columns]
    table = [f"Measured {datetime.date.today().isoformat()} on {machine()} with `scripts/bench`,"
             f" both columns in one run; Wine's 32-bit x86 code {i386_mode}.", "",
             "| Figure | " + " | ".join(names) + " |", "|---|" + "---|" * len(names)]
    table += [f"| {figure} | " + " | ".join(r.get(figure, "-") for r in results) + " |"
              for figure, _ in figures(columns[0].split("=", 1)[1])]
    replace_block(readme_path, "bench", table)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
