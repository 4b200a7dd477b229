"""The Wine rig: a sample Windows 98 system per case, the programs run under
Xvfb, driven and asked from inside the session by one helper (wintool serve).

The host does only what Windows cannot: it makes the prefix, starts and ends
sessions, runs the boot step of a next start, and reads files it laid out.
Every wait fails fast once a program it depends on has ended or crashed.
In: ZM_BUILD (the win32 build directory), ZM_WORK (scratch, holds the template).
"""
import hashlib
import inspect
import os
import re
import select
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
BUILD = Path(os.environ["ZM_BUILD"])
WORK = Path(os.environ["ZM_WORK"])
TOOLS = BUILD / "test-tools"
# The template prefix: a link to it (make_template keeps the prefix in the user's cache,
# named by its inputs, where sessions can hard-link it; 590 MB and minutes under emulation).
TEMPLATE = WORK / "template"
CACHE = Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "zm640"
SKIP = 77  # the exit code CTest counts as skipped


def _i386():
    """What scripts/i386.sh knows: whether 32-bit x86 runs, emulated or not, and its helpers."""
    out = subprocess.run(
        ["bash", "-c", 'source "$1"; i386_mode; echo "$I386_WINESERVER"; echo "$I386_LOADER_DIR";'
         ' echo "$I386_HELP"', "-", ROOT / "scripts/i386.sh"],
        capture_output=True, text=True, check=True).stdout.splitlines()
    return out[0], out[1], out[2], out[3]


MODE, _SERVER64, _LOADER_DIR, I386_HELP = _i386()
# Under emulation every Wine program starts about ten times slower.
SLOWDOWN = 10 if MODE.startswith("emulated") else 1
TIMEOUT = float(os.environ.get("RIG_TIMEOUT", 30)) * SLOWDOWN
ENV = dict(os.environ, WINEARCH="win32", WINEDEBUG="-all")
if SLOWDOWN > 1 and os.access(_SERVER64, os.X_OK):
    ENV["WINESERVER"] = _SERVER64  # every Wine call goes through the server: run it natively
if SLOWDOWN > 1 and os.access(f"{_LOADER_DIR}/bin/wine", os.X_OK):
    ENV["PATH"] = f"{_LOADER_DIR}/bin:{ENV['PATH']}"  # Wine 10's own loader sits at 0x400000
SERVER = ENV.get("WINESERVER", "wineserver")
# Wine's boot step is held in every program: a session starts as a system already
# started, and Wine's ExitWindowsEx fails then, as NT's does without the shutdown
# right. A program started with restart_taken (and those it starts) finds a stand-in
# instead, which logs what it was asked to C:\wineboot.log: the restart is taken, not
# carried out (Windows restarts once every program has ended). next_start() alone
# runs the real one. (Held, not a stand-in everywhere: Wine starts a boot step with
# every program while none has finished one, a process start each.)
NO_BOOT_STEP = "mscoree,mshtml=;winemenubuilder.exe=d;wineboot.exe=d"
BOOT_STEP = "windows/system32/wineboot.exe"
# The calls traced with WINEDEBUG=+relay: only where Windows offers no way to see
# them (docs/ARCHITECTURE.md says why for each).
RELAY = ("user32.MessageBoxA;user32.FindWindowA;user32.PostMessageA;user32.DialogBoxParamA;"
         "user32.EndDialog;user32.ExitWindowsEx;advapi32.RegDeleteKeyA;kernel32.WinExec;"
         "shell32.Shell_NotifyIconA;user32.DestroyWindow;"
         "advapi32.LookupPrivilegeValueA;advapi32.AdjustTokenPrivileges;kernelbase.AdjustTokenPrivileges;"
         "user32.SetForegroundWindow;user32.TrackPopupMenu;kernel32.WritePrivateProfileStringA;"
         "kernel32.CreateFileA;kernelbase.CreateFileA")


class Failure(Exception):
    """A check that did not hold; the case fails with its message."""


def fail(message):
    raise Failure(message)


