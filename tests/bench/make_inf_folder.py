#!/usr/bin/env python3
"""Generates a Windows 98-sized INF folder for the benchmarks: about 1,500 INF
files, 20 MB in all, a few of which name the card (some in INF\\OTHER).
Deterministic: the same folder every time.

usage: make_inf_folder.py WINDOWS_DIR
"""
import os
import random
import sys

KEY = "PCI\\VEN_125D&DEV_1969"
FILES, OTHER_FILES, NAMING = 1500, 200, {7, 333, 901, 1204, 1450, 1499}
TOTAL_BYTES = 20 * 1024 * 1024


def inf_text(rng, index, size):
    lines = [f"; generated INF {index}", "[Version]", "Signature=$CHICAGO$", "Class=MEDIA", ""]
    words = ["AddReg", "CopyFiles", "HKLM", "DriverVer", "Manufacturer", "%ZM%", "ISAPNP\\CTL0031",
             "PCI\\VEN_8086&DEV_7110", "HKR,,Driver,,es1938.drv", "pci\\ven_125d&dev_1969"]
    length = sum(len(line) + 2 for line in lines)
    while length < size:
        line = ",".join(rng.choice(words) for _ in range(rng.randint(2, 8)))
        lines.append(line)
        length += len(line) + 2
    if index in NAMING:
        lines.insert(rng.randint(5, len(lines)), f"%ZM640%=SoloA_Device, {KEY}")
    return "\r\n".join(lines) + "\r\n"


def main(windows_dir):
    rng = random.Random(1969)
    inf = os.path.join(windows_dir, "INF")
    other = os.path.join(inf, "OTHER")
    os.makedirs(other, exist_ok=True)
    average = TOTAL_BYTES // FILES
    for index in range(FILES):
        folder = other if index >= FILES - OTHER_FILES else inf
        size = int(average * rng.uniform(0.2, 1.8))
        with open(os.path.join(folder, f"GEN{index:04d}.INF"), "w", newline="") as f:
            f.write(inf_text(rng, index, size))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
