#!/usr/bin/env bash
# Installed from the release floppy through ZM640.INF, twice, on the sample
# system where other programs have their own Run value and Add/Remove
# Programs entry; removed through Add/Remove Programs (Wine's uninstaller
# runs the listed UninstallString), then Restart and the next start: nothing
# of ours is left, and the other programs' entries are as they were.
set -euo pipefail
source "$(dirname "$0")/rig.sh"
RIG_FLOPPY=$(ls "$ZM_BUILD"/dist/ZM640-*.img)
rig_begin install_inf
source "$RIG_DIR/expect.sh"

rig_install_from_floppy "$RIG_FLOPPY"   # installed twice: one of each all the same
for f in ZM640UTL.EXE ZM640UNI.EXE; do
  expect_eq "copies of $f" "$(find "$WIN" -maxdepth 1 -iname "$f" | wc -l)" 1
  cmp -s "$T/floppy/$f" "$WIN/$f" || rig_fail "$f differs from the floppy's"
done
rig_registry_values "$CURRENT_VERSION" >"$T/installed.reg"
expect_eq "entries" "$(install_entries_left <"$T/installed.reg")" \
  $'the Run value\nthe Add/Remove Programs entry'
grep -q -x -F '"ZM640UTL"="C:\\windows\\ZM640UTL.EXE"' "$T/installed.reg" || rig_fail "no Run value"
grep -q -x -F '"UninstallString"="C:\\windows\\ZM640UNI.EXE"' "$T/installed.reg" ||
  rig_fail "no UninstallString"
expect_eq "Add/Remove Programs" "$(rig_ask programs | sort)" \
  $'OtherSoundTool|||Other Sound Tool\nZM640|||ZM640 Sound Card Driver'

# Add/Remove Programs starts the removal; Yes, then Restart.
rig_start removal env WINEDEBUG=+relay wine uninstaller --remove ZM640
rig_keys "$(rig_window "Comfirm File Deletion")" y
rig_keys "$(rig_window "Complete Uninstallation")" r
rig_exit_code removal >/dev/null
expect_files_removed
rig_next_start
expect_next_start_done $'\r\n[Rename]\r\n'"$QUEUE_LINES"
rig_registry_values "$CURRENT_VERSION" >"$T/removed.reg"
expect_eq "entries left" "$(install_entries_left <"$T/removed.reg")" ""
# Every other line of the export, the other programs' entries included, as it was.
diff <(install_entries_others <"$T/installed.reg") "$T/removed.reg" || rig_fail "other entries changed"
echo "PASS: install_inf"
