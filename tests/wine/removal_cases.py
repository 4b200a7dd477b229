"""End-to-end cases of the removal: its boxes, its effects on the sample system,
the next start that finishes it, the INF install it undoes, and the Windows family."""
import os
from functools import partial

from rig import BUILD, TOOLS, Session, check, fail, text_lines
from sample import (CURRENT_VERSION, FRESH_QUEUE, KEPT_INF, QUEUE_LINES, AUTOEXEC_AFTER, CONFIG_AFTER,
                    expect_bytes, expect_files_removed, expect_gone, expect_next_start_done,
                    expect_registry_cleaned, expect_sample_files_filtered, expect_unchanged, keep,
                    no_temporary_file, wininit_case)

CONFIRM, RESTART = "Comfirm File Deletion", "Complete Uninstallation"
REMOVAL = r"C:\windows\ZM640UNI.exe"
TRAY_WINDOW = ("3ZAvodWClass", "3ZAvod Sample")
# ExitWindowsEx's flags (the restart dialog's buttons) and the boot step Wine's
# ExitWindowsEx would start for them, as its log names it.
RESTART_FLAGS = {"r": (2, "--end-session"), "s": (1, "--end-session --shutdown")}
NT = ("nt40", "win2k", "winxp", "win10")


def start_removal(s, *command):
    return s.start("removal", *(command or [REMOVAL]), relay=True, restart_taken=True)


def remove(s, key="c"):
    """Runs the removal: Yes, then KEY in the restart dialog (c: Cancel, r: Restart,
    s: Shut Down); it must end with 1."""
    removal = start_removal(s)
    s.press(CONFIRM, "y")
    s.press(RESTART, key)
    check("the removal's exit code", removal.exit_code(), 1)
    return removal


def boot_step_asked(s):
    """What Wine's ExitWindowsEx asked of the boot step (a program's start asks --init)."""
    asked = lambda: [line.split("wineboot.exe ", 1)[1] for line in s.started("wineboot") if "--init" not in line]
    s.wait(asked, "the boot step ExitWindowsEx starts")
    return asked()


def check_confirmation_box(s, removal):
    """Yes and No, no icon; owned (by the desktop window), which only the call shows."""
    check("the confirmation box", s.box(CONFIRM),
          ["Are you sure you want to completely remove 'ZM640 Sound Card Driver' and all of its\ncomponents?", 6, 7])
    owners = removal.args("MessageBoxA", 0)
    if len(owners) != 1 or owners[0] == 0:
        fail(f"the confirmation box's owners: {owners}")


def standin(s):
    """The stand-in tray window, ready to log what it receives."""
    program = s.start("standin", str(TOOLS / "tray_standin.exe"), r"C:\standin.log", watched=False)
    s.wait(lambda: "ready" in text_lines(s.c / "standin.log"), "the stand-in tray window")
    return program


def standin_received(s, program):
    check("the stand-in's exit code", program.exit_code(), 0)
    return [line for line in text_lines(s.c / "standin.log") if line != "ready"]


# -- removal_run: the boxes and what each answer does -------------------------------------
def run_no():
    s = Session("removal_run_no")
    before = s.snapshot()
    tray = standin(s)
    removal = start_removal(s)
    check_confirmation_box(s, removal)
    s.press(CONFIRM, "n")
    check("exit code", removal.exit_code(), 0)
    s.post(*TRAY_WINDOW, 32775)  # the stand-in's sentinel: whatever was sent before came first
    check("the stand-in received", standin_received(s, tray), ["sentinel"])
    check("the sample system after No", s.snapshot(), before)
    check("restart dialogs after No", removal.calls("DialogBoxParamA"), [])


