# The Wine test rig: a sample Windows 98 system per test, programs run under
# Xvfb, their boxes answered with xdotool, their calls seen through relay logs.
# Sourced by the end-to-end tests and the main job.
#
# In:  ZM_BUILD  the win32 build directory (holds bin/ and test-tools/)
#      ZM_WORK   a scratch directory shared by the tests (the template prefix)
# A test calls rig_begin NAME first and rig_end last (rig_begin sets a trap).

RIG_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
RIG_TEMPLATE=$ZM_WORK/template
RIG_SKIP=77   # the exit code CTest counts as skipped
source "$RIG_DIR/../../scripts/i386.sh"
RIG_TIMEOUT=${RIG_TIMEOUT:-60}   # seconds any single wait may take natively
# Under i386 emulation every Wine program starts about ten times slower, so
# every deadline stretches by that much.
case $(i386_mode) in
  emulated*) RIG_SLOWDOWN=10 ;;
  *) RIG_SLOWDOWN=1 ;;
esac
# There Wine's server, which every Wine call of every program goes through,
# runs as built for the host where scripts/setup could add it (as Debian's
# "wineserver" does where wine64 is installed): a fifth of a test's time.
[[ $RIG_SLOWDOWN -eq 1 || ! -x $I386_WINESERVER ]] || export WINESERVER=$I386_WINESERVER
RIG_SERVER=${WINESERVER:-wineserver}
# There too, Wine's loader of fixed address where scripts/setup built one (Wine
# 10's own is loaded where our programs must be: status c0000018).
[[ $RIG_SLOWDOWN -eq 1 || ! -x $I386_LOADER_DIR/bin/wine ]] || export PATH=$I386_LOADER_DIR/bin:$PATH

# Calls traced when a program runs with WINEDEBUG=+relay.
RIG_RELAY="user32.MessageBoxA;user32.FindWindowA;user32.PostMessageA;user32.DialogBoxParamA"
RIG_RELAY+=";user32.EndDialog;user32.ExitWindowsEx"
RIG_RELAY+=";advapi32.RegOpenKeyExA;advapi32.RegDeleteKeyA;kernel32.DeleteFileA"
RIG_RELAY+=";shell32.Shell_NotifyIconA;kernel32.WinExec;user32.DestroyWindow;user32.ModifyMenuA"
# The token calls, wherever Wine's advapi32 forwards them.
RIG_RELAY+=";advapi32.LookupPrivilegeValueA;advapi32.AdjustTokenPrivileges"
RIG_RELAY+=";kernelbase.AdjustTokenPrivileges"

# rig_fail MESSAGE: ends the test, showing the end of the Wine log that tells why.
rig_fail() {
  echo "FAIL: $*" >&2
  rig_show_log
  [[ -d ${T:-} ]] && : >"$T/failed"   # seen by rig_end, also from a subshell
  exit 1
}

