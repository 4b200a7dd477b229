"""The README's screenshots under Wine, in a Wine virtual desktop, which draws
captions and the taskbar's notification area as Windows 98 would: the tray
menu, the About box, the removal's confirmation box and its restart dialog."""
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests/wine"))
from removal_cases import CONFIRM, RESTART  # noqa: E402
from rig import Session, make_template  # noqa: E402
from tray_cases import ABOUT, TRAY  # noqa: E402


def shot(s, name, left, top, width, height):
    """Saves that part of the desktop as docs/NAME."""
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                    str(ROOT / "docs" / name)], env=s.env, check=True)
    print(f"docs/{name}")


def foreground(s, title):
    s.press(title)  # no keys: made the foreground window, drawn as active


def main():
    make_template()
    s = Session("screenshots", desktop="640x480")
    s.mixer_double()
    tray = s.start("tray", TRAY)
    s.wait(lambda: any(line.startswith("set ") for line in s.mixer_lines()), "the utility's first write")
    s.open_tray_menu()
    s.choose(40004)  # hovers over the first item; the menu is opened again for its picture
    s.wait(lambda: s.ask("rect", ABOUT)[0] == 0, "the About box")
    left, top, right, bottom = map(int, s.ask("rect", ABOUT)[1][0].split(","))
    shot(s, "about.png", left, top, right - left, bottom - top)
    s.post("#32770", ABOUT, 16)  # WM_CLOSE
    s.open_tray_menu()
    exit_item = s.tray_menu()[1][40001][1]  # the menu's bottom
    s.click(exit_item[0] - 40, exit_item[1], "none")  # off the icon, so its tip goes, and off the menu
    s.wait(lambda: s.tray_menu()[0], "the tray menu")
    shot(s, "tray-menu.png", 390, 360, 260, 120)
    s.choose(40007)
    foreground(s, CONFIRM)
    shot(s, "confirmation.png", 60, 90, 520, 300)
    tray.watched = False  # Yes tells it to exit
    s.press(CONFIRM, "y")
    foreground(s, RESTART)
    shot(s, "restart-dialog.png", 60, 90, 520, 300)
    s.press(RESTART, "c")


if __name__ == "__main__":
    from run import run
    sys.exit(run(main))
