"""Soak: the tray utility under Wine with the animation on for MINUTES, its handle,
GDI/USER object and memory counts at the start and at the end, and its mixer calls
in between. Any growth would be a leak per tick: Windows 9x has small fixed USER
and GDI heaps."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests/wine"))
from rig import MODE, make_template  # noqa: E402
from tray_cases import NIM_MODIFY, Tray, WINDOW  # noqa: E402


def stats(s):
    """Memory as Windows reports it, and kernel handles counted inside the process by the
    mixer double (Wine answers 0 for the process handle count and for GetGuiResources,
    so those two are shown only for completeness)."""
    handles = next(line for line in s.ask("menu")[1] if line.startswith("handles|"))[8:]
    return f"{s.ask('stats', *WINDOW)[1][0]} kernel_handles={handles}"


def main(minutes):
    make_template()
    print(f"Wine's 32-bit x86 code: {MODE}.")
    t = Tray("soak").start()
    frames = lambda: t.icon_calls().count(NIM_MODIFY)
    t.s.wait(lambda: frames() >= 20, "a hundred ticks")  # warmed up
    start, calls, frames_start = stats(t.s), len(t.s.mixer_lines()), frames()
    print(f"start: {start}")
    time.sleep(minutes * 60)  # a soak runs for its time by design
    end = stats(t.s)
    print(f"end:   {end}")
    print(f"animation frames shown: {frames() - frames_start} in {minutes} min")
    print(f"mixer calls while idle: {len(t.s.mixer_lines()) - calls}")
    t.exit()
    print("no growth" if start == end else "CHANGED")


if __name__ == "__main__":
    from run import run
    minutes = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    sys.exit(run(lambda: main(minutes)))
