#!/usr/bin/env bash
# End-to-end cases of the tray utility under Wine, with the project's mixer
# driver double (a winmm.dll next to the program) standing in for the card.
# usage: tray.sh CASE
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1
# The menu is clicked in a virtual desktop, whose taskbar shows the icon.
[[ $case_name != menu_closes ]] || RIG_DESKTOP=640x480
rig_begin "tray_$case_name"

rig_mixer_double
CMDLINE_LOG=$PFX/drive_c/cmdline.log


start_tray() {
  rig_start tray env WINEDEBUG=+relay wine 'C:\windows\ZM640UTL.exe'
}
# Waits until the first tick has synced the label and written the switch.
wait_settled() { rig_wait_for grep -q -s '^set ' "$MIXER_LOG"; }
windows() { rig_ask windows "$1" "$2"; }
icon_calls() { rig_relay_calls tray Shell_NotifyIconA | cut -d, -f1; }
frames_shown() { icon_calls | grep -c '^00000001$' || true; }
# Waits until the animation has shown N more frames: proof that time passed, in ticks.
wait_frames() { local target=$(($(frames_shown) + $1)); rig_wait_for eval '[[ $(frames_shown) -ge '"$target"' ]]'; }
mixer_lines() { wc -l <"$MIXER_LOG"; }
exit_tray() {
  rig_post 40001
  local code
  code=$(rig_exit_code tray)
  expect_eq "tray exit code" "$code" 0
}
stand_in() { cp "$ZM_BUILD/test-tools/cmdline_logger.exe" "$WIN/$1"; }

