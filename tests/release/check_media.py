#!/usr/bin/env python3
"""Checks the release media: each holds exactly the two programs, README.TXT and
ZM640.INF, byte for byte as built, under the names a Windows 9x machine reads.

usage: check_media.py zip|floppy|cd|readme|inf|sums DIST NAME UNI_EXE UTL_EXE README INF
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

NAMES = ["ZM640UNI.EXE", "ZM640UTL.EXE", "README.TXT", "ZM640.INF"]
FLOPPY_BYTES = 1474560


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout.decode("latin-1")


def compare(medium, read, expected):
    """Faults where a file read from the medium differs from the built one."""
    return [f"{medium}: {name} differs from {path}"
            for name, path in zip(NAMES, expected) if read(name) != open(path, "rb").read()]


def check_zip(dist, name, expected):
    with zipfile.ZipFile(os.path.join(dist, name + ".zip")) as archive:
        listed = archive.namelist()
        if sorted(listed) != sorted(NAMES):
            return [f"zip lists {listed}"]
        return compare("zip", archive.read, expected)


def check_floppy(dist, name, expected):
    image = os.path.join(dist, name + ".img")
    faults = []
    if os.path.getsize(image) != FLOPPY_BYTES:
        faults.append(f"floppy image is {os.path.getsize(image)} bytes, not {FLOPPY_BYTES}")
    # Debian puts it in /usr/sbin, which a user's PATH lacks.
    fsck_fat = shutil.which("fsck.fat", path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")
    if fsck_fat is None:
        return ["fsck.fat not found (dosfstools)"]
    fsck = subprocess.run([fsck_fat, "-n", image], capture_output=True, text=True)
    if fsck.returncode != 0:
        faults.append(f"fsck.fat -n: {fsck.stdout}{fsck.stderr}")
    label = run("mlabel", "-s", "-i", image, "::").strip()
    if label != "Volume label is ZM640":
        faults.append(f"floppy label: {label!r}")
    listed = sorted(line.rsplit("/", 1)[-1] for line in run("mdir", "-b", "-i", image, "::").split())
    if listed != sorted(NAMES):
        return faults + [f"floppy lists {listed}"]
    with tempfile.TemporaryDirectory() as out:
        def read(n):
            run("mcopy", "-n", "-i", image, "::" + n, os.path.join(out, n))
            return open(os.path.join(out, n), "rb").read()
        return faults + compare("floppy", read, expected)


def check_cd(dist, name, expected):
    image = os.path.join(dist, name + ".iso")
    faults = []
    if "Volume id: ZM640\n" not in run("isoinfo", "-d", "-i", image):
        faults.append("CD volume id is not ZM640")
    iso_names = sorted(run("isoinfo", "-f", "-i", image).split())
    if iso_names != sorted(f"/{n};1" for n in NAMES):
        faults.append(f"ISO 9660 names: {iso_names}")
    joliet_names = sorted(run("isoinfo", "-J", "-f", "-i", image).split())
    if joliet_names != sorted(f"/{n}" for n in NAMES):
        faults.append(f"Joliet names: {joliet_names}")
    if faults:
        return faults
    read = lambda n: subprocess.run(["isoinfo", "-i", image, "-x", f"/{n};1"], check=True,
                                    capture_output=True).stdout
    return compare("CD", read, expected)


def text_faults(label, text):
    """Faults of a text file that Windows 95 reads: plain ASCII, CR LF line ends."""
    faults = []
    if any(b > 126 or (b < 32 and b not in (9, 10, 13)) for b in text):
        faults.append(f"{label} is not plain ASCII")
    lines = text.split(b"\r\n")
    if lines[-1] != b"" or any(b"\r" in line or b"\n" in line for line in lines):
        faults.append(f"{label} has a line not ended by CR LF")
    return faults


def check_readme(dist, name, expected):
    text = open(expected[2], "rb").read()
    faults = text_faults("README.TXT", text)
    lines = text.split(b"\r\n")
    long_lines = [i + 1 for i, line in enumerate(lines) if len(line) > 78]
    if long_lines:
        faults.append(f"README.TXT lines over 78 columns: {long_lines}")
    # What a user must know to install: a zip, NT's rights, a utility in use.
    for note in (b"extract all four files", b"log on as an administrator", b"exit it first"):
        if note not in b" ".join(line.strip() for line in lines):
            faults.append(f"README.TXT lacks the installation note {note.decode()!r}")
    version = name.split("-", 1)[1].encode()
    if b"release " + version not in text:
        faults.append(f"README.TXT does not name release {version.decode()}")
    return faults


def inf_sections(text):
    """{section name, upper-cased: [its lines without comments and blanks]}"""
    sections, current = {}, None
    for line in text.decode("ascii", "replace").split("\r\n"):
        line = line.split(";", 1)[0].strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].upper(), [])
        elif line and current is not None:
            current.append(line)
    return sections


# What [DefaultInstall] must add: the names the removal deletes by.
INF_REGISTRY = [
    'HKLM,Software\\Microsoft\\Windows\\CurrentVersion\\Run,ZM640UTL,,"%10%\\ZM640UTL.EXE"',
    "HKLM,Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZM640,DisplayName,,%DisplayName%",
    'HKLM,Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZM640,UninstallString,,'
    '"%10%\\ZM640UNI.EXE"']


def check_inf(dist, name, expected):
    text = open(expected[3], "rb").read()
    faults = text_faults("ZM640.INF", text)
    sections = inf_sections(text)
    def key(section, name):
        return next((line.split("=", 1)[1].strip() for line in sections.get(section, [])
                     if line.split("=", 1)[0].strip().upper() == name.upper()), None)
    if key("VERSION", "Signature") != '"$CHICAGO$"':
        faults.append("ZM640.INF's [Version] has no Signature=\"$CHICAGO$\"")
    if "MANUFACTURER" in sections:
        faults.append("ZM640.INF installs a device: it has a [Manufacturer] section")
    copy, add = key("DEFAULTINSTALL", "CopyFiles"), key("DEFAULTINSTALL", "AddReg")
    if copy is None or add is None:
        return faults + ["ZM640.INF's [DefaultInstall] lacks CopyFiles or AddReg"]
    if sorted(sections.get(copy.upper(), [])) != ["ZM640UNI.EXE", "ZM640UTL.EXE"]:
        faults.append(f"ZM640.INF copies {sections.get(copy.upper())}")
    if key("DESTINATIONDIRS", copy) != "10":
        faults.append("ZM640.INF does not copy into the Windows directory (LDID 10)")
    if sorted(sections.get(add.upper(), [])) != sorted(INF_REGISTRY):
        faults.append(f"ZM640.INF adds {sections.get(add.upper())}")
    if key("STRINGS", "DisplayName") != '"ZM640 Sound Card Driver"':
        faults.append("ZM640.INF's display name is not the confirmation box's")
    return faults


def check_sums(dist, name, expected):
    want = "".join(f"{hashlib.sha256(open(os.path.join(dist, name + ext), 'rb').read()).hexdigest()}"
                   f"  {name}{ext}\n" for ext in (".zip", ".img", ".iso"))
    got = open(os.path.join(dist, "SHA256SUMS")).read()
    return [] if got == want else [f"SHA256SUMS reads:\n{got}expected:\n{want}"]


def main(argv):
    checks = {"zip": check_zip, "floppy": check_floppy, "cd": check_cd, "readme": check_readme,
              "inf": check_inf, "sums": check_sums}
    if len(argv) != 8 or argv[1] not in checks:
        sys.exit(__doc__)
    faults = checks[argv[1]](argv[2], argv[3], argv[4:])
    for fault in faults:
        print("FAIL", fault)
    print(f"{'FAIL' if faults else 'ok'} {argv[1]}: {argv[3]}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
