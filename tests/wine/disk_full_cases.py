"""The removal on a nearly full disk: drive C:'s root, with the startup files, the
Windows directory's WinInit.INI and DosStart.Bat and the INF folders (where
EraseMe.Now is written), lies on a size-limited tmpfs (4 KiB pages) filled so
that FREE pages are left; everything else of the drive links back to the prefix.
After Yes every line of the user's and of other software is on the disk in a
complete file; after the next start other software's queued entries are carried out."""
import os
import shutil
import subprocess
import sys
from functools import partial

from rig import Session, check, fail, skip
from removal_cases import remove
from sample import QUEUE_LINES


def in_own_mount_namespace():
    """Mounting needs root; elsewhere a user and mount namespace of our own gives it."""
    if os.getuid() != 0 and not os.environ.get("ZM_UNSHARED") and \
            subprocess.run(["unshare", "-rm", "true"], capture_output=True).returncode == 0:
        os.execvpe("unshare", ["unshare", "-rm", "--", sys.executable, "-B", *sys.argv],
                   dict(os.environ, ZM_UNSHARED="1"))


def farm(source, target, *real):
    """TARGET holds a link to each entry of SOURCE, but a copy of each REAL one."""
    target.mkdir(exist_ok=True)
    for entry in source.iterdir():
        if entry.name not in real:
            (target / entry.name).symlink_to(entry)
        elif entry.is_file():
            shutil.copy2(entry, target / entry.name)


def filtered(text, keys):
    """TEXT as the removal leaves it without the lines naming KEYS."""
    lines = text.replace(b"\r\n", b"\n").split(b"\x1a")[0].splitlines(keepends=True)
    return b"".join(line.replace(b"\n", b"\r\n") for line in lines if not any(k in line.upper() for k in keys))


def lay_out_case(c, case):
    """The case's files, as other software and the user left them, each sized so that
    its new text takes one page more than it does."""
    if case == "config":  # 7,824 bytes in LF line ends: 8,257 once rewritten in CR LF
        text = "".join("rem user %06d\n" % i for i in range(480))
        text += "DEVICE=C:\\ES1938.SYS /A:220\ndevice=c:\\essolo.sys\nFILES=40\n"
        (c / "Config.sys").write_bytes((text + "rem " + "x" * (7824 - len(text) - 5) + "\n").encode())
        return []
    others = [c / "OTHER" / f"SETUP{i:03d}.TMP" for i in range(1, 116)]  # 3,961 bytes: 4,197 with the lines
    others[0].parent.mkdir()
    for other in others:
        other.write_bytes(b"temp\r\n")
    text = "[rename]\r\n" + "".join(f"NUL=C:\\OTHER\\SETUP{i:03d}.TMP\r\n" for i in range(1, 116))
    text += "\r\n[CombineVxDs]\r\n" + "".join(f"C:\\WINDOWS\\SYSTEM\\VMM32\\V{i:03d}.VXD=1\r\n" for i in range(22))
    (c / "windows/WinInit.INI").write_bytes((text + "; " + "x" * (3961 - len(text) - 4) + "\r\n").encode())
    return others


def disk_full(case, free):
    in_own_mount_namespace()
    s = Session(f"disk_full_{case}_{free}")
    disk = s.dir / "disk"
    disk.mkdir()
    mount = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m,mode=755", "zm640disk", str(disk)],
                           capture_output=True, text=True)
    if mount.returncode != 0:
        skip(f"no size-limited file system can be mounted here: {mount.stderr.strip()}")
    try:
        run_on_full_disk(s, disk, case, free)
    finally:
        s.stop()
        subprocess.run(["umount", "-l", str(disk)], capture_output=True)


def run_on_full_disk(s, disk, case, free):
    others = lay_out_case(s.c, case)
    config = (s.c / "Config.sys").read_bytes()
    wininit = (s.c / "windows/WinInit.INI").read_bytes() if case == "wininit" else None
    farm(s.c, disk, "Config.sys", "Autoexec.Bat", "windows")
    farm(s.win, disk / "windows", "WinInit.INI", "DosStart.Bat", "INF")
    farm(s.win / "INF", disk / "windows/INF", "OTHER")
    (disk / "windows/INF/OTHER").mkdir(exist_ok=True)
    for entry in (s.win / "INF/OTHER").iterdir():
        shutil.copy2(entry, disk / "windows/INF/OTHER")
    drive = s.prefix / "dosdevices/c:"
    drive.unlink()
    drive.symlink_to(disk)
    # Fill the disk: every page taken, then FREE pages given back.
    filler = disk / "FILLER.BIN"
    with open(filler, "wb") as out:
        try:
            while True:
                out.write(bytes(1 << 16))
                out.flush()
        except OSError:
            pass
    os.truncate(filler, filler.stat().st_size // 4096 * 4096 - free * 4096)
    check("free pages", os.statvfs(disk).f_bavail, free)
    remove(s)

    # The complete texts each file may hold: as it was, or as the removal rewrites it.
    config_texts = {config, filtered(config, [b"ES1938.SYS"]), filtered(config, [b"ESSOLO.SYS"]),
                    filtered(config, [b"ES1938.SYS", b"ESSOLO.SYS"])}
    if wininit is None:
        wininit_texts = {None, b"\r\n[Rename]\r\n" + QUEUE_LINES}
    else:
        at = wininit.find(b"\r\n\r\n[CombineVxDs]") + 2
        wininit_texts = {wininit, wininit[:at] + QUEUE_LINES + wininit[at:]}
    read = lambda path: path.read_bytes() if path.exists() else None
    copies = [read(disk / "windows/INF/OTHER/EraseMe.Now"), read(disk / "windows/EraseMe.Now")]
    for name, path, texts in (("Config.sys", disk / "Config.sys", config_texts),
                              ("WinInit.INI", disk / "windows/WinInit.INI", wininit_texts)):
        now = read(path)
        if now in texts:
            print(f"{name}: {'absent' if now is None else f'complete, {len(now)} bytes'}, "
                  f"{'as it was' if now in (config, wininit) else 'rewritten'}")
        elif any(copy is not None and copy in texts for copy in copies):
            print(f"{name}: {len(now or b'')} bytes; its complete new text is kept beside it")
        else:
            fail(f"{name}: {len(now or b'')} bytes, not whole, and no complete copy on the disk")
    if case == "wininit":  # the next start carries out WinInit.INI: other software's entries too
        s.next_start()
        left = [other.name for other in others if other.exists()]
        check("other software's queued files after the next start", left, [])
        if not (disk / "windows/wininit.bak").exists():
            fail("the next start did not carry out WinInit.INI")


CASES = {f"disk_full_{case}_{free}": partial(disk_full, case, free)
         for case in ("config", "wininit") for free in range(7)}
