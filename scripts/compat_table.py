#!/usr/bin/env python3
"""Writes the compatibility table into README.md between its compat markers,
from the JUnit results of a run of the compat tests (scripts/compat).

usage: compat_table.py RESULTS README I386-MODE
"""
import datetime
import sys
import xml.etree.ElementTree as ElementTree

from readme_block import replace_block

VERSIONS = [("win95", "Windows 95"), ("win98", "Windows 98"), ("winme", "Windows Me"),
            ("nt40", "Windows NT 4.0"), ("win2k", "Windows 2000"), ("winxp", "Windows XP"),
            ("win10", "Windows 10")]
NT_FAMILY = {"nt40", "win2k", "winxp", "win10"}
# Wine's boot step carries WinInit.INI out whatever version it plays; Windows NT
# never reads it, but deletes what the removal also put in its own list.
ON_REAL_NT = ("; real NT never reads WinInit.INI: it deletes the seven queued files (the .drv "
              "drivers and both programs) from its own list, PendingFileRenameOperations, which "
              "only an administrator may write")
CASES = [("removal", "Removal: No changes nothing; Yes, Cancel: exactly the card's keys, files, "
                     "INF files and startup lines go, WinInit.INI queued"),
         ("next_start", "Next start after Yes, Restart: none of the card's 21 files left, both "
                        "programs read-only (NT: shutdown privilege enabled before ExitWindowsEx; "
                        "the seven files in NT's list, none there on 9x)"),
         ("tray", "Utility: label follows control 41, 3D command writes it, Exit from another "
                  "program: icon gone, exit code 0 (NT: MultiMedia Properties from the system "
                  "directory's rundll32.exe)")]


def verdicts(results_path):
    """{test name: passed | FAILED | skipped | not run}"""
    found = {}
    for case in ElementTree.parse(results_path).getroot().iter("testcase"):
        if case.get("status") == "fail" or case.find("failure") is not None:
            found[case.get("name")] = "FAILED"
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            found[case.get("name")] = "skipped"
        else:
            found[case.get("name")] = "passed"
    return found


def cell(found, version, case):
    verdict = found.get(f"compat_{version}_{case}", "not run")
    if case == "next_start" and version in NT_FAMILY:
        return f"{verdict} under Wine{ON_REAL_NT}"
    return verdict


def main(results_path, readme_path, i386_mode):
    found = verdicts(results_path)
    table = [f"Run {datetime.date.today().isoformat()} with `scripts/compat`, Wine's 32-bit x86 code "
             f"{i386_mode}; Wine reporting itself as each version.", "",
             "| Windows | " + " | ".join(text for _, text in CASES) + " |",
             "|---|" + "---|" * len(CASES)]
    for key, name in VERSIONS:
        table.append(f"| {name} | " + " | ".join(cell(found, key, case) for case, _ in CASES) + " |")
    replace_block(readme_path, "compat", table)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
