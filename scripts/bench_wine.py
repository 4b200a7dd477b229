"""The benchmark's Wine figures, one "FIGURE: RESULT" line each (scripts/bench):
the whole removal, Yes to the restart dialog, on the sample system with the
INF folder given, beside Wine starting and ending a program that does nothing
(medians of five); then the tray utility's CPU time over 60 s with the
animation running, beside floor programs, and 60 s more with no shell taking
the icon.
usage: bench_wine.py INF_FOLDER"""
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests/wine"))
from removal_cases import CONFIRM, RESTART, REMOVAL  # noqa: E402
from rig import TOOLS, Session, make_template, prefix_processes  # noqa: E402
from tray_cases import TRAY, WINDOW, Area, Tray  # noqa: E402


def report(figure, result):
    print(f"{figure}: {result}", flush=True)


def removal_times(inf_folder):
    """Timed by Wine's own clock in the relay log: from MessageBoxA's return (the Yes) to
    the DialogBoxParamA call (the restart dialog), the four steps between."""
    removal, noop = [], []
    for run in range(1, 6):
        s = Session(f"bench_removal_{run}")
        shutil.copytree(inf_folder, s.win / "INF", dirs_exist_ok=True)
        # Only the two calls timed are traced (the tests' list has the INF scan's opens).
        s.start("reg", "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d",
                "user32.MessageBoxA;user32.DialogBoxParamA", "/f", watched=False).exit_code()
        started = time.monotonic()
        s.start("noop", str(TOOLS / "noop.exe"), watched=False).exit_code()
        noop.append(time.monotonic() - started)
        program = s.start("removal", REMOVAL, env={"WINEDEBUG": "+timestamp,+relay"})
        s.press(CONFIRM, "y")
        s.press(RESTART, "c")
        program.exit_code()
        stamps = {}
        for line in program.log.read_text(errors="replace").splitlines():
            for event, marker in (("yes", "Ret  user32.MessageBoxA"), ("dialog", "Call user32.DialogBoxParamA")):
                if marker in line and event not in stamps:
                    stamps[event] = float(line.split(":", 1)[0])
        removal.append(stamps["dialog"] - stamps["yes"])
        s.stop()
    report("removal under Wine, Yes to restart dialog (sample system + INF folder)",
           f"{statistics.median(removal) * 1000:.0f} ms")
    report("Wine start and end of a program that does nothing", f"{statistics.median(noop) * 1000:.0f} ms")


def cpu_seconds(s, command_line):
    """The processor time so far of the prefix's Windows process of that command line."""
    pid = next(pid for pid, line in prefix_processes(s.prefix) if line.strip() == "C:\\windows\\" + command_line)
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def minute(s, *programs):
    """Each program's processor seconds over one minute."""
    before = [cpu_seconds(s, p) for p in programs]
    time.sleep(60)  # the measurement is CPU time over this minute
    return [cpu_seconds(s, p) - b for p, b in zip(programs, before)]


def idle_cost():
    t = Tray("bench_idle")
    shutil.copy(TOOLS / "idle_floor.exe", t.s.win)
    # The utility first, settled before the floor programs start.
    t.program = t.s.start("tray", TRAY)
    t.s.wait(lambda: t.writes(), "the utility's first write")
    names = ("ZM640UTL.exe", "idle_floor.exe", "idle_floor.exe animate")
    for name in names[1:]:  # one at a time: a second Wine program starting at once can hang
        t.s.start(name, "C:\\windows\\" + name.split(" ")[0], *name.split(" ")[1:])
        t.s.wait(lambda: any(line.strip() == "C:\\windows\\" + name for _, line in prefix_processes(t.s.prefix)),
                 f"{name} to start")
    stats = lambda: (t.s.ask("stats", *WINDOW)[1][0].split(" ", 3)[3] + " handles=" +
                     next(line for line in t.s.ask("menu")[1] if line.startswith("handles|"))[8:])
    before, calls = stats(), len(t.s.mixer_lines())
    tray, floor, animated = minute(t.s, *names)
    ratio = lambda a, b: f"{a / (b + 0.0001):.2f}"
    report("tray utility CPU over 60 s, animation running", f"{tray:.2f} s")
    report("floor program animating a notification-area icon every 50 ms, CPU over 60 s", f"{animated:.2f} s")
    report("idle CPU ratio utility/animated floor (goal <= 1.1)", ratio(tray, animated))
    report("floor program (hidden window, 10 ms timer, no icon) CPU over 60 s", f"{floor:.2f} s")
    report("idle CPU ratio utility/bare timer floor", ratio(tray, floor))
    report("mixer calls in those 60 s (goal 0)", len(t.s.mixer_lines()) - calls)
    report("memory and handles, start", before)
    report("memory and handles, end", stats())
    # The same with no shell taking the icon: the test's notification area, in front
    # of Wine's, ended for good (it refuses every call, as no shell does).
    area = Area(t)
    area.post(32769, 0, 1000000)
    area.wait_line("ended")
    calls = len(t.s.mixer_lines())
    tray, animated = minute(t.s, names[0], names[2])
    report("no shell: tray utility CPU over 60 s", f"{tray:.2f} s")
    report("no shell: animating floor program CPU over 60 s", f"{animated:.2f} s")
    report("no shell: idle CPU ratio utility/animated floor (goal <= 1.1)", ratio(tray, animated))
    report("no shell: the utility's adds over 60 s (goal about 60)",
           sum(line.startswith("add 0") for line in area.lines()))
    report("no shell: mixer calls in those 60 s (goal 0)", len(t.s.mixer_lines()) - calls)


def main(inf_folder):
    make_template()
    removal_times(inf_folder)
    idle_cost()


if __name__ == "__main__":
    from run import run
    sys.exit(run(lambda: main(sys.argv[1])))
