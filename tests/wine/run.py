"""Runs one end-to-end case by its CTest name, makes the template (--template), or lists
the cases (--list; CTest makes a test of each).
usage: python3 -B run.py CASE | --template | --list"""
import sys
import time
import traceback

import rig


def cases():
    from removal_cases import CASES as removal
    from tray_cases import CASES as tray
    from disk_full_cases import CASES as disk_full
    return {**removal, **tray, **disk_full}


def run(function, name=None):
    """Runs FUNCTION; a failed check fails it with its message and the Wine log's end."""
    started = time.monotonic()
    try:
        function()
    except rig.Failure as failure:
        print(f"FAIL: {name or function.__name__}: {failure}", file=sys.stderr)
        rig.show_log(rig.Session.current)
        return 1
    except Exception:
        traceback.print_exc()
        rig.show_log(rig.Session.current)
        return 1
    finally:
        rig.Session.stop_all()
    if name:
        print(f"PASS: {name} ({time.monotonic() - started:.1f} s)")
    return 0


if __name__ == "__main__":
    name = sys.argv[1]
    if name == "--list":
        print(";".join(cases()))
        sys.exit(0)
    sys.exit(run(rig.make_template if name == "--template" else cases()[name], name))