def run_yes_cancel():
    s = Session("removal_run_yes_cancel")
    tray = standin(s)
    removal = start_removal(s)
    check_confirmation_box(s, removal)
    s.press(CONFIRM, "Return")  # Yes is the default button
    s.wait(lambda: s.shown("#32770", RESTART) == "count=1 visible=1", "the restart dialog")
    check("the stand-in received", standin_received(s, tray), ["WM_COMMAND 40001 0"])
    s.press(RESTART, "c")
    check("exit code", removal.exit_code(), 1)
    check("ExitWindowsEx calls", removal.args("ExitWindowsEx"), [])
    check("EndDialog's values", removal.args("EndDialog", 1), [1])


def run_restart(keys, flags, boot_step):
    """Esc then Restart (keys are handled in order: had Esc closed the dialog, Restart would
    never be pressed), or Enter, which is Shut Down."""
    s = Session(f"removal_run_{'esc_then_restart' if len(keys) > 1 else 'enter_shuts_down'}")
    removal = start_removal(s)
    s.press(CONFIRM, "y")
    s.press(RESTART, *keys)
    check("exit code", removal.exit_code(), 1)
    check("ExitWindowsEx calls", removal.args("ExitWindowsEx"), [[flags, 0]])
    check("Wine's boot step asked for", boot_step_asked(s), [boot_step])


def run_no_tray():
    s = Session("removal_run_no_tray")
    removal = remove(s)
    check("FindWindowA calls", removal.args("FindWindowA"), [list(TRAY_WINDOW)])
    check("PostMessageA calls", removal.calls("PostMessageA"), [])


# -- removal_effects: the registry, the driver files and WinInit.INI ----------------------
def effects(case):
    """Windows 98 takes each key's sub-tree in one call: 16 calls for the sample system (two
    fail: the already deleted PCI key, and the Add/Remove Programs entry, absent where the
    programs were copied by hand). NT's rules need the sub-keys deleted first: more calls."""
    s = Session(f"removal_effects_{case}", windows="win10" if case == "nt_rules" else None)
    queue = s.win / "WinInit.INI"
    if case == "two_runs":
        remove(s)
        remove(s)
        expect_bytes(queue, FRESH_QUEUE + QUEUE_LINES)
        return
    before = s.registry_keys()
    removal = remove(s)
    expect_registry_cleaned(before, s.registry_keys())
    expect_files_removed(s.c)
    expect_bytes(queue, FRESH_QUEUE)
    deletions = len(removal.calls("RegDeleteKeyA"))
    if case == "win98":
        check("RegDeleteKeyA calls", deletions, 16)
        # Windows 9x caches INI files (KB Q107695): the cache is flushed before WinInit.INI
        # is read and after it is written. Wine keeps none: only the calls show it.
        queue_calls = [name if name == "CreateFileA" else args for name, args, _ in removal.calls()
                       if name in ("CreateFileA", "WritePrivateProfileStringA")
                       and str(args[0 if name == "CreateFileA" else 3]).lower().endswith("wininit.ini")]
        flush = [0, 0, 0, r"C:\windows\WinInit.INI"]
        check("WinInit.INI's first and last calls", queue_calls[:1] + queue_calls[-1:], [flush, flush])
        check("WinInit.INI's calls between", set(map(str, queue_calls[1:-1])), {"CreateFileA"})
    elif deletions <= 16:
        fail(f"NT rules: expected more than 16 RegDeleteKeyA calls, got {deletions}")


def refused_restart():
    """Windows refuses the restart (NT without the shutdown right; here the boot step is
    held, and Wine's ExitWindowsEx fails): a box says so, the dialog stays for another try
    or Cancel."""
    s = Session("removal_refused_restart", windows="winxp")
    removal = s.start("removal", REMOVAL, relay=True)
    s.press(CONFIRM, "y")
    refused = ["Windows could not restart the computer. Please restart it yourself to finish removing\n"
               "'ZM640 Sound Card Driver'.", 1]
    for key in ("r", "s"):
        s.press(RESTART, key)
        check("the box after the refusal", s.box("Restart Windows"), refused)
        s.press("Restart Windows", "Return")
    s.press(RESTART, "c")
    check("exit code", removal.exit_code(), 1)
    check("ExitWindowsEx calls", removal.args("ExitWindowsEx"), [[2, 0], [1, 0]])
    if 0 in removal.args("MessageBoxA", 0):
        fail("a box has no owner: the dialog must own the refusal's")
    check("EndDialog's values", removal.args("EndDialog", 1), [1])