# The notification area the test owns (tests/tools/notify_area.c), in front of Wine's own.
AREA_LOG=$PFX/drive_c/notify.log
area_start() {
  rig_start area wine "$ZM_BUILD/test-tools/notify_area.exe" 'C:\notify.log'
  rig_wait_for grep -q -s ready "$AREA_LOG"
}
area_post() {
  rig_ask post Shell_TrayWnd "ZM640 test notification area" "$@" || rig_fail "notification area not found to post $1"
}
area_lines() { tr -d '\r' <"$AREA_LOG" | grep -v '^ready$' || true; }
# area_after WHAT: the area's log after its last WHAT line.
area_after() { area_lines | awk -v what="$1" '$1 == what {n = NR} {line[NR] = $0}
                                          END {for (i = n + 1; i <= NR; ++i) print line[i]}'; }
area_time() { sed -n 's/.* t=//p' | head -1; }
# area_restart BROADCAST ADDS: ends the shell; it comes back after refusing that
# many of the utility's adds (0: its first call); prints how many ms later the
# icon was back.
area_restart() {
  area_post 32769 "$1" "$2"
  rig_wait_for eval 'area_after ended | grep -q "^add 1 icons=1"'
  local started back
  started=$(area_after ended | grep '^started' | area_time)
  back=$(area_after started | grep '^add 1' | area_time)
  # (With the broadcast, a retry may come first: the broadcast's add then fails.)
  expect_eq "adds taken after the restart" "$(area_after started | grep -c '^add 1')" 1
  echo $((back - started))
}
# area_choose COMMAND: right-clicks the icon through the area and clicks the menu item.
area_choose() {
  area_post 32771 0 516   # WM_RBUTTONDOWN
  rig_wait_for eval 'rig_tray_menu | grep -q "^open|1$"'
  rig_tray_choose "$1"
}

case $case_name in
  hidden_single_copy)
    start_tray
    wait_settled
    expect_eq "windows" "$(windows 3ZAvodWClass '3ZAvod Sample')" "count=1 visible=0"
    rig_start second wine 'C:\windows\ZM640UTL.exe'
    code=$(rig_exit_code second)
    expect_eq "second copy's exit code" "$code" 0
    expect_eq "windows after a second start" "$(windows 3ZAvodWClass '3ZAvod Sample')" "count=1 visible=0"
    expect_eq "icons added" "$(icon_calls | grep -c '^00000000$')" 1
    exit_tray
    ;;
  label_follows_mixer)
    export ZM_MIXER_INITIAL=0
    start_tray
    wait_settled
    rig_tray_label_is "Turn On 3D Effect" || rig_fail "label after reading 0: $(rig_tray_label)"
    expect_eq "first write" "$(grep '^set ' "$MIXER_LOG")" \
      "set id=41 channels=1 items=0 size=24 details=4 flags=0 value=0 -> 0"
    wine 'C:\windows\mixer_tool.exe' set 1 >/dev/null 2>&1 </dev/null   # another program
    rig_wait_for rig_tray_label_is "Turn Off 3D Effect"
    lines=$(mixer_lines)
    rig_post 40005                                                        # the menu's 3D command
    rig_wait_for rig_tray_label_is "Turn On 3D Effect"
    rig_wait_for eval 'tail -n +$((lines + 1)) "$MIXER_LOG" | grep -q "^set .*value=0 -> 0"'
    exit_tray
    tail -1 "$MIXER_LOG" | grep -q '^mixerClose' || rig_fail "mixer not closed at exit"
    ;;
  idle_no_mixer_calls)
    start_tray
    wait_settled
    before=$(mixer_lines)
    wait_frames 30   # 150 ticks of the 10 ms timer
    expect_eq "mixer calls while idle" "$(mixer_lines)" "$before"
    exit_tray
    ;;
  exit_removes_icon)
    start_tray
    wait_settled
    exit_tray
    last_icon=$(icon_calls | tail -1)
    expect_eq "last notification-area call" "$last_icon" "00000002"
    # The icon goes before the window: NIM_DELETE stands before DestroyWindow in the log.
    order=$(grep -E 'Call (shell32\.Shell_NotifyIconA\(00000002|user32\.DestroyWindow)' "$T/tray.log" |
            sed -E 's/.*Call [a-z0-9]+\.([A-Za-z_]+).*/\1/' | tr '\n' ' ')
    expect_eq "order" "$order" "Shell_NotifyIconA DestroyWindow "
    tail -1 "$MIXER_LOG" | grep -q '^mixerClose' || rig_fail "mixer not closed at exit"
    ;;
  no_mixer)
    export ZM_MIXER_FAULTS=nodevice
    start_tray
    code=$(rig_exit_code tray)
    expect_eq "exit code without a mixer" "$code" 0
    expect_eq "icons added" "$(icon_calls | grep -c '^00000000$' || true)" 0
    ;;
  write_fails)
    export ZM_MIXER_FAULTS=writefail
    start_tray
    box=$(rig_window "Unable to control 3D")
    wait_frames 30   # ticks go on while the box is open; none writes again
    expect_eq "failure boxes" "$(rig_relay_calls tray MessageBoxA)" \
      '00000000,"Error Setup Mixer","Unable to control 3D",00000000'
    expect_eq "writes" "$(grep -c '^set ' "$MIXER_LOG")" 1
    rig_keys "$box" Return
    exit_tray
    ;;
  multimedia)
    # No rundll32.exe in the Windows directory nor in the system directory,
    # and Wine's own not to be loaded in its place: the error box.
    rm -f "$WIN/rundll32.exe" "$WIN/system32/rundll32.exe"
    rig_start tray env WINEDEBUG=+relay WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe=n" \
      wine 'C:\windows\ZM640UTL.exe'
    wait_settled
    rig_post 40006
    box=$(rig_window "Unable to open MultiMedia windows")
    expect_eq "box" "$(rig_relay_calls tray MessageBoxA)" \
      '00000000,"Error Message","Unable to open MultiMedia windows",00000000'
    rig_keys "$box" Return
    stand_in rundll32.exe
    rig_post 40006
    rig_wait_for test -s "$CMDLINE_LOG"
    expect_eq "command line" "$(tr -d '\r' <"$CMDLINE_LOG")" \
      'C:\windows\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl'
    # The system directory's is tried only when the Windows directory's fails.
    expect_eq "WinExec calls" "$(rig_relay_calls tray WinExec)" \
      '"C:\\windows\\\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl",00000005
