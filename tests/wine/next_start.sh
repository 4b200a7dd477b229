#!/usr/bin/env bash
# End-to-end through the restart: the removal answered Yes, then Restart (or
# Shut Down), then the next start, whose boot step carries out WinInit.INI;
# both programs read-only, as copied from the CD.
# usage: next_start.sh CASE [KEY]
#   CASE  a WinInit.INI case of tests/data/wininit_cases.txt, as other software left it
#   KEY   r: Restart (the default), s: Shut Down
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1 key=${2:-r}
rig_begin "next_start_${case_name}_$key"
source "$RIG_DIR/expect.sh"

lay_out_wininit_case "$case_name"
# As a copy from the CD leaves them: read-only, which Wine's boot step, like
# Windows 9x's, refuses to delete.
chmod a-w "$WIN/ZM640UTL.exe" "$WIN/ZM640UNI.exe"
rig_remove "$key"
case $key in
  r) flags=00000002 boot_step="--end-session" ;;
  s) flags=00000001 boot_step="--end-session --shutdown" ;;
  *) rig_fail "unknown key $key" ;;
esac
expect_eq "ExitWindowsEx calls" "$(rig_relay_calls removal ExitWindowsEx)" "$flags,00000000"
expect_eq "Wine's boot step asked for" "$(rig_boot_step_asked)" "$boot_step"
expect_files_removed
expect_bytes "$QUEUE" "$WININIT_AFTER"

rig_next_start
expect_next_start_done "$WININIT_AFTER"
expect_gone "${WININIT_OTHERS[@]}"
echo "PASS: next_start $case_name $key"
