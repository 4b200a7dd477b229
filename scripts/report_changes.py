#!/usr/bin/env python3
"""Prints what changed on the sample system between two snapshots.

A snapshot has lines "MD5  ./PATH" for files on drive C: and
"HKEY_LOCAL_MACHINE\\KEY" for registry keys.
usage: report_changes.py BEFORE AFTER
"""
import sys


def read(path):
    files, keys = {}, set()
    for line in open(path, encoding="latin-1"):
        line = line.rstrip("\n")
        if line.startswith("HKEY_"):
            keys.add(line)
        elif line:
            digest, name = line.split("  ", 1)
            files["C:\\" + name[2:].replace("/", "\\")] = digest
    return files, keys


def section(title, items):
    print(f"{title}: {len(items)}")
    for item in sorted(items, key=str.lower):
        print(f"  {item}")


def main(before_path, after_path):
    files0, keys0 = read(before_path)
    files1, keys1 = read(after_path)
    section("Files removed", files0.keys() - files1.keys())
    section("Files changed", {f for f in files0.keys() & files1.keys() if files0[f] != files1[f]})
    section("Files created", files1.keys() - files0.keys())
    section("Registry keys removed", keys0 - keys1)
    section("Registry keys created", keys1 - keys0)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