# -- next_start: through the restart, WinInit.INI as other software left it -----------------
def next_start(case, key="r"):
    s = Session(f"next_start_{case}_{key}")
    after, others = wininit_case(s.c, case)
    read_only(s)
    removal = remove(s, key)
    flags, boot_step = RESTART_FLAGS[key]
    check("ExitWindowsEx calls", removal.args("ExitWindowsEx"), [[flags, 0]])
    check("Wine's boot step asked for", boot_step_asked(s), [boot_step])
    expect_files_removed(s.c)
    expect_bytes(s.win / "WinInit.INI", after)
    s.next_start()
    expect_next_start_done(s.c, after)
    expect_gone(*others)


def read_only(s):
    """As a copy from the CD leaves them: read-only, which Wine's boot step, like Windows
    9x's, refuses to delete."""
    for program in ("ZM640UTL.exe", "ZM640UNI.exe"):
        os.chmod(s.win / program, 0o444)


# -- install_inf: from the floppy through ZM640.INF, removed through Add/Remove Programs ------
def install_entries(lines):
    """ZM640.INF's two entries in a saved CurrentVersion branch, those still there, and every
    other line of it as it is."""
    ours, section, left, others = False, "", [], []
    for line in lines:
        if line.startswith("["):
            section = line.lower()
            ours = section == "[uninstall\\\\zm640]"
            if ours:
                left.append("the Add/Remove Programs entry")
        if section == "[run]" and line.lower().startswith('"zm640utl"='):
            left.append("the Run value")
        elif not ours:
            others.append(line)
    return left, others


def install_inf():
    s = Session("install_inf", programs=False)
    image = next((BUILD / "dist").glob("ZM640-*.img"))
    s.install_from_floppy(image)
    floppy = s.install_from_floppy(image)  # installed twice: one of each all the same
    for name in ("ZM640UTL.EXE", "ZM640UNI.EXE"):
        copies = [p for p in s.win.iterdir() if p.name.lower() == name.lower()]
        check(f"copies of {name}", len(copies), 1)
        check(f"{name} as on the floppy", copies[0].read_bytes(), (floppy / name).read_bytes())
    installed = s.branch(CURRENT_VERSION)
    check("entries", install_entries(installed)[0], ["the Run value", "the Add/Remove Programs entry"])
    check("the Run value", s.value(CURRENT_VERSION + r"\Run", "ZM640UTL"), [r"C:\windows\ZM640UTL.EXE"])
    check("the UninstallString", s.value(CURRENT_VERSION + r"\Uninstall\ZM640", "UninstallString"),
          [r"C:\windows\ZM640UNI.EXE"])
    check("Add/Remove Programs", sorted(s.ask("programs")[1]),
          ["OtherSoundTool|||Other Sound Tool", "ZM640|||ZM640 Sound Card Driver"])
    # Add/Remove Programs starts the removal; Yes, then Restart.
    removal = s.watch("ZM640UNI.exe")
    uninstaller = s.start("uninstaller", "uninstaller", "--remove", "ZM640", restart_taken=True)
    s.press(CONFIRM, "y")
    s.press(RESTART, "r")
    check("the removal's exit code", s.indirect_exit_code(removal), 1)
    check("the uninstaller's exit code", uninstaller.exit_code(), 0)
    expect_files_removed(s.c)
    s.next_start()
    expect_next_start_done(s.c, FRESH_QUEUE)
    left, others = install_entries(s.branch(CURRENT_VERSION))  # asked of the next start's Windows
    check("entries left", left, [])
    check("every other line of CurrentVersion, the other programs' entries included", others,
          install_entries(installed)[1])


