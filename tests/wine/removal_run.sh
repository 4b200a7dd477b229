#!/usr/bin/env bash
# End-to-end cases of the removal run under Wine.
# usage: removal_run.sh CASE   (no | yes_cancel | esc_then_restart | enter_shuts_down | no_tray)
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1
rig_begin "removal_run_$case_name"


# Starts the removal traced and answers its confirmation box with KEY.
confirm_with() {
  rig_start_removal
  local box
  box=$(rig_window "Comfirm File Deletion")
  rig_keys "$box" "$1"
}

# The restart dialog, once it is up.
restart_dialog() { rig_window "Complete Uninstallation"; }

check_confirmation_box() {
  local args
  args=$(rig_relay_calls removal MessageBoxA)
  [[ $args == *'"Are you sure you want to completely remove '"'"'ZM640 Sound Card Driver'"'"' and all of its\ncomponents?","Comfirm File Deletion",00000004' ]] ||
    rig_fail "confirmation box called with: $args"
  [[ $args != 00000000,* ]] || rig_fail "the confirmation box has no owner"
}

case $case_name in
  no)
    rig_snapshot "$T/before"
    rig_start_standin
    confirm_with n
    rc=$(rig_exit_code removal)
    expect_eq "exit code" "$rc" 0
    check_confirmation_box
    rig_post_sentinel
    received=$(rig_standin_log)
    expect_eq "stand-in received" "$received" "sentinel"
    rig_snapshot "$T/after"
    diff -u "$T/before" "$T/after" || rig_fail "No changed the sample system"
    [[ -z $(rig_relay_calls removal DialogBoxParamA) ]] || rig_fail "restart dialog shown after No"
    ;;
  yes_cancel)
    rig_start_standin
    confirm_with Return   # Yes is the default button
    dialog=$(restart_dialog)
    received=$(rig_standin_log)
    expect_eq "stand-in received" "$received" "WM_COMMAND 40001 0"
    rig_keys "$dialog" c
    rc=$(rig_exit_code removal)
    expect_eq "exit code" "$rc" 1
    check_confirmation_box
    expect_eq "ExitWindowsEx calls" "$(rig_relay_calls removal ExitWindowsEx)" ""
    expect_eq "EndDialog calls" "$(rig_relay_calls removal EndDialog | cut -d, -f2)" "00000001"
    ;;
  esc_then_restart)
    confirm_with y
    dialog=$(restart_dialog)
    # Keys are handled in order: if Esc closed the dialog, "Restart" would never be pressed.
    rig_keys "$dialog" Escape r
    rig_wait_for grep -q "Call user32.ExitWindowsEx" "$T/removal.log"
    expect_eq "ExitWindowsEx calls" "$(rig_relay_calls removal ExitWindowsEx)" "00000002,00000000"
    expect_eq "exit code" "$(rig_exit_code removal)" 1
    expect_eq "Wine's boot step asked for" "$(rig_boot_step_asked)" "--end-session"
    ;;
  enter_shuts_down)
    confirm_with y
    dialog=$(restart_dialog)
    rig_keys "$dialog" Return
    rig_wait_for grep -q "Call user32.ExitWindowsEx" "$T/removal.log"
    expect_eq "ExitWindowsEx calls" "$(rig_relay_calls removal ExitWindowsEx)" "00000001,00000000"
    expect_eq "exit code" "$(rig_exit_code removal)" 1
    expect_eq "Wine's boot step asked for" "$(rig_boot_step_asked)" "--end-session --shutdown"
    ;;
  no_tray)
    confirm_with y
    dialog=$(restart_dialog)
    rig_keys "$dialog" c
    rc=$(rig_exit_code removal)
    expect_eq "exit code" "$rc" 1
    expect_eq "FindWindowA calls" "$(rig_relay_calls removal FindWindowA)" '"3ZAvodWClass","3ZAvod Sample"'
    expect_eq "PostMessageA calls" "$(rig_relay_calls removal PostMessageA)" ""
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
echo "PASS: removal_run $case_name"
