#!/usr/bin/env python3
"""Checks the resources built into ZM640UNI.exe against the program's design:
the restart dialog control by control, the icon and the version block.

usage: check_removal_resources.py EXE
"""
import struct
import sys

from pe import PeFile

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16
ENGLISH_US = 1033

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0xC00000, 0x80000, 0x20000, 0x10000
DS_SYSMODAL, DS_SETFONT, DS_MODALFRAME, DS_CENTER = 0x2, 0x40, 0x80, 0x800
BUTTON, STATIC = 0x80, 0x82
CONTROL = WS_CHILD | WS_VISIBLE

RESTART_DIALOG = {
    "style": WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_SYSMODAL,
    "rect": (0, 0, 193, 114),
    "title": "Complete Uninstallation",
    "font": (8, "MS Sans Serif"),
    "controls": [
        (BUTTON, 1004, "&Shut Down", (7, 91, 52, 14), CONTROL | WS_TABSTOP | 1),
        (BUTTON, 1005, "&Restart", (70, 91, 52, 14), CONTROL | WS_TABSTOP),
        (BUTTON, 1006, "&Cancel", (133, 91, 52, 14), CONTROL | WS_TABSTOP),
        (STATIC, 65535, "Restart your system to complete uninstallation. \nPlease remove any "
         "floppy disks from the drive and ensure the audio hardware is properly removed.",
         (11, 11, 169, 29), CONTROL | WS_GROUP),
        (STATIC, 65535, "If audio hardware needs to be installed again:", (11, 43, 169, 9),
         CONTROL | WS_GROUP),
        (STATIC, 65535, "1. Shutdown the system", (20, 56, 104, 8), CONTROL | WS_GROUP),
        (STATIC, 65535, "2. Turn off the power to the system", (20, 64, 137, 8),
         CONTROL | WS_GROUP),
        (STATIC, 65535, "3. Consult hardware documentation for installation", (20, 72, 161, 11),
         CONTROL | WS_GROUP),
    ],
}

VERSION_STRINGS = {"CompanyName": "Tolvo Inc.", "FileDescription": "Setup",
                   "FileVersion": "4.05.246", "InternalName": "Setup",
                   "OriginalFilename": "Setup", "ProductName": "Setup",
                   "ProductVersion": "4.05.246"}


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name_or_ordinal(self):
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            return self.take("HH")[1]
        return self.text()

    def align(self, n=4):
        self.at += -self.at % n


def parse_dialog(data):
    r = Reader(data)
    style, _, count = r.take("IIH")
    rect = r.take("hhhh")
    menu, cls, title = r.name_or_ordinal(), r.name_or_ordinal(), r.text()
    font = (r.take("H"), r.text()) if style & DS_SETFONT else None
    controls = []
    for _ in range(count):
        r.align()
        cstyle, _ = r.take("II")
        crect = r.take("hhhh")
        cid = r.take("H")
        ccls, ctext = r.name_or_ordinal(), r.name_or_ordinal()
        extra = r.take("H")
        r.at += extra
        controls.append((ccls, cid, ctext, crect, cstyle))
    return {"style": style, "rect": rect, "title": title, "font": font, "controls": controls,
            "menu": menu, "class": cls}


def main(exe):
    pe = PeFile(exe)
    res = pe.resources()
    faults = []

    def expect(what, got, want):
        if got != want:
            faults.append(f"{what}: expected {want!r}, got {got!r}")

    dialog = res.get((RT_DIALOG, 103, ENGLISH_US))
    if dialog is None:
        faults.append("no dialog 103 in U.S. English")
    else:
        got = parse_dialog(dialog)
        for field in ("style", "rect", "title", "font"):
            expect(f"dialog {field}", got[field], RESTART_DIALOG[field])
        expect("dialog menu and class", (got["menu"], got["class"]), ("", ""))
        expect("control count", len(got["controls"]), len(RESTART_DIALOG["controls"]))
        for i, (g, w) in enumerate(zip(got["controls"], RESTART_DIALOG["controls"])):
            expect(f"control {i}", g, w)

    group = res.get((RT_GROUP_ICON, 106, ENGLISH_US))
    if group is None:
        faults.append("no icon group 106")
    else:
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        expect("icon group 106 images", (kind, count), (1, 1))
        w, h, colours, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
        expect("icon 106 format", (w, h, colours, bits), (32, 32, 16, 4))
        expect("icon 106 image size", len(res.get((RT_ICON, icon_id, ENGLISH_US), b"")), size)

    if (RT_VERSION, 1, ENGLISH_US) not in res or pe.version() is None:
        faults.append("no version block")
    else:
        fixed, strings = pe.version()
        expect("fixed version signature", fixed.Signature, 0xFEEF04BD)
        expect("file and product version", fixed_versions(fixed), (0x40005, 246, 0x40005, 246))
        expect("file OS and type", (fixed.FileOS, fixed.FileType), (0x40004, 1))
        expect("version strings", strings, VERSION_STRINGS)

    return report(exe, faults)


def fixed_versions(fixed):
    return (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS)


def report(exe, faults):
    """Prints the faults found in exe's resources; the exit status for them."""
    for fault in faults:
        print("FAIL", fault)
    print(f"{'ok' if not faults else 'FAIL'} resources: {exe}")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