# -- removal_files: the INF folders and the DOS startup files -----------------------------
KEY = b"PCI\\VEN_125D&DEV_1969"


def files_case(case):
    s = Session(f"removal_files_{case}")
    inf = s.win / "INF"
    if case == "sample":
        kept = keep(s.c, KEPT_INF)
        remove(s)
        expect_sample_files_filtered(s.c, kept)
    elif case == "many_inf":
        filler = b";" * 3000
        stays = []
        for i in range(1, 7):
            (inf / f"LONG{i}.INF").write_bytes(filler + b"\r\n%D%=ZM640, " + KEY + b"\r\n")
            (inf / f"SHORT{i}.INF").write_bytes(b"[Version]\r\n")
            (inf / f"EMPTY{i}.INF").write_bytes(b"")
            stays += [f"SHORT{i}.INF", f"EMPTY{i}.INF"]
        # Across the 1024-character block boundary, after a NUL, in a lower-case name.
        (inf / "BOUNDARY.INF").write_bytes(b"x" * 1014 + KEY + b"\r\n")
        (inf / "NULBYTE.INF").write_bytes(b"abc\0def " + KEY + b"\r\n")
        (inf / "OTHER/lower.inf").write_bytes(KEY + b"\r\n")
        (inf / "HIDDEN.INF").write_bytes(KEY + b"\r\n")
        if s.ask("hide", r"C:\windows\INF\HIDDEN.INF")[0] != 0:
            fail("could not make HIDDEN.INF hidden")
        (inf / "AFTERZ.INF").write_bytes(b"x\x1a" + KEY + b"\r\n")  # after the end mark: stays
        (inf / "CASE.INF").write_bytes(b"pci\\ven_125d&dev_1969\r\n")  # other case: stays
        (inf / "READONLY.INF").write_bytes(KEY + b"\r\n")
        os.chmod(inf / "READONLY.INF", 0o444)  # Windows refuses to delete it
        kept = keep(inf, stays + ["AFTERZ.INF", "CASE.INF", "READONLY.INF"])
        remove(s)
        expect_gone(*(inf / f"LONG{i}.INF" for i in range(1, 7)), inf / "BOUNDARY.INF", inf / "NULBYTE.INF",
                    inf / "OTHER/lower.inf", inf / "HIDDEN.INF")
        expect_unchanged(inf, kept)
    elif case == "no_other":
        for path in (inf / "OTHER").iterdir():
            path.unlink()
        (inf / "OTHER").rmdir()
        remove(s)
        expect_gone(inf / "ZM640.INF")
        expect_bytes(s.c / "Config.sys", CONFIG_AFTER)
    elif case == "edge_lines":
        long = b"q" * 3000
        (s.c / "Config.sys").write_bytes(b"device=c:\\es1938.sys\nrem caf\xe9 \xe0 ok\n" + long +
                                         b"\r\nREM ESSOLO.SYS\r\nlast\x1atrailing")
        remove(s)
        expect_bytes(s.c / "Config.sys", b"rem caf\xe9 \xe0 ok\r\n" + long + b"\r\nlast")
    elif case == "read_only":
        kept = keep(s.c, ["Config.sys"])
        os.chmod(s.c / "Config.sys", 0o444)
        remove(s)
        expect_unchanged(s.c, kept)
        expect_bytes(s.c / "Autoexec.Bat", AUTOEXEC_AFTER)
    elif case == "no_dosstart":
        (s.win / "DosStart.Bat").unlink()
        remove(s)
        expect_gone(s.win / "DosStart.Bat")
        expect_bytes(s.c / "Autoexec.Bat", AUTOEXEC_AFTER)
    no_temporary_file(s.c)


# -- compat: the same sample system with Wine as each version of Windows -----------------
def nt_boot_deletions(s):
    """NT's own list of boot-time deletions: each file's NT name and an empty string."""
    listed = s.value(r"System\CurrentControlSet\Control\Session Manager", "PendingFileRenameOperations") or []
    return [tuple(listed[i:i + 2]) for i in range(0, len(listed) - 1, 2)]


