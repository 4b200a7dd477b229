"""End-to-end cases of the tray utility under Wine, the project's mixer driver
double (a winmm.dll beside the program) standing in for the card."""
import re
from functools import partial

from rig import SLOWDOWN, TOOLS, Session, check, fail, text_lines
from removal_cases import CONFIRM, NT

TRAY = r"C:\windows\ZM640UTL.exe"
WINDOW = ("3ZAvodWClass", "3ZAvod Sample")
WM_COMMAND, WM_CLOSE = 273, 16
NIM_ADD, NIM_MODIFY, NIM_DELETE = 0, 1, 2
ABOUT = "About Duzevira Razur"
AREA = ("Shell_TrayWnd", "ZM640 test notification area")
MULTIMEDIA = "shell32.dll,Control_RunDLL mmsys.cpl"


class Tray:
    """A sample system with the mixer double, and the utility on it."""

    def __init__(self, name, desktop=None, **mixer):
        self.s = Session(name, desktop=desktop)
        self.s.mixer_double(**mixer)
        self.program = None

    def start(self, settle=True, **options):
        self.program = self.s.start("tray", TRAY, relay=True, **options)
        if settle:  # the first tick has synced the label and written the switch
            self.s.wait(lambda: self.writes(), "the utility's first write to the mixer")
        return self

    def writes(self, since=0):
        return [line for line in self.s.mixer_lines()[since:] if line.startswith("set ")]

    def wait_write(self, value, since):
        self.s.wait(lambda: any(re.search(f"value={value} -> 0$", w) for w in self.writes(since)),
                    f"the utility to write {value} to control 41")

    def icon_calls(self):
        return self.program.args("Shell_NotifyIconA", 0)

    def wait_frames(self, count):
        """Waits until the animation has shown COUNT more frames: time passed, in ticks."""
        target = self.icon_calls().count(NIM_MODIFY) + count
        self.s.wait(lambda: self.icon_calls().count(NIM_MODIFY) >= target, f"{count} frames")

    def command(self, command):
        self.s.post(*WINDOW, WM_COMMAND, command)

    def exit(self):
        self.command(40001)
        check("the utility's exit code", self.program.exit_code(), 0)

    def expect_mixer_closed(self):
        check("the last mixer call", self.s.mixer_lines()[-1].split(" ")[0], "mixerClose")

    def box_owners(self):
        return self.program.args("MessageBoxA", 0)

    def started_command(self):
        self.s.wait(lambda: self.s.started("rundll32"), "rundll32.exe started by the utility")
        return "\n".join(self.s.started("rundll32"))


def hidden_single_copy():
    t = Tray("tray_hidden_single_copy").start()
    check("windows", t.s.shown(*WINDOW), "count=1 visible=0")
    second = t.s.start("second", TRAY, watched=False)
    check("the second copy's exit code", second.exit_code(), 0)
    check("windows after a second start", t.s.shown(*WINDOW), "count=1 visible=0")
    check("icons added", t.icon_calls().count(NIM_ADD), 1)
    t.exit()


def label_follows_mixer():
    t = Tray("tray_label_follows_mixer", initial=0).start()
    check("the label after reading 0", t.s.tray_label(), "Turn On 3D Effect")
    check("the first write", t.writes(), ["set id=41 channels=1 items=0 size=24 details=4 flags=0 value=0 -> 0"])
    mixer_tool(t.s, "set", "1")  # another program
    t.s.wait_label("Turn Off 3D Effect")
    lines = len(t.s.mixer_lines())
    t.command(40005)  # the menu's 3D command
    t.s.wait_label("Turn On 3D Effect")
    t.wait_write(0, lines)
    t.exit()
    t.expect_mixer_closed()


def mixer_tool(s, *words):
    tool = s.start("mixer_tool", r"C:\windows\mixer_tool.exe", *words, watched=False)
    check("mixer_tool's exit code", tool.exit_code(), 0)