"C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl",00000005
"C:\\windows\\\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl",00000005'
    exit_tray
    ;;
  uninstall)
    start_tray
    wait_settled
    rig_post 40007   # the real removal program starts and asks
    rig_keys "$(rig_window "Comfirm File Deletion")" n
    expect_eq "WinExec" "$(rig_relay_calls tray WinExec)" '"C:\\windows\\\\ZM640UNI.exe",00000005'
    exit_tray
    ;;
  about_once)
    stand_in rundll32.exe
    start_tray
    wait_settled
    rig_post 40004
    rig_window "About Duzevira Razur" >/dev/null
    rig_post 40004
    rig_post 40006   # handled after the second About: its effect proves that one was too
    rig_wait_for test -s "$CMDLINE_LOG"
    expect_eq "About boxes" "$(windows '#32770' "About Duzevira Razur")" "count=1 visible=1"
    expect_eq "DialogBoxParamA calls" "$(rig_relay_calls tray DialogBoxParamA | wc -l)" 1
    # Closed by its close box (WM_CLOSE), it opens again. The box has ended
    # when its DialogBoxParamA returns.
    rig_ask post '#32770' "About Duzevira Razur" 16 0 0
    rig_wait_for grep -q 'Ret  user32.DialogBoxParamA' "$T/tray.log"
    rig_post 40004
    rig_wait_for eval '[[ $(rig_relay_calls tray DialogBoxParamA | wc -l) -eq 2 ]]'
    rig_window "About Duzevira Razur" >/dev/null
    exit_tray
    ;;
  menu_closes)
    start_tray
    wait_settled
    rig_tray_open_menu
    xdotool mousemove 200 200 click 1   # a click elsewhere on the desktop
    rig_wait_for eval 'rig_tray_menu | grep -q "^open|0$"'
    rig_tray_open_menu                  # and the icon still answers
    rig_tray_choose 40005
    rig_wait_for rig_tray_label_is "Turn On 3D Effect"
    exit_tray
    ;;
  taskbar_created)
    start_tray
    wait_settled
    rig_ask post-registered 3ZAvodWClass "3ZAvod Sample" TaskbarCreated
    rig_wait_for eval '[[ $(icon_calls | grep -c "^00000000$") -eq 2 ]]'   # NIM_ADD again
    exit_tray
    ;;
  shell_restart_silent)
    # Windows 95's shell says nothing when it starts again: the utility finds
    # the icon gone and adds it again, no more often than once a second.
    area_start
    start_tray
    wait_settled
    rig_wait_for grep -q '^add 1 icons=1' "$AREA_LOG"
    after=$(area_restart 0 3)
    ((after >= 900 && after <= 3000 * RIG_SLOWDOWN)) ||
      rig_fail "icon back $after ms after the shell (expected about a second)"
    tries=$(area_after ended | awk '$1 == "add" {print $4}' | sed 's/t=//')
    expect_eq "adds while no shell was there, and the one it took" "$(wc -l <<<"$tries")" 4
    gaps=$(awk 'NR > 1 && $1 - last < 900 {print $1 - last} {last = $1}' <<<"$tries")
    expect_eq "adds closer than a second" "$gaps" ""
    area_choose 40005
    rig_wait_for rig_tray_label_is "Turn On 3D Effect"
    rig_wait_for grep -q '^set .*value=0 -> 0' "$MIXER_LOG"
    area_choose 40001
    expect_eq "tray exit code" "$(rig_exit_code tray)" 0
    expect_eq "last call" "$(area_lines | tail -1 | cut -d' ' -f1-3)" "delete 1 icons=0"
    ;;
  shell_restart_broadcast)
    # A shell that broadcasts TaskbarCreated gets the icon at once, and once.
    area_start
    start_tray
    wait_settled
    rig_wait_for grep -q '^add 1 icons=1' "$AREA_LOG"
    after=$(area_restart 1 0)
    ((after < 900)) || rig_fail "icon back only $after ms after the broadcast"
    area_choose 40001
    expect_eq "tray exit code" "$(rig_exit_code tray)" 0
    expect_eq "icons added in all" "$(area_lines | grep -c '^add 1')" 2
    expect_eq "last call" "$(area_lines | tail -1 | cut -d' ' -f1-3)" "delete 1 icons=0"
    ;;
  shell_not_ready)
    # Started before a shell takes icons: the icon comes once one does.
    area_start
    area_post 32769 0 2   # ended; back after refusing two adds
    rig_wait_for grep -q '^ended' "$AREA_LOG"
    start_tray
    rig_wait_for eval 'area_after ended | grep -q "^add 1 icons=1"'
    expect_eq "adds" "$(area_lines | grep -c '^add')" 3
    area_choose 40001
    expect_eq "tray exit code" "$(rig_exit_code tray)" 0
    ;;
  modify_refused)
    # A shell that refuses one modify but keeps the icon: no second icon.
    area_start
    start_tray
    wait_settled
    rig_wait_for grep -q '^add 1 icons=1' "$AREA_LOG"
    area_post 32772 0 0
    rig_wait_for grep -q '^modify 0 icons=1' "$AREA_LOG"
    rig_wait_for grep -q '^add 0 icons=1' "$AREA_LOG"                  # refused: it is there
    rig_wait_for eval 'area_after add | grep -q "^modify 1 icons=1"'   # animating again
    expect_eq "adds after the refused modify" "$(area_lines | grep '^add' | cut -d' ' -f1-3 | tr '\n' ,)" \
      "add 1 icons=1,add 0 icons=1,"
    area_choose 40001
    expect_eq "tray exit code" "$(rig_exit_code tray)" 0
    expect_eq "last call" "$(area_lines | tail -1 | cut -d' ' -f1-3)" "delete 1 icons=0"
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
echo "PASS: tray $case_name"