def compat_removal(version):
    """No changes nothing; then Yes and Cancel remove exactly the card's keys, files and INF
    files, filter the startup files and queue WinInit.INI."""
    s = Session(f"compat_{version}_removal", windows=version)
    before = s.snapshot()
    removal = s.start("removal", REMOVAL)
    s.press(CONFIRM, "n")
    check("exit code after No", removal.exit_code(), 0)
    after_no = s.snapshot()
    check("the sample system after No", after_no, before)
    kept = keep(s.c, KEPT_INF)
    remove(s)
    expect_registry_cleaned(after_no[1], s.registry_keys())
    expect_files_removed(s.c)
    expect_bytes(s.win / "WinInit.INI", FRESH_QUEUE)
    expect_sample_files_filtered(s.c, kept)


def compat_next_start(version):
    """Both programs read-only, a sample bank held open (the synthesizer still reads it), Yes,
    Restart, the next start: none of the card's 21 files is left (Wine carries WinInit.INI
    out whatever version it plays; NT itself never reads it). The bank is queued, not
    deleted from under its reader (NT and Wine refuse that delete; Windows 9x would carry
    it out). On NT the shutdown privilege is enabled before ExitWindowsEx (KB Q176695: Wine
    checks none, so only the calls show it), and the queued files are in NT's own list."""
    s = Session(f"compat_{version}_next_start", windows=version)
    read_only(s)
    check("the bank held open", s.ask("hold", r"C:\windows\Essswt.dls")[0], 0)
    removal = remove(s, "r")
    restart = [(name, args[:2] if name != "AdjustTokenPrivileges" else args[1:2],
                result if name != "ExitWindowsEx" else "-")
               for name, args, result in removal.calls()
               if name in ("LookupPrivilegeValueA", "AdjustTokenPrivileges", "ExitWindowsEx")]
    privilege = [("LookupPrivilegeValueA", [0, "SeShutdownPrivilege"], 1), ("AdjustTokenPrivileges", [0], 1)]
    check("the restart's calls", restart, (privilege if version in NT else []) + [("ExitWindowsEx", [2, 0], "-")])
    expect_files_removed(s.c, ["windows/Essswt.dls"])
    bank = b"NUL=C:\\windows\\Essswt.dls\r\n"
    queue = FRESH_QUEUE + bank
    expect_bytes(s.win / "WinInit.INI", queue)
    queued = [("\\??\\" + line[4:], "") for line in (QUEUE_LINES + bank).decode().splitlines()]
    check("NT's boot-time deletions", nt_boot_deletions(s), queued if version in NT else [])
    s.next_start()
    expect_next_start_done(s.c, queue)


CASES = {
    "removal_run_no": run_no,
    "removal_run_yes_cancel": run_yes_cancel,
    "removal_run_esc_then_restart": partial(run_restart, ["Escape", "r"], 2, "--end-session"),
    "removal_run_enter_shuts_down": partial(run_restart, ["Return"], 1, "--end-session --shutdown"),
    "removal_run_no_tray": run_no_tray,
    "removal_refused_restart": refused_restart,
    "install_inf": install_inf,
    **{f"removal_effects_{c}": partial(effects, c) for c in ("win98", "nt_rules", "two_runs")},
    **{f"next_start_{c}": partial(next_start, c) for c in (
        "absent", "empty", "combine_vxds", "rename_then_other", "rename_last", "rename_last_no_line_end",
        "rename_last_ctrl_z")},
    "next_start_shut_down": partial(next_start, "absent", "s"),
    **{f"removal_files_{c}": partial(files_case, c) for c in (
        "sample", "many_inf", "no_other", "edge_lines", "read_only", "no_dosstart")},
    **{f"compat_{v}_removal": partial(compat_removal, v) for v in ("win95", "win98", "winme") + NT},
    **{f"compat_{v}_next_start": partial(compat_next_start, v) for v in ("win95", "win98", "winme") + NT},
}
