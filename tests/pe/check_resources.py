#!/usr/bin/env python3
"""Checks the resources built into a program against its design: ZM640UNI.exe's
restart dialog control by control, ZM640UTL.exe's tray menu item by item and its
About dialog, and each one's icons, bitmap and version block.

usage: check_resources.py removal|tray EXE
"""
import struct
import sys

from pe import PeFile

RT_BITMAP, RT_ICON, RT_MENU, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 2, 3, 4, 5, 14, 16
ENGLISH_US = 1033
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0xC00000, 0x80000, 0x20000, 0x10000
DS_SYSMODAL, DS_SETFONT, DS_MODALFRAME, DS_CENTER = 0x2, 0x40, 0x80, 0x800
WS_EX_CLIENTEDGE, SS_BITMAP = 0x200, 0xE
MF_POPUP, MF_END = 0x10, 0x80
BUTTON, STATIC = 0x80, 0x82
CONTROL = WS_CHILD | WS_VISIBLE
ICON_32 = (32, 32, 16, 4)  # width, height, colours, bits

RESTART_DIALOG = {
    "style": WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_SYSMODAL,
    "rect": (0, 0, 193, 114), "title": "Complete Uninstallation", "font": (8, "MS Sans Serif"),
    "menu": "", "class": "",
    "controls": [
        (BUTTON, 1004, "&Shut Down", (7, 91, 52, 14), CONTROL | WS_TABSTOP | 1),
        (BUTTON, 1005, "&Restart", (70, 91, 52, 14), CONTROL | WS_TABSTOP),
        (BUTTON, 1006, "&Cancel", (133, 91, 52, 14), CONTROL | WS_TABSTOP),
        (STATIC, 65535, "Restart your system to complete uninstallation. \nPlease remove any "
         "floppy disks from the drive and ensure the audio hardware is properly removed.",
         (11, 11, 169, 29), CONTROL | WS_GROUP),
        (STATIC, 65535, "If audio hardware needs to be installed again:", (11, 43, 169, 9), CONTROL | WS_GROUP),
        (STATIC, 65535, "1. Shutdown the system", (20, 56, 104, 8), CONTROL | WS_GROUP),
        (STATIC, 65535, "2. Turn off the power to the system", (20, 64, 137, 8), CONTROL | WS_GROUP),
        (STATIC, 65535, "3. Consult hardware documentation for installation", (20, 72, 161, 11),
         CONTROL | WS_GROUP),
    ],
}
REMOVAL_STRINGS = {"CompanyName": "Tolvo Inc.", "FileDescription": "Setup", "FileVersion": "4.05.246",
                   "InternalName": "Setup", "OriginalFilename": "Setup", "ProductName": "Setup",
                   "ProductVersion": "4.05.246"}

TRAY_MENU = [("&Option", [
    ("&About ZM640 Sound Card", 40004), ("", 0), ("Trun Off 3D Effect", 40005),
    ("&MultiMedia Properties ", 40006), ("&Uninstall ZM640", 40007), ("&Exit", 40001)])]


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
        return self.take("HH")[1] if self.data[self.at:self.at + 2] == b"\xff\xff" else self.text()

    def align(self, n=4):
        self.at += -self.at % n


def parse_dialog(data):
    """A DIALOG or DIALOGEX template: its fields, and its controls as (class, id, text,
    rect, style), with the extended style last for a DIALOGEX."""
    r = Reader(data)
    extended = data[:4] == b"\1\0\xff\xff"
    if extended:
        _, _, _, ex_style, style, count = r.take("HHIIIH")
    else:
        style, ex_style, count = r.take("IIH")
    rect = r.take("hhhh")
    menu, cls, title = r.name_or_ordinal(), r.name_or_ordinal(), r.text()
    font = None
    if style & DS_SETFONT:
        size = r.take("HHBB")[0] if extended else r.take("H")
        font = (size, r.text())
    controls = []
    for _ in range(count):
        r.align()
        cex, cstyle = r.take("III")[1:] if extended else r.take("II")[::-1]
        crect, cid = r.take("hhhh"), r.take("I" if extended else "H") & 0xFFFF
        ccls, ctext = r.name_or_ordinal(), r.name_or_ordinal()
        # A class named by its string is the same class as its atom.
        ccls = {"BUTTON": BUTTON, "STATIC": STATIC}.get(str(ccls).upper(), ccls)
        extra = r.take("H")
        r.at += extra
        controls.append((ccls, cid, ctext, crect, cstyle) + ((cex,) if extended else ()))
    return {"style": style, "rect": rect, "title": title, "font": font, "controls": controls,
            "menu": menu, "class": cls, "ex_style": ex_style}


def parse_menu(data):
    r = Reader(data)
    r.take("HH")  # version and header size

    def items():
        result = []
        while True:
            flags = r.take("H")
            if flags & MF_POPUP:
                result.append((r.text(), items()))
            else:
                ident = r.take("H")
                result.append((r.text(), ident))
            if flags & MF_END:
                return result

    return items()