def check(what, got, want):
    """Fails unless GOT is WANT, naming what was expected and what came."""
    if got != want:
        fail(f"{what}: expected {want!r}, got {got!r}")


def skip(reason):
    print(f"SKIPPED: {reason}", file=sys.stderr)
    sys.exit(SKIP)


def require_i386():
    if MODE == "none":
        skip(I386_HELP)


# Relay traces: "TID:Call DLL.FUNCTION(ARGS) ret=ADDRESS", "TID:Ret  DLL.FUNCTION() retval=R ret=..".
_TRACE = re.compile(r'^([0-9a-f]+):(Call|Ret) +\w+\.(\w+)\((.*)\)(?: retval=([0-9a-f]+))? ret=([0-9a-f]+)$')
_ARG = re.compile(r'([0-9a-f]{8})(?: L?"((?:[^"\\]|\\.)*)")?(?:,|$)')
_ESCAPES = {"n": "\n", "r": "\r", "t": "\t"}


def _text(quoted):
    return re.sub(r"\\(.)", lambda m: _ESCAPES.get(m.group(1), m.group(1)), quoted)


def traced_calls(log, function=None):
    """The calls the program itself made (its image lies below 16 MB; Wine's DLLs far
    above), in order: (FUNCTION, ARGS, RETVAL), a string argument as its text, every
    other as a number; RETVAL None where the call had not returned."""
    calls, open_calls = [], {}
    for line in Path(log).read_text(errors="replace").splitlines():
        m = _TRACE.match(line)
        if not m:
            continue
        thread, kind, name, args, retval, caller = m.groups()
        stack = open_calls.setdefault(thread, [])
        if kind == "Call":
            record = [name, [_text(a[2]) if a[2] is not None else int(a[1], 16) for a in _ARG.finditer(args)],
                      None, int(caller, 16) < 0x1000000]
            stack.append(record)
            calls.append(record)
        else:
            for record in reversed(stack):
                if record[0] == name:
                    stack.remove(record)
                    record[2] = int(retval, 16)
                    break
    return [(n, a, r) for n, a, r, ours in calls if ours and function in (None, n)]


def prefix_processes(prefix):
    """(pid, command line) of every process running in the prefix."""
    marker = b"\0WINEPREFIX=" + str(prefix).encode() + b"\0"
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            if marker in b"\0" + Path(f"/proc/{pid}/environ").read_bytes():
                found.append((int(pid), Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ")
                              .decode(errors="replace")))
        except OSError:
            pass
    return found


class Program:
    """A Wine program the case started: its exit code and its relay trace."""

    def __init__(self, session, name, args, relay=False, env=None, watched=True, restart_taken=False):
        self.session, self.name, self.watched = session, name, watched
        self.log = session.dir / f"{name}.log"
        environment = dict(session.env, **(env or {}))
        if restart_taken:
            environment["WINEDLLOVERRIDES"] = environment["WINEDLLOVERRIDES"].replace(
                "wineboot.exe=d", "wineboot.exe=n")
        if relay:
            environment["WINEDEBUG"] = "+relay"
        with open(self.log, "wb") as err, open(session.dir / f"{name}.out", "wb") as out:
            self.popen = subprocess.Popen(["wine", *args], env=environment, stdin=subprocess.DEVNULL,
                                          stdout=out, stderr=err, start_new_session=True)
        session.programs.append(self)

    def exit_code(self):
        """Waits for the program to end (the other programs it needs still running)."""
        self.watched = False
        self.session.wait(lambda: self.popen.poll() is not None, f"{self.name} to end")
        return self.popen.returncode

    def calls(self, function=None):
        return traced_calls(self.log, function)

    def args(self, function, index=None):
        """The arguments of each traced call of FUNCTION, or only the one at INDEX."""
        return [args if index is None else args[index] for _, args, _ in self.calls(function)]


