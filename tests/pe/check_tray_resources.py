#!/usr/bin/env python3
"""Checks the resources built into ZM640UTL.exe against the program's design:
the tray menu item by item, the About dialog, the icons, the bitmap and the version block.

usage: check_tray_resources.py EXE
"""
import struct
import sys

from check_removal_resources import (BUTTON, CONTROL, DS_MODALFRAME, DS_SETFONT, ENGLISH_US, RT_DIALOG,
                                     RT_GROUP_ICON, RT_ICON, RT_VERSION, STATIC, WS_CAPTION, WS_GROUP,
                                     WS_POPUP, WS_SYSMENU, WS_TABSTOP, Reader, fixed_versions, report)
from pe import PeFile

RT_BITMAP, RT_MENU = 2, 4
MF_POPUP, MF_END = 0x10, 0x80
WS_EX_CLIENTEDGE, SS_BITMAP = 0x200, 0xE

TRAY_MENU = [("&Option", [
    ("&About ZM640 Sound Card", 40004), ("", 0), ("Trun Off 3D Effect", 40005),
    ("&MultiMedia Properties ", 40006), ("&Uninstall ZM640", 40007), ("&Exit", 40001)])]


def parse_menu(data):
    r = Reader(data)
    r.take("HH")  # version and header size

    def items():
        result = []
        while True:
            flags = r.take("H")
            if flags & MF_POPUP:
                text = r.text()
                result.append((text, items()))
            else:
                ident = r.take("H")
                result.append((r.text(), ident))
            if flags & MF_END:
                return result

    return items()


def parse_dialog_ex(data):
    r = Reader(data)
    version, signature, _, ex_style, style, count = r.take("HHIIIH")
    assert (version, signature) == (1, 0xFFFF), "not a DIALOGEX template"
    rect = r.take("hhhh")
    menu, cls, title = r.name_or_ordinal(), r.name_or_ordinal(), r.text()
    font = None
    if style & DS_SETFONT:
        size, _, _, _ = r.take("HHBB")
        font = (size, r.text())
    controls = []
    for _ in range(count):
        r.align()
        _, cex, cstyle = r.take("III")
        crect = r.take("hhhh")
        cid = r.take("I")
        ccls, ctext = r.name_or_ordinal(), r.name_or_ordinal()
        # A class named by its string is the same class as its atom.
        ccls = {"BUTTON": BUTTON, "STATIC": STATIC}.get(str(ccls).upper(), ccls)
        extra = r.take("H")
        r.at += extra
        controls.append((ccls, cid & 0xFFFF, ctext, crect, cstyle, cex))
    return {"style": style, "rect": rect, "title": title, "font": font, "controls": controls,
            "menu": menu, "class": cls, "ex_style": ex_style}


def main(exe):
    pe = PeFile(exe)
    res = pe.resources()
    faults = []

    def expect(what, got, want):
        if got != want:
            faults.append(f"{what}: expected {want!r}, got {got!r}")

    menu = res.get((RT_MENU, "3D_TRAY_MENU", ENGLISH_US))
    if menu is None:
        faults.append("no menu named 3D_TRAY_MENU")
    else:
        expect("tray menu", parse_menu(menu), TRAY_MENU)

    about = res.get((RT_DIALOG, 140, ENGLISH_US))
    if about is None:
        faults.append("no dialog 140")
    else:
        d = parse_dialog_ex(about)
        expect("About style", d["style"], WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
        expect("About size", d["rect"], (0, 0, 118, 92))
        expect("About caption", d["title"], "About Duzevira Razur")
        expect("About font", d["font"], (10, "System"))
        c = d["controls"]
        expect("About control count", len(c), 4)
        if len(c) == 4:
            expect("OK button", c[0], (BUTTON, 1, "OK", (34, 75, 50, 14), CONTROL | WS_TABSTOP | 1, 0))
            expect("bitmap", c[1], (STATIC, 65535, 136, (7, 8, 104, 39), CONTROL | SS_BITMAP,
                                    WS_EX_CLIENTEDGE))
            expect("first line", c[2], (STATIC, 65535, "ZM640 Sound Card utilities", (14, 49, 90, 8),
                                        CONTROL | WS_GROUP, 0))
            expect("second line place", c[3][3], (13, 59, 91, 8))
            if "1998" not in str(c[3][2]):
                faults.append(f"second line does not credit 1998: {c[3][2]!r}")

    for group_id in list(range(145, 156)) + [138]:
        group = res.get((RT_GROUP_ICON, group_id, ENGLISH_US))
        if group is None:
            faults.append(f"no icon group {group_id}")
            continue
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        sizes = []
        for i in range(count):
            w, h, colours, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            sizes.append((w, h, colours, bits))
            expect(f"icon {group_id} image size", len(res.get((RT_ICON, icon_id, ENGLISH_US), b"")), size)
        want = [(32, 32, 16, 4), (16, 16, 16, 4)] if group_id == 138 else [(32, 32, 16, 4)]
        expect(f"icon group {group_id}", sizes, want)

    bitmap = res.get((RT_BITMAP, 136, ENGLISH_US))
    if bitmap is None:
        faults.append("no bitmap 136")
    else:
        _, width, height, _, bits = struct.unpack_from("<IiiHH", bitmap, 0)
        expect("bitmap 136", (width, height, bits), (200, 74, 8))

    if (RT_VERSION, 1, ENGLISH_US) not in res or pe.version() is None:
        faults.append("no version block")
    else:
        fixed, strings = pe.version()
        expect("file and product version", fixed_versions(fixed), (0x10000, 1, 0x10000, 1))
        expect("FileDescription", strings.get("FileDescription"), "3V Udezo Diziru")
        expect("FileVersion", strings.get("FileVersion"), "1, 0, 0, 1")
        expect("ProductVersion", strings.get("ProductVersion"), "1, 0, 0, 1")

    return report(exe, faults)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