class Checks:
    """The faults found in one program's resources."""

    def __init__(self, exe):
        self.pe = PeFile(exe)
        self.res, self.faults = self.pe.resources(), []

    def expect(self, what, got, want):
        if got != want:
            self.faults.append(f"{what}: expected {want!r}, got {got!r}")

    def resource(self, kind, name, what):
        found = self.res.get((kind, name, ENGLISH_US))
        if found is None:
            self.faults.append(f"no {what} in U.S. English")
        return found

    def icon_group(self, group_id, want):
        """The group's images (width, height, colours, bits), each image's size checked."""
        group = self.resource(RT_GROUP_ICON, group_id, f"icon group {group_id}")
        if group is None:
            return
        images = []
        for i in range(struct.unpack_from("<HHH", group, 0)[2]):
            w, h, colours, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            images.append((w, h, colours, bits))
            self.expect(f"icon {group_id} image size", len(self.res.get((RT_ICON, icon_id, ENGLISH_US), b"")), size)
        self.expect(f"icon group {group_id}", images, want)

    def version(self, versions):
        """The version block's strings, its fixed part checked against VERSIONS."""
        if (RT_VERSION, 1, ENGLISH_US) not in self.res or self.pe.version() is None:
            self.faults.append("no version block")
            return {}
        fixed, strings = self.pe.version()
        self.expect("fixed version signature", fixed.Signature, 0xFEEF04BD)
        self.expect("file and product version", (fixed.FileVersionMS, fixed.FileVersionLS,
                                                 fixed.ProductVersionMS, fixed.ProductVersionLS), versions)
        return strings


def removal(c):
    dialog = c.resource(RT_DIALOG, 103, "dialog 103")
    if dialog is not None:
        got = parse_dialog(dialog)
        for field in ("style", "rect", "title", "font", "menu", "class"):
            c.expect(f"dialog {field}", got[field], RESTART_DIALOG[field])
        c.expect("control count", len(got["controls"]), len(RESTART_DIALOG["controls"]))
        for i, (g, w) in enumerate(zip(got["controls"], RESTART_DIALOG["controls"])):
            c.expect(f"control {i}", g, w)
    c.icon_group(106, [ICON_32])
    strings = c.version((0x40005, 246, 0x40005, 246))
    if strings:
        fixed = c.pe.version()[0]
        c.expect("file OS and type", (fixed.FileOS, fixed.FileType), (0x40004, 1))
        c.expect("version strings", strings, REMOVAL_STRINGS)


def tray(c):
    menu = c.resource(RT_MENU, "3D_TRAY_MENU", "menu named 3D_TRAY_MENU")
    if menu is not None:
        c.expect("tray menu", parse_menu(menu), TRAY_MENU)
    about = c.resource(RT_DIALOG, 140, "dialog 140")
    if about is not None:
        d = parse_dialog(about)
        c.expect("About style", d["style"], WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
        c.expect("About size", d["rect"], (0, 0, 118, 92))
        c.expect("About caption", d["title"], "About Duzevira Razur")
        c.expect("About font", d["font"], (10, "System"))
        controls = d["controls"]
        c.expect("About control count", len(controls), 4)
        if len(controls) == 4:
            c.expect("OK button", controls[0], (BUTTON, 1, "OK", (34, 75, 50, 14), CONTROL | WS_TABSTOP | 1, 0))
            c.expect("bitmap", controls[1], (STATIC, 65535, 136, (7, 8, 104, 39), CONTROL | SS_BITMAP,
                                             WS_EX_CLIENTEDGE))
            c.expect("first line", controls[2], (STATIC, 65535, "ZM640 Sound Card utilities", (14, 49, 90, 8),
                                                 CONTROL | WS_GROUP, 0))
            c.expect("second line place", controls[3][3], (13, 59, 91, 8))
            if "1998" not in str(controls[3][2]):
                c.faults.append(f"second line does not credit 1998: {controls[3][2]!r}")
    for group_id in range(145, 156):
        c.icon_group(group_id, [ICON_32])
    c.icon_group(138, [ICON_32, (16, 16, 16, 4)])
    bitmap = c.resource(RT_BITMAP, 136, "bitmap 136")
    if bitmap is not None:
        _, width, height, _, bits = struct.unpack_from("<IiiHH", bitmap, 0)
        c.expect("bitmap 136", (width, height, bits), (200, 74, 8))
    strings = c.version((0x10000, 1, 0x10000, 1))
    for name, want in (("FileDescription", "3V Udezo Diziru"), ("FileVersion", "1, 0, 0, 1"),
                       ("ProductVersion", "1, 0, 0, 1")):
        c.expect(name, strings.get(name), want)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("removal", "tray"):
        sys.exit(__doc__)
    checks = Checks(sys.argv[2])
    {"removal": removal, "tray": tray}[sys.argv[1]](checks)
    for fault in checks.faults:
        print("FAIL", fault)
    print(f"{'ok' if not checks.faults else 'FAIL'} resources: {sys.argv[2]}")
    sys.exit(1 if checks.faults else 0)