class Session:
    """One case's Windows: a copy of the template with the sample system laid out,
    its display, its Wine server and the helper that holds its desktop."""
    current = None  # the last one begun: the one whose log a failure shows
    begun = []

    @classmethod
    def stop_all(cls):
        for session in cls.begun:
            session.stop()

    def __init__(self, name, windows=None, desktop=None, programs=True):
        require_i386()
        if not (TEMPLATE / ".stamp").is_file():
            fail("no Wine template: run the wine_template fixture")
        self.name, self.desktop = name, desktop
        self.dir = WORK / "tests" / name
        self.prefix = self.dir / "prefix"
        self.c = self.prefix / "drive_c"
        self.win = self.c / "windows"
        self.programs, self.helper, self.display, self.sessions = [], None, None, 0
        self.watches, self.awaited = {}, set()  # programs others start, by the helper's number
        shutil.rmtree(self.dir, ignore_errors=True)
        self.dir.mkdir(parents=True)
        self.log = self.dir / "session.log"
        self.log.touch()
        Session.current = self
        Session.begun.append(self)
        _copy_template(self.prefix, windows, desktop)
        self.env = dict(ENV, WINEPREFIX=str(self.prefix), WINEDLLOVERRIDES=NO_BOOT_STEP)
        self._start_display()
        from sample import lay_out
        lay_out(self.c)
        if programs:
            for exe in (BUILD / "bin").glob("*.exe"):
                shutil.copy(exe, self.win)
        self.stand_in("system32/wineboot.exe")
        self._start_helper(first=True)
        if desktop:
            self.wait(lambda: self.ask("desktop")[1] == [desktop], f"the virtual desktop of {desktop}")

    # -- the session's processes -------------------------------------------------------
    def _start_display(self):
        read, write = os.pipe()
        self.display = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write)
        number = _read_line(read, time.monotonic() + TIMEOUT, b"")[0]
        os.close(read)
        if not number:
            fail("Xvfb did not start")
        self.env = dict(self.env, DISPLAY=":" + number)

    def _server(self, *flags):
        with open(self.log, "ab") as log:
            return subprocess.run([SERVER, *flags], env=self.env, stdout=log, stderr=log,
                                  stdin=subprocess.DEVNULL).returncode

    def _start_helper(self, first=False):
        """The helper, which also holds Wine's desktop process (it ends with the last
        program that uses it); a desktop that could not reach the display (seen under
        heavy load) is started again, up to three times."""
        for attempt in range(1, 4):
            self.sessions += 1
            if (attempt > 1 or first) and self._server("-p") != 0:
                fail("wineserver did not start")
            with open(self.dir / f"helper{self.sessions}.log", "wb") as err:
                self.helper = subprocess.Popen(
                    ["wine", str(TOOLS / "wintool.exe"), "serve"], env=self.env, stdin=subprocess.PIPE,
                    stdout=subprocess.PIPE, stderr=err, start_new_session=True)
            line, self._buffer = _read_line(self.helper.stdout.fileno(), time.monotonic() + TIMEOUT, b"")
            if line == "ready":
                return
            with open(self.log, "a") as log:
                log.write(f"rig: Wine's desktop cannot show windows (try {attempt} of 3): {line}\n")
            self.end_session()
        fail(f"Wine cannot show windows on display {self.env['DISPLAY']}")

    def end_session(self, clean=True):
        """Ends this prefix's Wine server and every Wine program with it; CLEAN: as Windows
        ends, the registry saved (it takes 0.8 s), else every process killed at once."""
        self.watches.clear()  # the helper that held them ends too
        if self.helper:
            self.helper.stdin.close()
            self.helper = None
        if clean:
            self._server("-k")
            self._server("-w")
        for _ in range(100):  # Wine's device host can outlive a killed server
            processes = prefix_processes(self.prefix)
            for pid, _ in processes:
                try:
                    os.kill(pid, 9)
                except OSError:
                    pass
            if not processes:
                break
            time.sleep(0.01)

    def stop(self):
        """The case is over: its processes and its display go at once."""
        self.end_session(clean=False)
        if self.display:
            self.display.kill()

    def next_start(self):
        """The next Windows start, as Windows 9x makes it once every program has ended: the
        session ends, the next one's first program (one that shows nothing) starts Wine's
        boot step, which carries out WinInit.INI (Wine's NT services held: 9x has none)."""
        self.end_session()
        with open(self.log, "a") as log:
            log.write("rig: next start\n")
        (self.c / BOOT_STEP).unlink()
        os.link(TEMPLATE / "drive_c" / BOOT_STEP, self.c / BOOT_STEP)
        if self._server("-p") != 0:
            fail("wineserver did not start")
        boot = Program(self, "boot", [str(TOOLS / "noop.exe")], watched=False,
                       env={"WINEDLLOVERRIDES": NO_BOOT_STEP.replace("wineboot.exe=d", "services.exe=d")})
        check("the first program after the restart", boot.exit_code(), 0)
        self.wait(lambda: not self.running("wineboot"), "the boot step to end")

    # -- waiting ----------------------------------------------------------------------------
    def wait(self, condition, what, timeout=None):
        """Polls CONDITION until it holds. Fails at once when a watched program has ended
        or a program crashed into Wine's debugger, and after the deadline otherwise."""
        deadline = time.monotonic() + (timeout or TIMEOUT)
        while not condition():
            problem = self._why_not(what, deadline)
            # A program may end just after what it was waited for (the uninstaller after the
            # removal it started): the condition is asked once more before failing.
            if problem:
                if not condition():
                    fail(problem)
                return
            time.sleep(0.05)

    def _why_not(self, what, deadline):
        """Why waiting for WHAT is over though it has not come; None while it may still."""
        # Those others started first: the program that started one may end with it.
        for number, code in self._watched_ends().items():
            if number not in self.awaited:
                return (f"{self.watches[number]} (started by another program) ended with exit code"
                        f" {_code(code)} while waiting for {what}")
        for program in self.programs:
            if program.watched and program.popen.poll() is not None:
                return f"{program.name} ended with exit code {_code(program.popen.returncode)} while waiting for {what}"
        crashed = [c for _, c in prefix_processes(self.prefix) if "winedbg" in c.lower()]
        if crashed:
            return f"a program crashed into Wine's debugger ({crashed[0]}) while waiting for {what}"
        return f"timed out waiting for {what}" if time.monotonic() > deadline else None

    def watch(self, name):
        """Watches the next start of the program NAME by another program (the helper holds it):
        until indirect_exit_code() awaits its end, a wait fails once it has ended."""
        number = int(self.ask("watch", name)[1][0])
        self.watches[number] = name
        return number

    def _watched_ends(self):
        if not self.watches:
            return {}
        lines = [line.split("|") for line in self.ask("watched")[1]]
        return {int(fields[0]): int(fields[3]) for fields in lines if fields[2] == "ended"}

    def indirect_exit_code(self, number):
        """The exit code of the watched program, once it has ended."""
        self.awaited.add(number)
        self.wait(lambda: number in self._watched_ends(), f"{self.watches[number]} to end")
        return self._watched_ends()[number]

    def running(self, program):
        return any(program.lower() in c.lower() for _, c in prefix_processes(self.prefix))

    # -- asking Windows ------------------------------------------------------------------
    def ask(self, *words):
        """What "wintool QUESTION WORD..." answers inside the session: (exit code, lines)."""
        if self.helper is None:
            self._start_helper()  # after a next start, whose first program shows nothing
        self.helper.stdin.write(("\t".join(map(str, words)) + "\n").encode("latin-1"))
        self.helper.stdin.flush()
        lines, deadline = [], time.monotonic() + TIMEOUT
        while True:
            line, self._buffer = _read_line(self.helper.stdout.fileno(), deadline, self._buffer)
            if line is None:
                fail(f"the session's helper gave no answer to {words}")
            if line.startswith("\x1e"):
                return int(line[1:]), lines
            lines.append(line)

    def press(self, title, *keys):
        """Types the keys into the box TITLE once Windows has made it the foreground window."""
        self.wait(lambda: self.ask("press", title, *keys)[0] == 0, f'the window "{title}"')

    def click(self, x, y, button="left"):
        self.ask("click", x, y, button)

    def post(self, window_class, title, message, wparam=0, lparam=0):
        if self.ask("post", window_class, title, message, wparam, lparam)[0] != 0:
            fail(f"no window {title!r} to post {message} to")

    def shown(self, window_class, title):
        """How many top-level windows have that class and title, and how many are visible."""
        return self.ask("windows", window_class, title)[1][0]

    def box(self, title):
        """What the box TITLE shows, once it is shown: its text, its buttons' ids (a box's
        flags: 1 OK, 6 and 7 Yes and No), and "icon" where it has one. Its owner is not
        among them: a box owned by the desktop window has none (the call shows it)."""
        self.wait(lambda: self.ask("box", title)[0] == 0, f'the box "{title}"')
        fields = [line.split("|") for line in self.ask("box", title)[1]]
        return ([f[1].replace("\\n", "\n") for f in fields if f[0] == "text"] +
                [int(f[1]) for f in fields if f[0] == "button"] + ["icon" for f in fields if f[0] == "icon"])

    def value(self, path, name):
        code, lines = self.ask("value", path, name)
        return lines if code == 0 else None

    def branch(self, path):
        """The branch below HKEY_LOCAL_MACHINE\\PATH with its values, as Wine saves it,
        without the times of change."""
        code, lines = self.ask("branch", path)
        if code != 0:
            fail(f"{path} could not be saved")
        return [re.sub(r"\] \d+$", "]", line) for line in lines if not line.startswith("#time=")]

    def registry_keys(self):
        """Every key below the parts of HKEY_LOCAL_MACHINE a removal may touch, sorted.
        Wine saves a key only where it has values or no sub-keys, so each one's parents
        come with it; a link key is listed, not the keys it leads to."""
        code, lines = self.ask("keys", "Enum", "Software", r"System\CurrentControlSet\Control\MediaResources",
                               r"System\CurrentControlSet\Services\Class")
        if code != 0:
            fail("the registry could not be listed")
        keys, root = set(), ""
        for line in lines:
            if line.startswith("#root "):
                root = line[6:]
                keys.add(root)
                continue
            path = root
            for part in re.sub(r"\] \d+$", "", line[1:]).replace("\\\\", "\0").split("\0"):
                path += "\\" + part
                keys.add(path)
        return sorted(keys)

    def files(self):
        """Every file the sample system added or a program wrote (the template's own are hard
        links), relative to drive C:, with its checksum."""
        found = {}
        for folder, _, names in os.walk(self.c):
            for name in names:
                path = Path(folder) / name
                if not (folder == str(self.c) and name.endswith(".log")) and path != self.c / BOOT_STEP and \
                        not path.is_symlink() and path.stat().st_nlink == 1:
                    found[str(path.relative_to(self.c))] = hashlib.md5(path.read_bytes()).hexdigest()
        return found

    def stand_in(self, path):
        """In place of PATH under the Windows directory, a program that logs its command line
        to C:\\NAME.log (NAME: PATH's file name without the extension)."""
        (self.win / path).unlink(missing_ok=True)  # a hard link to the template's
        shutil.copy(TOOLS / "cmdline_logger.exe", self.win / path)

    def started(self, name):
        """The command lines the stand-in NAME was started with."""
        return text_lines(self.c / f"{name}.log")

    def snapshot(self):
        return self.files(), self.registry_keys()

    # -- the programs --------------------------------------------------------------------
    def start(self, name, *args, **options):
        return Program(self, name, args, **options)

    def install_from_floppy(self, image):
        """The disk in drive A:, right-click ZM640.INF, Install: Wine's setupapi.dll carries
        out the [DefaultInstall] section as Windows 98's setupx.dll does."""
        floppy = self.dir / "floppy"
        floppy.mkdir(exist_ok=True)
        subprocess.run(["mcopy", "-n", "-m", "-i", str(image), "::*", f"{floppy}/"], check=True)
        drive = self.prefix / "dosdevices" / "a:"
        if not drive.is_symlink():
            drive.symlink_to(floppy)
        install = self.start("install", "rundll32", "setupapi.dll,InstallHinfSection", "DefaultInstall", "132",
                             r"A:\ZM640.INF", watched=False)
        check("the INF install's exit code", install.exit_code(), 0)
        return floppy

    def mixer_double(self, **settings):
        """The card's mixer, simulated: the project's winmm.dll beside the programs, its calls
        logged to C:\\mixer.log; SETTINGS become its ZM_MIXER_ variables."""
        for tool in ("winmm.dll", "mixer_tool.exe"):
            shutil.copy(TOOLS / tool, self.win)
        self.env.update({"WINEDLLOVERRIDES": NO_BOOT_STEP + ";winmm=n,b", "ZM_MIXER_LOG": r"C:\mixer.log"},
                        **{f"ZM_MIXER_{k.upper()}": str(v) for k, v in settings.items()})
        self.mixer_log = self.c / "mixer.log"

    def mixer_lines(self):
        return text_lines(self.mixer_log)

    def tray_menu(self):
        """Whether the tray menu is open, and its items as the utility holds them:
        {id: (text, (left, top, right, bottom))}."""
        code, lines = self.ask("menu")
        if code != 0:
            fail("the tray utility's menu could not be read")
        items = {}
        for line in lines[2:]:
            _, ident, text, rect = line.split("|")
            items[int(ident)] = (text, tuple(map(int, rect.split(","))))
        return lines[0] == "open|1", items

    def tray_label(self):
        return self.tray_menu()[1][40005][0]

    def wait_label(self, text):
        self.wait(lambda: self.tray_label() == text, f'the 3D item to read "{text}"')

    def open_tray_menu(self):
        """Right-clicks the icon where the virtual desktop's taskbar shows it (its right end)."""
        width, height = map(int, self.desktop.split("x"))
        self.click(width - 12, height - 10, "right")
        self.wait(lambda: self.tray_menu()[0], "the tray menu to open")

    def choose(self, command):
        """Clicks the open menu's item with that command id, as a user would."""
        left, top, right, bottom = self.tray_menu()[1][command][1]
        self.click((left + right) // 2, (top + bottom) // 2)


def _code(code):
    return f"{code & 0xffffffff:08x}" if code > 255 or code < 0 else str(code)


def text_lines(path):
    """A text file's lines without CRs; none while it does not exist."""
    try:
        return Path(path).read_text(errors="replace").replace("\r", "").splitlines()
    except FileNotFoundError:
        return []


def _read_line(fd, deadline, buffer):
    """(a line from FD without its line end, what is left); (None, ...) at its end or deadline."""
    while b"\n" not in buffer:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            return None, buffer
        chunk = os.read(fd, 65536)
        if not chunk:
            return None, buffer
        buffer += chunk
    line, _, rest = buffer.partition(b"\n")
    return line.rstrip(b"\r").decode("latin-1"), rest


def _copy_template(prefix, windows, desktop):
    """Hard links take milliseconds; whatever Wine rewrites in place is a real copy."""
    subprocess.run(["cp", "-al", str(TEMPLATE.resolve()), str(prefix)], check=True)
    for path in [*prefix.glob("*.reg"), *(prefix / "drive_c/windows").glob("*.ini")]:
        path.unlink()
        shutil.copy(TEMPLATE / path.relative_to(prefix), path)
    user = prefix / "user.reg"
    text = user.read_text()
    if windows:
        text = text.replace('"Version"="win98"\n', f'"Version"="{windows}"\n')
    if desktop:
        # One virtual desktop for every program, with its taskbar asked for by name:
        # Wine 10 shows none unless asked (a notification-area window of its own instead).
        text += (f'\n[Software\\\\Wine\\\\Explorer]\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer'
                 f'\\\\Desktops]\n"Default"="{desktop}"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops\\\\Default]\n'
                 '"EnableShell"=dword:00000001\n')
    user.write_text(text)


def make_template():
    """The prefix every case copies: Windows 98, the sample registry, relay tracing of
    the watched calls, no crash dialog, windows unmanaged (with no window manager a
    closing box waits 2 s for one), no X input method or display-mode extensions (each
    Wine program's start sets them up: a tenth of it under emulation). Made again only
    when its inputs change; kept in the user's cache, where every checkout's sessions
    can hard-link it."""
    require_i386()
    registry = (HERE / "sample/registry.reg").read_text()
    wine = subprocess.run(["wine", "--version"], env=ENV, capture_output=True, text=True).stdout
    stamp = hashlib.md5((registry + RELAY + NO_BOOT_STEP + wine + inspect.getsource(_make_template)
                         + inspect.getsource(_copy_template)).encode()).hexdigest()
    WORK.mkdir(parents=True, exist_ok=True)
    CACHE.mkdir(parents=True, exist_ok=True)
    home = CACHE if os.stat(CACHE).st_dev == os.stat(WORK).st_dev else WORK
    made = home / f"wine-template-{stamp}"
    if not (made / ".stamp").is_file():
        for old in home.glob("wine-template-*"):  # others unused for a day, and makes cut short
            making = old.suffix and Path(f"/proc/{old.suffix[1:]}").exists()
            used = (old / ".stamp").stat().st_mtime if (old / ".stamp").is_file() else 0
            if not making and (old.suffix or used < time.time() - 86400):
                shutil.rmtree(old, ignore_errors=True)
        building = made.with_name(f"{made.name}.{os.getpid()}")
        _make_template(building, registry)
        (building / ".stamp").write_text(stamp)
        try:
            os.rename(building, made)
        except OSError:  # another checkout's test run made it first
            shutil.rmtree(building)
    os.utime(made / ".stamp")  # in use: kept while any checkout's tests use it
    if TEMPLATE.is_dir() and not TEMPLATE.is_symlink():
        shutil.rmtree(TEMPLATE)  # made here by an earlier rig
    link = WORK / f"template.{os.getpid()}"
    link.unlink(missing_ok=True)
    link.symlink_to(made)
    os.replace(link, TEMPLATE)


def _make_template(prefix, registry):
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.mkdir(parents=True)
    session = Session.__new__(Session)
    session.dir, session.prefix, session.helper = WORK / "template-display", prefix, None
    session.dir.mkdir(parents=True, exist_ok=True)
    session.log = WORK / "template.log"
    session.log.write_text("")
    session.env = dict(ENV, WINEPREFIX=str(prefix))
    session.display, session.programs, session.watches, session.awaited = None, [], {}, set()
    try:
        session._start_display()
        if session._server("-p") != 0:
            fail("wineserver did not start")
        with open(session.log, "ab") as log:
            if subprocess.run(["wineboot", "-i"], env=dict(session.env, WINEDLLOVERRIDES="mscoree,mshtml="),
                              stdout=log, stderr=log, stdin=subprocess.DEVNULL).returncode:
                fail("wineboot failed: Wine cannot start here")
        settings = session.dir / "settings.reg"
        settings.write_text(
            'REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="win98"\n'
            f'[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\n"RelayInclude"="{RELAY}"\n'
            '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n'
            '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
            '"UseXIM"="N"\n"UseXRandR"="N"\n"UseXVidMode"="N"\n'
            + registry.split("\n", 1)[1])
        regedit = Program(session, "regedit", ["regedit", "/S", "Z:" + str(settings).replace("/", "\\")],
                          watched=False)
        if regedit.popen.wait() != 0:
            fail("Wine could not set up the sample registry")
        session.end_session()
        if "Enum\\\\PCI\\\\VEN_125D&DEV_1969" not in (prefix / "system.reg").read_text():
            fail("the sample registry did not reach the template")
    finally:
        session.stop()


def show_log(session):
    """The end of the session's Wine log and Wine's errors in the programs' logs."""
    if session is None:
        return
    tail = text_lines(session.log)[-20:]
    if tail:
        print(f"Last lines of {session.log}:", *("  " + line for line in tail), sep="\n", file=sys.stderr)
    for log in sorted(session.dir.glob("*.log")):
        errors = [line for line in text_lines(log) if re.search(r"(^|:)err:", line)][-8:]
        if errors and log != session.log:
            print(f"Wine's errors in {log}:", *("  " + line for line in errors), sep="\n", file=sys.stderr)
