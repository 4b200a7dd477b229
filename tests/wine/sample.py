"""The sample Windows 98 system with the card's driver installed, and what a
removal must leave of it, byte for byte."""
import re
from pathlib import Path

from rig import HERE, check, fail

SYSTEM = "windows/system32"  # Wine's system directory, whatever Windows version it plays
# The fourteen files deleted at once, the seven queued for the next start, and
# neighbours of near names that must stay (each holds "NAME driver image").
AT_ONCE = [f"{SYSTEM}/{n}" for n in ("es1938.vxd", "essdm.vxd", "essswt.vxd", "essolo.vxd", "es1938mg.vxd")] + \
          [f"windows/{n}" for n in ("Essswt.dat", "Essswt.dls", "Essswt3M.dls", "Essswt1M.dls")] + \
          ["Es1938.com", "Essolo.com", "Es1938.sys", "Essolo.sys", "Es1938.ini"]
DRIVERS = ["ES1938.drv", "Esfm.drv", "Essmpu.drv", "Essswt.drv", "Essolo.drv"]
AT_BOOT = [f"{SYSTEM}/{n}" for n in DRIVERS] + ["windows/ZM640UTL.exe", "windows/ZM640UNI.exe"]
NEIGHBOURS = [f"{SYSTEM}/es1938.vx_", f"{SYSTEM}/sb16.vxd", f"{SYSTEM}/Essolo.dr_", "windows/Essswt.bak",
              "Es1938.txt"]
QUEUE_LINES = b"".join(b"NUL=C:\\" + p.replace("/", "\\").encode() + b"\r\n" for p in AT_BOOT)
FRESH_QUEUE = b"\r\n[Rename]\r\n" + QUEUE_LINES
CONFIG_AFTER = b"DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nREM \x83\x65\x83\x58\x83\x67\r\n" \
               b"DEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS\r\nFILES=40\r\n"
AUTOEXEC_AFTER = b"@ECHO OFF\r\nPROMPT $p$g\r\npath c:\\windows;c:\\dos\r\nSET BLASTER=A220 I5 D1\r\n" \
                 b"Set Temp=C:\\Windows\\Temp\r\n"
DOSSTART_AFTER = b"@echo off\r\nc:\\mouse\\mouse.com\r\nEcho Starting Linux\r\n" \
                 b"loadlin c:\\linux\\vmlinuz root=/dev/hda2 ro\r\n"
KEPT_INF = ["windows/INF/LOWER.INF", "windows/INF/MACHINE.INF", "windows/INF/OTHER/SB16.INF"]
REMOVED_KEYS = (HERE / "sample/removed_keys.txt").read_text().splitlines()
CURRENT_VERSION = r"Software\Microsoft\Windows\CurrentVersion"


def crlf(*lines):
    return b"".join(line + b"\r\n" for line in lines)


def lay_out(c):
    """The card's driver installed on drive C:, with startup files and INF folders that
    name it among lines and files that do not."""
    c = Path(c)
    for folder in (f"{SYSTEM}", "windows/INF/OTHER"):
        (c / folder).mkdir(parents=True, exist_ok=True)
    for path in AT_ONCE + AT_BOOT[:5] + NEIGHBOURS:
        (c / path).write_bytes(Path(path).name.encode() + b" driver image\r\n")
    # Kept lines come back byte for byte: Shift-JIS text whose trail bytes are a to z,
    # LOADLIN's case-sensitive arguments, mixed-case ECHO and SET.
    (c / "Config.sys").write_bytes(crlf(
        b"DEVICE=C:\\WINDOWS\\HIMEM.SYS", b"REM \x83\x65\x83\x58\x83\x67", b"DEVICE=C:\\ES1938.SYS /A:220 /I:5",
        b"rem device=c:\\essolo.sys is the card's driver", b"DEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS", b"FILES=40"))
    (c / "Autoexec.Bat").write_bytes(crlf(
        b"@ECHO OFF", b"PROMPT $p$g", b"path c:\\windows;c:\\dos", b"C:\\Es1938.com /Q", b"LH C:\\ESSOLO.COM",
        b"SET BLASTER=A220 I5 D1", b"Set Temp=C:\\Windows\\Temp"))
    (c / "windows/DosStart.Bat").write_bytes(crlf(
        b"@echo off", b"c:\\es1938.com", b"c:\\mouse\\mouse.com", b"Echo Starting Linux",
        b"loadlin c:\\linux\\vmlinuz root=/dev/hda2 ro"))
    inf = c / "windows/INF"
    (inf / "ZM640.INF").write_bytes(crlf(b"[Version]", b"Signature=$CHICAGO$", b"[Manufacturer]", b"%ZM%=ZM640",
                                         b"[ZM640]", b"%ZM640.DeviceDesc%=SoloA_Device, PCI\\VEN_125D&DEV_1969"))
    (inf / "OTHER/ZMGAME.INF").write_bytes(crlf(b"[Version]", b"Signature=$CHICAGO$", b"[ZM640]",
                                                b"%Gameport%=MSJSTICK, PCI\\VEN_125D&DEV_1969&SUBSYS_8888125D"))
    (inf / "LOWER.INF").write_bytes(crlf(b"[Version]", b"Signature=$CHICAGO$",
                                         b"; pci\\ven_125d&dev_1969 in lower case does not count"))
    (inf / "MACHINE.INF").write_bytes(crlf(b"[Version]", b"Signature=$CHICAGO$", b"[Manufacturer]",
                                           b"%MS%=Microsoft"))
    (inf / "OTHER/SB16.INF").write_bytes(crlf(b"[Version]", b"Signature=$CHICAGO$", b"%SB16%=SB16, ISAPNP\\CTL0031"))


