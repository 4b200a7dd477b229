#!/usr/bin/env bash
# End-to-end across the Windows family: the same sample system with Wine
# reporting itself as another version of Windows.
# usage: compat.sh VERSION CASE
#   VERSION  win95 | win98 | winme | nt40 | win2k | winxp | win10 (Wine's names)
#   removal  No changes nothing; then Yes and Cancel remove exactly the card's
#            keys, files and INF files, filter the startup files and queue WinInit.INI
#   next_start  both programs read-only, as copied from the CD; Yes, then
#            Restart, then the next start carries out WinInit.INI:
#            none of the card's 21 files is left (Wine carries WinInit.INI out
#            whatever version it plays; Windows NT itself never reads it). On
#            Windows NT the shutdown privilege is enabled before ExitWindowsEx,
#            and the seven files are in NT's own list of boot-time deletions too
#   tray     the label follows control 41, the 3D command writes it, Exit from
#            another process removes the icon and ends with exit code 0. On
#            Windows NT, MultiMedia Properties finds rundll32.exe in the system
#            directory, with no error box
set -euo pipefail
source "$(dirname "$0")/rig.sh"
version=$1 case_name=$2
RIG_WINDOWS=$version rig_begin "compat_${version}_$case_name"
source "$RIG_DIR/expect.sh"
case $version in nt40 | win2k | winxp | win10) windows_nt=1 ;; *) windows_nt=0 ;; esac

# The restart's calls, in order: on Windows NT the privilege first (Wine
# checks none, so only the calls can show it).
restart_calls() {
  sed -n -E 's/^.*:(Call|Ret)  ?[A-Za-z0-9]+\.(LookupPrivilegeValueA|AdjustTokenPrivileges|ExitWindowsEx)\((.*)\) (retval=[0-9a-f]+ )?ret=.*$/\1 \2 \4\3/p' \
    "$T/removal.log" | sed -E 's/[0-9a-f]{8} "/"/g; s/ +$//; s/^(Call AdjustTokenPrivileges )[0-9a-f]+,/\1token,/' |
    grep -v '^Ret ExitWindowsEx'
}

# PendingFileRenameOperations: a deletion is the file's NT name and an empty string.
nt_boot_deletions() {
  rig_ask value 'System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations |
    paste -d'|' - - || true
}
# The files WinInit.INI queues, as NT names them for deletion.
queued_paths() { printf '%s' "$QUEUE_LINES" | tr -d '\r' | sed 's/^NUL=\(.*\)$/\\??\\\1|/'; }

case $case_name in
  removal)
    rig_snapshot "$T/before"
    rig_start removal wine 'C:\windows\ZM640UNI.exe'
    rig_keys "$(rig_window "Comfirm File Deletion")" n
    expect_eq "exit code after No" "$(rig_exit_code removal)" 0
    rig_snapshot "$T/after-no"
    diff -u "$T/before" "$T/after-no" || rig_fail "No changed the sample system"

    keep_sample_files
    grep '^HKEY_' "$T/after-no" >"$T/keys.before"   # the registry as No left it
    rig_remove   # Yes, then Cancel: exit code 1
    rig_registry_keys >"$T/keys.after"
    expect_registry_cleaned
    expect_files_removed
    expect_bytes "$QUEUE" $'\r\n[Rename]\r\n'"$QUEUE_LINES"
    expect_sample_files_filtered
    ;;
  next_start)
    chmod a-w "$WIN/ZM640UTL.exe" "$WIN/ZM640UNI.exe"   # as copied from the CD
    rig_remove r
    if ((windows_nt)); then
      expect_eq "restart calls" "$(restart_calls | cut -d, -f1-2)" \
        $'Call LookupPrivilegeValueA 00000000,"SeShutdownPrivilege"\nRet LookupPrivilegeValueA retval=00000001\nCall AdjustTokenPrivileges token,00000000\nRet AdjustTokenPrivileges retval=00000001\nCall ExitWindowsEx 00000002,00000000'
    else
      expect_eq "restart calls" "$(restart_calls | grep '^Call')" 'Call ExitWindowsEx 00000002,00000000'
    fi
    expect_files_removed
    expect_eq "NT's boot-time deletions" "$(nt_boot_deletions)" "$(((windows_nt)) && queued_paths)"
    rig_next_start
    expect_next_start_done $'\r\n[Rename]\r\n'"$QUEUE_LINES"
    ;;
  tray)
    rig_mixer_double
    export ZM_MIXER_INITIAL=1
    # Wine would run its own rundll32.exe from the system directory, not the stand-in.
    rig_start tray env WINEDEBUG=+relay WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe=n" \
      wine 'C:\windows\ZM640UTL.exe'
    rig_wait_for grep -q -s '^set ' "$MIXER_LOG"
    rig_wait_for rig_tray_label_is "Turn Off 3D Effect"
    wine 'C:\windows\mixer_tool.exe' set 0 >/dev/null 2>&1 </dev/null   # another program
    rig_wait_for rig_tray_label_is "Turn On 3D Effect"
    lines=$(wc -l <"$MIXER_LOG")
    rig_post 40005   # the menu's 3D command
    rig_wait_for rig_tray_label_is "Turn Off 3D Effect"
    rig_wait_for eval 'tail -n +$((lines + 1)) "$MIXER_LOG" | grep -q "^set .*value=1 -> 0"'
    if ((windows_nt)); then
      rm -f "$WIN/rundll32.exe"
      # (Its own file: the prefix shares Wine's with the template through hard links.)
      cp --remove-destination "$ZM_BUILD/test-tools/cmdline_logger.exe" "$WIN/system32/rundll32.exe"
      rig_post 40006   # MultiMedia Properties
      rig_wait_for test -s "$PFX/drive_c/cmdline.log"
      expect_eq "command line" "$(tr -d '\r' <"$PFX/drive_c/cmdline.log")" \
        'C:\windows\system32\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl'
      expect_eq "error boxes" "$(rig_relay_calls tray MessageBoxA)" ""
    fi
    rig_post 40001   # Exit, as the removal sends it
    expect_eq "tray exit code" "$(rig_exit_code tray)" 0
    expect_eq "last notification-area call" \
      "$(rig_relay_calls tray Shell_NotifyIconA | cut -d, -f1 | tail -1)" "00000002"
    tail -1 "$MIXER_LOG" | grep -q '^mixerClose' || rig_fail "mixer not closed at exit"
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
echo "PASS: compat $version $case_name"
