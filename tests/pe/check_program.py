#!/usr/bin/env python3
"""Checks that a built program can load and run on Windows 95 retail.

usage: check_program.py imports EXE ALLOWLIST
       check_program.py header EXE
       check_program.py pentium EXE OBJDUMP
       check_program.py size EXE MAX_BYTES
"""
import os
import re
import subprocess
import sys

from pe import DIRECTORY_BASERELOC, DIRECTORY_TLS, PeFile

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "gdi32.dll",
                "winmm.dll"}
# Seen in programs built with today's tools; none exists on Windows 95 retail.
KNOWN_MISSING = {"IsDebuggerPresent", "IsDBCSLeadByteEx", "MoveFileExA", "GetFileSizeEx",
                 "SetFilePointerEx", "RegDeleteTreeA", "SHDeleteKeyA"}


def read_allowlist(path):
    allowed = {}
    for line in open(path):
        words = line.split("#")[0].split()
        if words:
            allowed.setdefault(words[0] + ".dll", set()).update(words[1:])
    return allowed


def check_imports(exe, allowlist):
    allowed = read_allowlist(allowlist)
    faults = []
    imports = PeFile(exe).imports()
    if not imports:
        faults.append("imports nothing at all")
    for dll, functions in imports.items():
        if dll not in ALLOWED_DLLS:
            faults.append(f"imports from {dll}")
            continue
        for f in functions:
            if f in KNOWN_MISSING:
                faults.append(f"{dll}!{f} is missing from Windows 95 retail")
            elif f.endswith("W"):
                faults.append(f"{dll}!{f} is a wide-character function")
            elif f not in allowed.get(dll, ()):
                faults.append(f"{dll}!{f} is not on the Windows 95 list ({allowlist})")
    return faults


def check_header(exe):
    pe = PeFile(exe)
    faults = []
    if (pe.machine, pe.magic) != (0x14C, 0x10B):
        faults.append("not a 32-bit i386 image")
    if pe.subsystem != 2:
        faults.append(f"subsystem {pe.subsystem}, not Windows GUI")
    if (pe.major_subsystem, pe.minor_subsystem) != (4, 0):
        faults.append(f"subsystem version {pe.major_subsystem}.{pe.minor_subsystem}, not 4.0")
    if pe.dll_characteristics & (0x40 | 0x100):
        faults.append("DYNAMIC_BASE or NX_COMPAT set")
    if pe.directory_size(DIRECTORY_BASERELOC) != 0 or ".reloc" in pe.section_names:
        faults.append("has a relocation section")
    if pe.directory_size(DIRECTORY_TLS) != 0:
        faults.append("has a TLS directory, which the C runtime would bring")
    for name in pe.section_names:
        if name in (".ctors", ".dtors", ".CRT", ".tls", ".init_array"):
            faults.append(f"has a {name} section: global constructors or C runtime parts")
    return faults


def check_pentium(exe, objdump):
    text = subprocess.run([objdump, "-d", exe], check=True, capture_output=True, text=True).stdout
    found = re.findall(r"^\s*([0-9a-f]+):.*\t(cmov\w*|fcomip?|fucomip?)\b", text, re.M)
    return [f"{mnemonic} at {address} needs a Pentium Pro" for address, mnemonic in found]


def check_size(exe, limit):
    size = os.path.getsize(exe)
    print(f"{exe}: {size} bytes (limit {limit})")
    return [f"{size} bytes, more than {limit}"] if size > int(limit) else []


def main(argv):
    checks = {"imports": check_imports, "header": check_header, "pentium": check_pentium,
              "size": check_size}
    if len(argv) < 3 or argv[1] not in checks:
        sys.exit(__doc__)
    faults = checks[argv[1]](*argv[2:])
    for fault in faults:
        print(f"FAIL {argv[2]}: {fault}")
    if not faults:
        print(f"ok {argv[1]}: {argv[2]}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