def expect_bytes(path, want):
    got = Path(path).read_bytes() if Path(path).exists() else None
    if got != want:
        fail(f"{Path(path).name} differs:\n  expected {want!r}\n  got      {got!r}")


def expect_gone(*paths):
    for path in paths:
        if Path(path).exists():
            fail(f"{path} still there")


def present(c, path):
    """Whether the file is there in any case, as Windows finds it (copied from a floppy
    the programs are ZM640UTL.EXE and ZM640UNI.EXE)."""
    folder, name = (Path(c) / path).parent, Path(path).name.lower()
    return folder.is_dir() and any(p.name.lower() == name for p in folder.iterdir())


def card_files_left(c):
    return [f for f in AT_ONCE + AT_BOOT if present(c, f)]


def expect_neighbours_kept(c):
    for path in NEIGHBOURS:
        expect_bytes(Path(c) / path, Path(path).name.encode() + b" driver image\r\n")


def expect_files_removed(c, still_open=()):
    """The fourteen files are gone but those still open; the seven queued ones (the utility,
    ended, may go) and the neighbours stay."""
    for path in AT_ONCE:
        if present(c, path) != (path in still_open):
            fail(f"{path} was {'deleted' if path in still_open else 'not deleted'}")
    for path in AT_BOOT:
        if not present(c, path) and path != "windows/ZM640UTL.exe":
            fail(f"{path} was deleted")
    expect_neighbours_kept(c)


def expect_next_start_done(c, queue):
    """None of the card's 21 files is left, the neighbours are as they were, and WinInit.INI
    was carried out: Wine's boot step renamed it wininit.bak."""
    check("the card's files after the next start", card_files_left(c), [])
    expect_neighbours_kept(c)
    expect_gone(Path(c) / "windows/WinInit.INI")
    expect_bytes(Path(c) / "windows/wininit.bak", queue)


def keep(c, paths):
    return {p: (Path(c) / p).read_bytes() for p in paths}


def expect_unchanged(c, kept):
    for path, content in kept.items():
        expect_bytes(Path(c) / path, content)


def expect_sample_files_filtered(c, kept_inf):
    expect_gone(Path(c) / "windows/INF/ZM640.INF", Path(c) / "windows/INF/OTHER/ZMGAME.INF")
    expect_unchanged(c, kept_inf)
    expect_bytes(Path(c) / "Config.sys", CONFIG_AFTER)
    expect_bytes(Path(c) / "Autoexec.Bat", AUTOEXEC_AFTER)
    expect_bytes(Path(c) / "windows/DosStart.Bat", DOSSTART_AFTER)
    no_temporary_file(c)


def no_temporary_file(c):
    left = [str(p) for p in Path(c).rglob("*") if p.name.lower() == "eraseme.now"]
    check("temporary files left", left, [])


def expect_registry_cleaned(before, after):
    check("keys removed", sorted(set(before) - set(after)), sorted(REMOVED_KEYS))
    check("keys created", sorted(set(after) - set(before)), [])


def _unescape(text):
    """printf's %b escapes, as the shared table writes them: \\r \\n \\t \\xHH \\\\."""
    return re.sub(rb"\\(x[0-9a-fA-F]{2}|.)", lambda m: bytes([int(m.group(1)[1:], 16)]) if len(m.group(1)) == 3
                  else {b"r": b"\r", b"n": b"\n", b"t": b"\t"}.get(m.group(1), m.group(1)), text.encode())


def wininit_case(c, name):
    """Lays out WinInit.INI as the shared table's case NAME has it before a removal, and the
    files other software queued there; gives the bytes a removal must leave and those files."""
    for line in (HERE.parent / "data/wininit_cases.txt").read_text().splitlines():
        fields = line.split("|")
        if fields[0] != name:
            continue
        queue = Path(c) / "windows/WinInit.INI"
        if fields[1] != "-":
            queue.write_bytes(_unescape(fields[1]))
        others = [Path(c) / f for f in fields[3].split()]
        for other in others:
            other.write_bytes(b"queued by other software\r\n")
        return _unescape(fields[2]).replace(b"{LINES}", QUEUE_LINES), others
    fail(f"no WinInit.INI case {name}")
