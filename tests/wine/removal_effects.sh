#!/usr/bin/env bash
# End-to-end: what a removal does to the sample Windows 98 system's registry,
# driver files and WinInit.INI.
# (WinInit.INI as other software left it: next_start.sh.)
# usage: removal_effects.sh CASE
#   win98             Windows 98 rules, no WinInit.INI yet
#   nt_rules          Wine as Windows 10, which refuses to delete keys that have sub-keys
#   two_runs          two removals before a restart queue the lines twice
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1
[[ $case_name != nt_rules ]] || RIG_WINDOWS=win10
rig_begin "removal_effects_$case_name"

source "$RIG_DIR/expect.sh"

# expect_queue BYTES: WinInit.INI holds exactly these bytes.
expect_queue() { expect_bytes "$QUEUE" "$1"; }

deletions() { rig_relay_calls removal RegDeleteKeyA | wc -l; }

case $case_name in
  win98 | nt_rules)
    rig_registry_keys >"$T/keys.before"
    rig_remove
    rig_registry_keys >"$T/keys.after"
    expect_registry_cleaned
    expect_files_removed
    expect_queue $'\r\n[Rename]\r\n'"$QUEUE_LINES"
    # Windows 98 takes each key's sub-tree in one call: 16 calls for the sample
    # system (two of them fail: the already deleted PCI key, and the Add/Remove
    # Programs entry, absent where the programs were copied by hand). NT rules
    # need the sub-keys deleted first, so there are more calls for the same result.
    count=$(deletions)
    if [[ $case_name == win98 ]]; then
      [[ $count -eq 16 ]] || rig_fail "expected 16 RegDeleteKeyA calls, got $count"
    else
      [[ $count -gt 16 ]] || rig_fail "NT rules: expected more than 16 RegDeleteKeyA calls, got $count"
    fi
    ;;
  two_runs)
    rig_remove
    rig_remove
    expect_queue $'\r\n[Rename]\r\n'"$QUEUE_LINES$QUEUE_LINES"
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
echo "PASS: removal_effects $case_name"