def idle_no_mixer_calls():
    t = Tray("tray_idle_no_mixer_calls").start()
    before = len(t.s.mixer_lines())
    t.wait_frames(30)  # 150 ticks of the 10 ms timer
    check("mixer calls while idle", len(t.s.mixer_lines()), before)
    t.exit()


def exit_removes_icon():
    t = Tray("tray_exit_removes_icon").start()
    t.exit()
    check("the last notification-area call", t.icon_calls()[-1], NIM_DELETE)
    # The icon goes before the window.
    order = [name for name, args, _ in t.program.calls()
             if name == "DestroyWindow" or (name == "Shell_NotifyIconA" and args[0] == NIM_DELETE)]
    check("order", order, ["Shell_NotifyIconA", "DestroyWindow"])
    t.expect_mixer_closed()


def no_mixer():
    t = Tray("tray_no_mixer", faults="nodevice").start(settle=False, watched=False)
    check("exit code without a mixer", t.program.exit_code(), 0)
    check("icons added", t.icon_calls().count(NIM_ADD), 0)


def write_fails():
    t = Tray("tray_write_fails", faults="writefail").start(settle=False)
    check("the failure box", t.s.box("Unable to control 3D"), ["Error Setup Mixer", 1])
    t.wait_frames(30)  # ticks go on while the box is open; none writes again
    check("the failure boxes' owners", t.box_owners(), [0])
    check("writes", len(t.writes()), 1)
    t.s.press("Unable to control 3D", "Return")
    t.exit()


def multimedia():
    """No rundll32.exe in the Windows directory nor in the system directory (and Wine's own
    not loaded in its place): the error box; the system directory's is tried only when the
    Windows directory's fails."""
    t = Tray("tray_multimedia")
    for folder in (t.s.win, t.s.win / "system32"):
        (folder / "rundll32.exe").unlink(missing_ok=True)
    t.start(env={"WINEDLLOVERRIDES": t.s.env["WINEDLLOVERRIDES"] + ";rundll32.exe=n"})
    t.command(40006)
    title = "Unable to open MultiMedia windows"
    check("the box", t.s.box(title), ["Error Message", 1])
    check("the boxes' owners", t.box_owners(), [0])
    t.s.press(title, "Return")
    t.s.stand_in("rundll32.exe")
    t.command(40006)
    check("command line", t.started_command(), "C:\\windows\\\\rundll32.exe " + MULTIMEDIA)
    windows_dir = [f"C:\\windows\\\\rundll32.exe {MULTIMEDIA}", 5]
    check("WinExec calls", t.program.args("WinExec"),
          [windows_dir, [f"C:\\windows\\system32\\rundll32.exe {MULTIMEDIA}", 5], windows_dir])
    t.exit()


def uninstall():
    t = Tray("tray_uninstall").start()
    removal = t.s.watch("ZM640UNI.exe")
    t.command(40007)  # the real removal program starts and asks
    t.s.press(CONFIRM, "n")
    check("the removal's exit code", t.s.indirect_exit_code(removal), 0)
    check("WinExec", t.program.args("WinExec"), [["C:\\windows\\\\ZM640UNI.exe", 5]])
    t.exit()


def about_once():
    t = Tray("tray_about_once")
    t.s.stand_in("rundll32.exe")
    t.start()
    about_shown = lambda: t.s.shown("#32770", ABOUT) == "count=1 visible=1"
    t.command(40004)
    t.s.wait(about_shown, "the About box")
    t.command(40004)
    t.command(40006)  # handled after the second About: its effect proves that one was too
    t.started_command()
    check("About boxes", t.s.shown("#32770", ABOUT), "count=1 visible=1")
    dialogs = lambda: t.program.calls("DialogBoxParamA")
    check("DialogBoxParamA calls", len(dialogs()), 1)
    # Closed by its close box, it opens again; it has ended when DialogBoxParamA returns.
    t.s.post("#32770", ABOUT, WM_CLOSE)
    t.s.wait(lambda: dialogs()[0][2] is not None, "the About box to end")
    t.command(40004)
    t.s.wait(lambda: len(dialogs()) == 2 and about_shown(), "the About box again")
    t.exit()


