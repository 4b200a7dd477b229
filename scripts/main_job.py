"""The main job under Wine: the programs installed from the release floppy through
ZM640.INF, the utility started from its Run value, its menu switching the 3D
effect off and on, its "Uninstall ZM640" answered Yes and then Restart, and the
next start; reports what happened and what is left of the card."""
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests/wine"))
from removal_cases import CONFIRM, RESTART, install_entries
from report_changes import report
from rig import BUILD, MODE, Session, check, fail, make_template
from sample import AT_BOOT, AT_ONCE, CURRENT_VERSION, REMOVED_KEYS, card_files_left


def switch3d(s, value):
    """Chooses the menu's 3D item and waits for the write to control 41."""
    lines = len(s.mixer_lines())
    s.open_tray_menu()
    label = s.tray_label()
    s.choose(40005)
    s.wait(lambda: any(re.search(f"^set .*value={value} -> 0$", line) for line in s.mixer_lines()[lines:]),
           f"the write of {value} to control 41")
    print(f'Chose "{label}": the utility wrote {value} to mixer control 41.')


def main():
    print(f"Preparing the sample Windows 98 system under Wine ({MODE} 32-bit x86)...")
    make_template()
    s = Session("main-job", desktop="640x480", programs=False)  # its taskbar shows the icon
    s.mixer_double()
    image = next((BUILD / "dist").glob("ZM640-*.img"))
    s.install_from_floppy(image)
    print(f"Installed from the release floppy image {image.name} in drive A:, as a\n"
          "Windows 98 user does: right-click ZM640.INF, Install. It copied ZM640UNI.EXE and\n"
          "ZM640UTL.EXE into C:\\WINDOWS, had the utility start with Windows, and listed the removal\n"
          "in Add/Remove Programs:")
    print(*("  " + line[8:] for line in s.ask("programs")[1] if line.startswith("ZM640|||")), sep="\n")
    run_value = (s.value(CURRENT_VERSION + r"\Run", "ZM640UTL") or fail("ZM640.INF added no Run value"))[0]
    before = s.snapshot()

    print(f"Starting the tray utility as Windows does at every start, from its Run value: {run_value}")
    # The removal it starts inherits its environment: the restart taken by a stand-in, and traced.
    tray = s.start("tray", run_value, relay=True, restart_taken=True)
    s.wait(lambda: any(line.startswith("set ") for line in s.mixer_lines()), "the utility's first write")
    tool = s.start("mixer_tool", r"C:\windows\mixer_tool.exe", "get", watched=False)
    tool.exit_code()
    control = (s.dir / "mixer_tool.out").read_text().strip()
    print(f'Its menu reads "{s.tray_label()}"; control 41 is {control}.')
    switch3d(s, 0)
    switch3d(s, 1)

    print('Choosing "&Uninstall ZM640": ZM640UNI.exe starts; answering Yes, then Restart.')
    removal = s.watch("ZM640UNI.exe")
    s.open_tray_menu()
    s.choose(40007)
    s.press(CONFIRM, "y")
    tray.watched = False  # the removal tells it to exit
    s.wait(lambda: s.shown("#32770", RESTART) == "count=1 visible=1", "the restart dialog")
    print(f"The removal told the tray utility to exit; it ended with exit code {tray.exit_code()}.")
    s.press(RESTART, "r")
    code = s.indirect_exit_code(removal)
    check("the removal's restart", [args for _, args, _ in tray.calls("ExitWindowsEx")], [[2, 0]])
    print(f"The removal asked Windows to restart (ExitWindowsEx EWX_REBOOT) and ended with exit code {code}.")
    after = s.snapshot()
    print()
    report(before, after)
    print("\nWinInit.INI, queued for the next start:")
    print(*("  " + line for line in (s.win / "WinInit.INI").read_text("latin-1").splitlines()), sep="\n")
    print("\nRestarting once every program has ended, as Windows 98 does: the next\n"
          "start's boot step (Wine's wineboot) carries out WinInit.INI.")
    s.next_start()
    next_start = s.snapshot()
    print("What the next start did:")
    report(after, next_start)
    entries_left = install_entries(s.branch(CURRENT_VERSION))[0]
    if entries_left:
        print("Still there:", *entries_left)
    removed = {key.lower() for key in REMOVED_KEYS}
    keys_left = sum(key.lower() in removed for key in next_start[1]) + len(entries_left)
    print(f"\nLeft of the card after the restart: {len(card_files_left(s.c))} of its {len(AT_ONCE + AT_BOOT)} files, "
          f"{keys_left} of its {len(REMOVED_KEYS) + 2} registry keys (the driver's, the Run value and the "
          "Add/Remove Programs entry).")


if __name__ == "__main__":
    from run import run
    sys.exit(run(main))