# rig_show_log: the end of the session's Wine log and Wine's errors in the programs' logs.
rig_show_log() {
  local log
  if [[ -n ${RIG_LOG:-} && -s $RIG_LOG ]]; then
    echo "Last lines of $RIG_LOG:" >&2
    tail -n 20 "$RIG_LOG" | sed 's/^/  /' >&2
  fi
  for log in "${T:-/nonexistent}"/*.log; do
    [[ -f $log && $log != "${RIG_LOG:-}" ]] || continue
    grep -q -E '(^|:)err:' "$log" || continue
    echo "Wine's errors in $log:" >&2
    grep -E '(^|:)err:' "$log" | tail -n 8 | sed 's/^/  /' >&2
  done
}

# expect_eq WHAT GOT WANT: fails the test when GOT is not WANT.
expect_eq() { [[ $2 == "$3" ]] || rig_fail "$1: expected [$3], got [$2]"; }

# rig_require_i386: skips the test (never passes it) where Wine's 32-bit programs cannot run.
rig_require_i386() {
  i386_runs && return 0
  echo "SKIPPED: $I386_HELP" >&2
  exit "$RIG_SKIP"
}

# rig_wait_quietly TEST-COMMAND...: polls until the command succeeds; yields 1
# once RIG_TIMEOUT seconds (natively; stretched under emulation) have passed.
rig_wait_quietly() {
  local deadline=$((SECONDS + RIG_TIMEOUT * RIG_SLOWDOWN))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# rig_wait_for TEST-COMMAND...: as rig_wait_quietly, but the test fails when the time is up.
rig_wait_for() { rig_wait_quietly "$@" || rig_fail "timed out waiting for: $*"; }

# Wine in this test's prefix, never holding the caller's output pipes. Wine's
# boot step is held in every program: a session starts as a system already
# started, without the NT services the step starts (Windows 9x has none; no
# program here uses them). rig_next_start alone runs the step, to carry out
# WinInit.INI. Held, Wine's ExitWindowsEx cannot start it inside the session
# while the program that asked still runs (Windows restarts once every program
# has ended): the call fails, Wine logging the command. Wine's menu builder
# (the host's desktop menus) never runs.
RIG_NO_BOOT_STEP="mscoree,mshtml=;winemenubuilder.exe=d;wineboot.exe=d"
rig_wine_env() {
  export WINEPREFIX=$PFX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=$RIG_NO_BOOT_STEP
}

# rig_start_display: a private Xvfb for this test, so no other test takes the focus.
rig_start_display() {
  local numberFile=$T/display
  rm -f "$numberFile"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberFile" \
    >/dev/null 2>&1 </dev/null &
  echo $! >"$T/xvfb.pid"
  rig_wait_for test -s "$numberFile"
  export DISPLAY=:$(cat "$numberFile")
  rig_wait_for xdotool getdisplaygeometry >/dev/null 2>&1
}

# rig_make_template: the Wine prefix every test copies, made once. A failure
# leaves no process behind and shows the end of the Wine log.
rig_make_template() {
  local stamp
  stamp=$( (cat "$RIG_DIR/sample/registry.reg"; echo "$RIG_RELAY"; declare -f rig_make_template) |
    md5sum | cut -d' ' -f1)
  [[ -f $RIG_TEMPLATE/.stamp && $(cat "$RIG_TEMPLATE/.stamp") == "$stamp" ]] && return 0
  rig_require_i386
  rm -rf "$RIG_TEMPLATE"
  PFX=$RIG_TEMPLATE
  T=$ZM_WORK/template-display
  RIG_LOG=$ZM_WORK/template.log
  mkdir -p "$T" "$PFX"
  rm -f "$T/failed"
  : >"$RIG_LOG"
  trap rig_end EXIT
  rig_start_display
  rig_wine_env
  setsid "$RIG_SERVER" -p >>"$RIG_LOG" 2>&1 </dev/null ||
    rig_fail "wineserver did not start"
  WINEDLLOVERRIDES=mscoree,mshtml= wineboot -i >>"$RIG_LOG" 2>&1 </dev/null || rig_fail "wineboot failed: Wine cannot start here"
  # Windows 98, relay tracing of the watched calls, no crash dialog; windows
  # unmanaged: with no window manager on Xvfb, a box that closes waits 2 s for one.
  {
    echo REGEDIT4
    printf '[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="win98"\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\n"RelayInclude"="%s"\n' "$RIG_RELAY"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
    tail -n +2 "$RIG_DIR/sample/registry.reg"   # after its REGEDIT4 line
  } >"$T/settings.reg"
  wine regedit /S "$(winepath -w "$T/settings.reg")" >>"$RIG_LOG" 2>&1 </dev/null ||
    rig_fail "Wine could not set up the sample registry"
  "$RIG_SERVER" -k >/dev/null 2>&1 || true
  "$RIG_SERVER" -w >/dev/null 2>&1 || true
  grep -q 'Enum\\\\PCI\\\\VEN_125D&DEV_1969' "$RIG_TEMPLATE/system.reg" ||
    rig_fail "the sample registry did not reach the template"
  rig_stop
  trap - EXIT
  echo "$stamp" >"$RIG_TEMPLATE/.stamp"
}

# rig_begin NAME: a fresh copy of the sample system for this test, its wineserver running.
rig_begin() {
  rig_require_i386
  [[ -f $RIG_TEMPLATE/.stamp ]] || rig_fail "no Wine template: run the wine_template fixture"
  T=$ZM_WORK/tests/$1
  PFX=$T/prefix
  rm -rf "$T"
  mkdir -p "$T"
  # Hard links make the copy take milliseconds; whatever Wine rewrites in place
  # must be a real copy so the template stays as it was.
  cp -al "$RIG_TEMPLATE" "$PFX"
  for f in "$PFX"/*.reg "$PFX"/drive_c/windows/*.ini; do
    [[ -f $f ]] && cp --remove-destination "$RIG_TEMPLATE/${f#"$PFX"/}" "$f"
  done
  # Set in the copied registry before the session starts, without a program
  # start of their own: another Windows version (Wine's name) where RIG_WINDOWS
  # asks; where RIG_DESKTOP (WIDTHxHEIGHT) asks, one Wine virtual desktop for
  # every program, which has a taskbar with the notification area.
  [[ -z ${RIG_WINDOWS:-} ]] || sed -i "s/^\"Version\"=\"win98\"\$/\"Version\"=\"$RIG_WINDOWS\"/" "$PFX/user.reg"
  # Its taskbar is asked for by name: Wine 10 shows none unless asked (a
  # notification area window of its own instead), Wine 8 one either way.
  [[ -z ${RIG_DESKTOP:-} ]] ||
    printf '\n[Software\\\\Wine\\\\Explorer]\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops]\n"Default"="%s"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops\\\\Default]\n"EnableShell"=dword:00000001\n' \
      "$RIG_DESKTOP" >>"$PFX/user.reg"
  rig_wine_env
  rig_start_display
  WIN=$PFX/drive_c/windows
  bash "$RIG_DIR/sample/lay_out.sh" "$PFX/drive_c"
  [[ -n ${RIG_FLOPPY:-} ]] || cp "$ZM_BUILD/bin/"*.exe "$WIN/"
  RIG_LOG=$T/session.log
  : >"$RIG_LOG"
  trap rig_end EXIT
  rig_start_session
  # The desktop's size as Windows gives it to programs (its X window's title
  # differs between Wine 8 and 10).
  [[ -z ${RIG_DESKTOP:-} ]] || rig_wait_for eval '[[ $(rig_ask desktop) == "$RIG_DESKTOP" ]]'
  [[ -z ${RIG_FLOPPY:-} ]] || rig_install_from_floppy "$RIG_FLOPPY"
}

# rig_install_from_floppy IMAGE: the disk in drive A:, right-click ZM640.INF,
# Install: Wine's setupapi.dll carries out the [DefaultInstall] section that
# Windows 98's setupx.dll does. The disk's files are left in $T/floppy.
rig_install_from_floppy() {
  mkdir -p "$T/floppy"
  mcopy -n -m -i "$1" '::*' "$T/floppy/" || rig_fail "cannot read the floppy image $1"
  ln -sfn "$T/floppy" "$PFX/dosdevices/a:"
  wine rundll32 setupapi.dll,InstallHinfSection DefaultInstall 132 'A:\ZM640.INF' \
    >>"$RIG_LOG" 2>&1 </dev/null || rig_fail "installing from A:\ZM640.INF failed"
}

# rig_registry_values KEY: KEY (a full name) and its sub-keys as regedit
# exports them, values included, without CRs. One Wine program start.
rig_registry_values() {
  local export=$T/values.reg
  rm -f "$export"
  wine regedit /E "Z:${export//\//\\}" "$1" >/dev/null 2>&1 </dev/null
  [[ -s $export ]] || rig_fail "regedit could not export $1"
  iconv -f UTF-16LE -t UTF-8 "$export" | tr -d '\r'
  rm -f "$export"
}

# rig_end_session: ends this prefix's wineserver and every Wine program with it.
rig_end_session() {
  [[ -z ${RIG_ASK:-} ]] || exec {RIG_ASK}>&- {RIG_ANSWER}>&-
  RIG_ASK=
  "$RIG_SERVER" -k >/dev/null 2>&1 </dev/null || true   # none may be running
  "$RIG_SERVER" -w >/dev/null 2>&1 </dev/null || true
}

# rig_start_session: this prefix's wineserver and Wine's desktop, untraced.
# The desktop ends with the last program that uses it, and under heavy load a
# new one can fail to reach the X display: so it is started once, checked,
# and held by the helper that answers the test's questions (rig_ask); a
# session whose desktop failed is started again.
rig_start_session() {
  local try helper line
  for try in 1 2 3; do
    # Pipes of their own each time: the helper of an ended session may still be writing.
    RIG_SESSIONS=$((${RIG_SESSIONS:-0} + 1))
    helper=$T/helper$RIG_SESSIONS
    setsid "$RIG_SERVER" -p >>"$RIG_LOG" 2>&1 </dev/null || rig_fail "wineserver did not start"
    mkfifo "$helper.ask" "$helper.answer"
    exec {RIG_ASK}<>"$helper.ask" {RIG_ANSWER}<>"$helper.answer"
    (
      exec >"$helper.answer"
      code=0
      wine "$ZM_BUILD/test-tools/wintool.exe" serve <"$helper.ask" 2>"$helper.log" || code=$?
      echo $'\x1e'"ended with $code"   # a question still waiting is not left waiting
    ) &
    IFS= read -r -t $((RIG_TIMEOUT * RIG_SLOWDOWN)) line <&"$RIG_ANSWER" || true
    [[ $line != ready* ]] || return 0
    { echo "rig: Wine's desktop cannot show windows (try $try of 3): $line"; cat "$helper.log"; } >>"$RIG_LOG"
    rig_end_session
  done
  rig_fail "Wine cannot show windows on display $DISPLAY"
}

# rig_ask QUESTION [WORD...]: what "wintool.exe QUESTION WORD..." prints, and its
# exit code (tests/tools/wintool.c), asked of the session's helper while it runs,
# else of a program started for it.
rig_ask() {
  local answer code
  if [[ -z ${RIG_ASK:-} ]]; then
    wine "$ZM_BUILD/test-tools/wintool.exe" "$@" 2>/dev/null </dev/null | tr -d '\r'
    return "${PIPESTATUS[0]}"
  fi
  (IFS=$'\t' && echo "$*") >&"$RIG_ASK"
  answer=$(timeout $((RIG_TIMEOUT * RIG_SLOWDOWN)) sed '/^\x1e/q' <&"$RIG_ANSWER" | tr -d '\r')
  code=${answer##*$'\x1e'}
  [[ $code =~ ^[0-9]+$ ]] || rig_fail "the session's helper gave no answer to [$*]: ${code:-nothing}"
  printf '%s' "${answer%$'\x1e'*}"
  return "$code"
}

# rig_prefix_pids: the processes running in this prefix, the test itself and
# its display left out.
rig_prefix_pids() {
  local environ pid display
  display=$(cat "$T/xvfb.pid" 2>/dev/null || true)
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ $pid == "$$" || $pid == "$BASHPID" || $pid == "$display" ]] && continue
    { tr '\0' '\n' <"$environ" | grep -qxF "WINEPREFIX=$PFX"; } 2>/dev/null && echo "$pid"
  done
  return 0
}

# rig_kill_strays: ends every process still running in this prefix; Wine's
# device host can outlive a killed wineserver.
rig_kill_strays() {
  local pid
  for pid in $(rig_prefix_pids); do kill -9 "$pid" 2>/dev/null || true; done
  return 0
}

# rig_running PROGRAM: true while a process of that program (a part of its
# command line, any case) runs in this prefix.
rig_running() {
  local pid
  for pid in $(rig_prefix_pids); do
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qiF "$1" && return 0
  done
  return 1
}

# rig_next_start: the next Windows start, as Windows 9x makes it once every
# program has ended: this session ends, the next one starts, and its boot step
# (wineboot, started by the session's first program; Wine's services held)
# carries out WinInit.INI.
# The first program of the new session is one that shows nothing: no check
# after a restart needs the desktop, which starts with the first program that does.
rig_next_start() {
  rig_end_session
  rig_kill_strays
  echo "rig: next start" >>"$RIG_LOG"
  setsid "$RIG_SERVER" -p >>"$RIG_LOG" 2>&1 </dev/null || rig_fail "wineserver did not start"
  WINEDLLOVERRIDES=${WINEDLLOVERRIDES/wineboot.exe=d/services.exe=d} wine "$ZM_BUILD/test-tools/noop.exe" \
    >>"$RIG_LOG" 2>&1 </dev/null || rig_fail "no program starts after the restart"
  rig_wait_for eval '! rig_running wineboot'   # its boot step has ended
}

# rig_stop: stops this prefix's wineserver, every program in it, and its display.
rig_stop() {
  if [[ -n ${PFX:-} ]]; then
    WINEPREFIX=$PFX "$RIG_SERVER" -k >/dev/null 2>&1 </dev/null || true   # none may be running
    rig_kill_strays
  fi
  [[ -f $T/xvfb.pid ]] && kill "$(cat "$T/xvfb.pid")" 2>/dev/null || true
}

# rig_end: rig_stop at the end of a test; the test's exit status stays what it was.
rig_end() {
  local status=$?
  if [[ $status -ne 0 && $status -ne $RIG_SKIP && ! -e $T/failed ]]; then
    echo "FAIL: a step of the test failed (status $status)" >&2   # never a silent failure
    rig_show_log
  fi
  rig_stop
  exit "$status"
}

# rig_start NAME COMMAND...: starts a command (wine PROGRAM ...) in the background;
# its exit code lands in $T/NAME.rc, its standard error (the relay log, when
# WINEDEBUG asks for one) in $T/NAME.log.
rig_start() {
  local name=$1
  shift
  rm -f "$T/$name.rc"
  (
    code=0
    "$@" >"$T/$name.out" 2>"$T/$name.log" </dev/null || code=$?
    echo "$code" >"$T/$name.rc"
  ) &
}

# rig_exit_code NAME: waits for the program to end and prints its exit code.
rig_exit_code() {
  rig_wait_for test -s "$T/$1.rc"
  cat "$T/$1.rc"
}

# rig_window TITLE: waits for a top-level window with this exact title; prints its X id.
rig_window() {
  local id
  rig_wait_for eval "id=\$(xdotool search --onlyvisible --name '^$1\$' 2>/dev/null | head -1); [[ -n \$id ]]"
  echo "$id"
}

# rig_is_foreground TITLE: true when Windows (not only X) has made that window the active one.
rig_is_foreground() { [[ $(rig_ask foreground) == "$1" ]]; }

# rig_keys WINDOW KEY...: focuses the window and types the keys, once Wine has
# activated it: keys that arrive earlier are lost.
rig_keys() {
  local window=$1 title
  shift
  title=$(xdotool getwindowname "$window")
  xdotool windowfocus --sync "$window"
  rig_wait_for rig_is_foreground "$title"
  xdotool key --delay 50 "$@"
}

# rig_start_removal: starts the removal traced.
rig_start_removal() {
  rig_start removal env WINEDEBUG=+relay wine 'C:\windows\ZM640UNI.exe'
}

# rig_remove [KEY]: runs the removal, answering Yes and then KEY in the restart
# dialog (c: Cancel, the default; r: Restart; s: Shut Down); it must end with 1.
rig_remove() {
  rig_start_removal
  rig_keys "$(rig_window "Comfirm File Deletion")" y
  rig_keys "$(rig_window "Complete Uninstallation")" "${1:-c}"
  local code
  code=$(rig_exit_code removal)
  [[ $code == 1 ]] || rig_fail "removal ended with $code"
}

# rig_boot_step_asked: the boot step Wine's ExitWindowsEx would have started
# for the removal: "--end-session", with " --shutdown" for Shut Down.
rig_boot_step_asked() {
  sed -n 's/^.*Failed to run L".*wineboot\.exe \(.*\)"$/\1/p' "$T/removal.log"
}

# rig_start_standin: the stand-in tray window, ready to log what it receives.
rig_start_standin() {
  rm -f "$PFX/drive_c/standin.log"
  rig_start standin wine "$ZM_BUILD/test-tools/tray_standin.exe" 'C:\standin.log'
  rig_wait_for grep -q -s ready "$PFX/drive_c/standin.log"
}

# rig_standin_log: what the stand-in received, after it has ended.
rig_standin_log() {
  rig_exit_code standin >/dev/null
  tr -d '\r' <"$PFX/drive_c/standin.log" | grep -v '^ready$' || true
}

# rig_post COMMAND: posts WM_COMMAND COMMAND to the tray window, as another program would.
rig_post() {
  rig_ask post 3ZAvodWClass "3ZAvod Sample" 273 "$1" 0 || rig_fail "tray window not found to post $1"
}

# rig_post_sentinel: posts the stand-in its last message; everything sent before arrives first.
rig_post_sentinel() {
  rig_ask post 3ZAvodWClass "3ZAvod Sample" 32775 0 0 || rig_fail "stand-in window not found for the sentinel"
}

# rig_relay_calls NAME FUNCTION: the relay log's calls of FUNCTION, one per line,
# arguments only; a string argument is shown as its text without its address.
rig_relay_calls() {
  sed -n "s/^.*:Call [A-Za-z0-9]*\.$2(\(.*\)) ret=.*$/\1/p" "$T/$1.log" |
    sed -E 's/[0-9a-f]{8} "/"/g'
}

# rig_registry_keys: every key below the parts of HKEY_LOCAL_MACHINE the
# removal may touch, one path a line, sorted. Wine saves a key only where it
# has values or no sub-keys, so each one's parents are listed with it; a link
# key is listed, not the keys it leads to (listed where they are).
rig_registry_keys() {
  rig_ask keys Enum Software 'System\CurrentControlSet\Control\MediaResources' \
    'System\CurrentControlSet\Services\Class' | awk '
    /^#root / { root = substr($0, 7); print root; next }
    { name = $0; sub(/^\[/, "", name); sub(/\] [0-9]+$/, "", name); gsub(/\\\\/, "\\", name)
      n = split(name, part, "\\"); path = root
      for (i = 1; i <= n; i++) { path = path "\\" part[i]; if (!(path in seen)) { seen[path]; print path } } }' |
    sort
}

# rig_files: every file the sample system added or a program wrote, with its
# checksum (the template's own files are hard links; a file with one link is the test's).
rig_files() {
  (cd "$PFX/drive_c" && find . -type f -links 1 ! -name standin.log ! -name mixer.log ! -name cmdline.log -print0 | sort -z | xargs -0 -r md5sum)
}

# rig_snapshot OUT: files and registry keys, for before/after comparison.
rig_snapshot() {
  { rig_files; rig_registry_keys; } >"$1"
}

# rig_mixer_double: the card's mixer, simulated: the project's winmm.dll next to
# the programs in the Windows directory, its calls logged to C:\mixer.log.
rig_mixer_double() {
  cp "$ZM_BUILD/test-tools/"{winmm.dll,mixer_tool.exe} "$WIN/"
  export WINEDLLOVERRIDES="$RIG_NO_BOOT_STEP;winmm=n,b" ZM_MIXER_LOG='C:\mixer.log'
  MIXER_LOG=$PFX/drive_c/mixer.log
}

# rig_tray_menu: whether the tray menu is open (a line "open|1") and its items
# as the utility holds them: POSITION|ID|TEXT|SCREEN RECT.
rig_tray_menu() { rig_ask menu; }

# rig_tray_label: the text of the tray menu's 3D item, as the utility holds it.
rig_tray_label() { rig_tray_menu | sed -n 's/^2|40005|\([^|]*\)|.*/\1/p'; }

# rig_tray_label_is TEXT: true when the 3D item reads TEXT.
rig_tray_label_is() { [[ $(rig_tray_label) == "$1" ]]; }

# rig_tray_open_menu: right-clicks the notification-area icon (in the virtual
# desktop, the only icon sits at the right end of the taskbar) and waits for the menu.
# A click can be lost while the taskbar shows the icon's tip, so an unanswered
# click is repeated.
rig_tray_open_menu() {
  local width=${RIG_DESKTOP%x*} height=${RIG_DESKTOP#*x} try
  for try in 1 2 3 4 5; do
    xdotool mousemove $((width - 12)) $((height - 10)) click 3
    if RIG_TIMEOUT=5 rig_wait_quietly eval 'rig_tray_menu | grep -q "^open|1$"'; then
      return 0
    fi
  done
  rig_fail "the tray menu did not open"
}

# rig_tray_choose COMMAND: clicks the menu item with that command id, as a user would.
rig_tray_choose() {
  local rect left top right bottom
  rect=$(rig_tray_menu | sed -n "s/^[0-9]*|$1|[^|]*|//p")
  IFS=, read -r left top right bottom <<<"$rect"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}