def menu_closes():
    """In a virtual desktop, whose taskbar shows the icon: a click elsewhere closes the
    menu, and the icon still answers."""
    t = Tray("tray_menu_closes", desktop="640x480").start()
    t.s.open_tray_menu()
    t.s.click(200, 200)
    t.s.wait(lambda: not t.s.tray_menu()[0], "the menu to close")
    t.s.open_tray_menu()
    t.s.choose(40005)
    t.s.wait_label("Turn On 3D Effect")
    t.exit()
    # Windows closes the menu on a click elsewhere only when its window was the foreground
    # one, and lets it go after a message (KB Q135788); Wine closes it regardless.
    window = {"SetForegroundWindow": 0, "TrackPopupMenu": 5, "PostMessageA": 0}
    around = [(name, args[window[name]]) for name, args, _ in t.program.calls()
              if name in window and (name != "PostMessageA" or args[1] == 0)]
    ours = around[0][1] if around else 0
    check("calls around each menu", around,
          [("SetForegroundWindow", ours), ("TrackPopupMenu", ours), ("PostMessageA", ours)] * 2)


def taskbar_created():
    t = Tray("tray_taskbar_created").start()
    t.s.post(*WINDOW, "TaskbarCreated")  # the registered message of that name
    t.s.wait(lambda: t.icon_calls().count(NIM_ADD) == 2, "the icon added again")
    t.exit()


# -- the notification area the test owns (tests/tools/notify_area.c) ----------------------
class Area:
    """Log lines "WHAT RESULT icons=N t=MS"; posts end and restart it, or click icons."""

    def __init__(self, tray):
        self.t, self.s = tray, tray.s
        self.log = self.s.c / "notify.log"
        self.s.start("area", str(TOOLS / "notify_area.exe"), r"C:\notify.log")
        self.s.wait(lambda: "ready" in text_lines(self.log), "the test's notification area")

    def lines(self):
        return [line for line in text_lines(self.log) if line != "ready"]

    def after(self, what):
        """The lines after the last one of WHAT; none while there is none of WHAT."""
        lines = self.lines()
        last = max([i for i, line in enumerate(lines) if line.split(" ")[0] == what], default=len(lines))
        return lines[last + 1:]

    def wait_line(self, start, lines=None):
        self.s.wait(lambda: any(line.startswith(start) for line in (lines or self.lines)()), f'"{start}"')

    def post(self, message, wparam=0, lparam=0):
        self.s.post(*AREA, message, wparam, lparam)

    def restart(self, broadcast, refused):
        """Ends the shell; it comes back after refusing that many adds (0: its first call).
        Gives how many ms after it came back the icon was."""
        self.post(32769, broadcast, refused)
        self.wait_line("add 1 icons=1", lambda: self.after("ended"))
        time = lambda line: int(line.split("t=")[1])
        started = time(next(line for line in self.after("ended") if line.startswith("started")))
        back = [line for line in self.after("started") if line.startswith("add 1")]
        # (With the broadcast a retry may come first: the broadcast's add then fails.)
        check("adds taken after the restart", len(back), 1)
        return time(back[0]) - started

    def choose(self, command):
        """Right-clicks the icon through the area, and clicks the menu item."""
        self.post(32771, 0, 516)  # WM_RBUTTONDOWN
        self.s.wait(lambda: self.s.tray_menu()[0], "the tray menu to open")
        self.s.choose(command)

    def exit_tray(self):
        self.choose(40001)
        check("the utility's exit code", self.t.program.exit_code(), 0)
        check("the last call", " ".join(self.lines()[-1].split(" ")[:3]), "delete 1 icons=0")


def on_test_area(name):
    """The utility started with the test's notification area, its icon taken."""
    t = Tray(name)
    area = Area(t)
    t.start()
    area.wait_line("add 1 icons=1")
    return t, area


def shell_restart_silent():
    """Windows 95's shell says nothing when it starts again: the utility finds the icon gone
    and adds it again, no more often than once a second."""
    t, area = on_test_area("tray_shell_restart_silent")
    after = area.restart(0, 3)
    if not 900 <= after <= 3000 * SLOWDOWN:
        fail(f"icon back {after} ms after the shell (expected about a second)")
    tries = [int(line.split("t=")[1]) for line in area.after("ended") if line.startswith("add")]
    check("adds while no shell was there, and the one it took", len(tries), 4)
    check("adds closer than a second", [b - a for a, b in zip(tries, tries[1:]) if b - a < 900], [])
    lines = len(t.s.mixer_lines())
    area.choose(40005)
    t.s.wait_label("Turn On 3D Effect")
    t.wait_write(0, lines)
    area.exit_tray()


def shell_restart_broadcast():
    """A shell that broadcasts TaskbarCreated gets the icon at once, and once."""
    t, area = on_test_area("tray_shell_restart_broadcast")
    after = area.restart(1, 0)
    if after >= 900:
        fail(f"icon back only {after} ms after the broadcast")
    area.exit_tray()
    check("icons added in all", sum(line.startswith("add 1") for line in area.lines()), 2)


def shell_not_ready():
    """Started before a shell takes icons: the icon comes once one does."""
    t = Tray("tray_shell_not_ready")
    area = Area(t)
    area.post(32769, 0, 2)  # ended; back after refusing two adds
    area.wait_line("ended")
    t.start(settle=False)
    area.wait_line("add 1 icons=1", lambda: area.after("ended"))
    check("adds", sum(line.startswith("add") for line in area.lines()), 3)
    area.choose(40001)
    check("the utility's exit code", t.program.exit_code(), 0)


def modify_refused():
    """A shell that refuses one modify but keeps the icon: no second icon."""
    t, area = on_test_area("tray_modify_refused")
    area.post(32772)
    area.wait_line("modify 0 icons=1")
    area.wait_line("add 0 icons=1")  # refused: it is there
    area.wait_line("modify 1 icons=1", lambda: area.after("add"))  # animating again
    check("adds after the refused modify", [" ".join(line.split(" ")[:3]) for line in area.lines()
                                            if line.startswith("add")], ["add 1 icons=1", "add 0 icons=1"])
    area.exit_tray()


def compat_tray(version):
    """The label follows control 41, the 3D command writes it, Exit from another process
    removes the icon. On NT, MultiMedia Properties finds rundll32.exe in the system
    directory, with no error box."""
    t = Tray(f"compat_{version}_tray", initial=1)
    t.s.env["WINEDLLOVERRIDES"] += ";rundll32.exe=n"  # Wine would run its own, not the stand-in
    t.start()
    t.s.wait_label("Turn Off 3D Effect")
    mixer_tool(t.s, "set", "0")  # another program
    t.s.wait_label("Turn On 3D Effect")
    lines = len(t.s.mixer_lines())
    t.command(40005)
    t.s.wait_label("Turn Off 3D Effect")
    t.wait_write(1, lines)
    if version in NT:
        (t.s.win / "rundll32.exe").unlink(missing_ok=True)
        t.s.stand_in("system32/rundll32.exe")
        t.command(40006)
        check("command line", t.started_command(), f"C:\\windows\\system32\\rundll32.exe {MULTIMEDIA}")
        check("error boxes", t.box_owners(), [])
    t.exit()
    check("the last notification-area call", t.icon_calls()[-1], NIM_DELETE)
    t.expect_mixer_closed()


CASES = {
    **{f"tray_{f.__name__}": f for f in (
        hidden_single_copy, label_follows_mixer, idle_no_mixer_calls, exit_removes_icon, no_mixer, write_fails,
        multimedia, uninstall, about_once, menu_closes, taskbar_created, shell_restart_silent,
        shell_restart_broadcast, shell_not_ready, modify_refused)},
    **{f"compat_{v}_tray": partial(compat_tray, v) for v in ("win95", "win98", "winme") + NT},
}
