#!/usr/bin/env bash
# End-to-end: what a removal does to the sample Windows 98 system's registry,
# driver files and WinInit.INI.
# usage: removal_effects.sh CASE
#   win98             Windows 98 rules, no WinInit.INI yet
#   nt_rules          Wine as Windows 10, which refuses to delete keys that have sub-keys
#   wininit_line_end | wininit_no_line_end | wininit_ctrl_z   an existing WinInit.INI
#   two_runs          two removals before a restart queue the lines twice
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1
rig_begin "removal_effects_$case_name"

QUEUE=$WIN/WinInit.INI
LINES=$(printf '%s\r\n' 'NUL=C:\windows\system32\ES1938.drv' 'NUL=C:\windows\system32\Esfm.drv' \
  'NUL=C:\windows\system32\Essmpu.drv' 'NUL=C:\windows\system32\Essswt.drv' \
  'NUL=C:\windows\system32\Essolo.drv' 'NUL=C:\windows\ZM640UTL.exe' 'NUL=C:\windows\ZM640UNI.exe'; echo .)
LINES=${LINES%.}   # keep the last CR LF

# expect_queue BYTES: WinInit.INI holds exactly these bytes.
expect_queue() {
  local want=$T/wininit.want
  printf '%s' "$1" >"$want"
  cmp -s "$want" "$QUEUE" || {
    echo "WinInit.INI expected:"; od -c "$want" | head -40
    echo "got:"; od -c "$QUEUE" 2>&1 | head -40
    rig_fail "WinInit.INI differs"
  }
}

# The card's keys are gone and every other key is still there.
expect_registry_cleaned() {
  comm -23 "$T/keys.before" "$T/keys.after" >"$T/keys.removed"
  comm -13 "$T/keys.before" "$T/keys.after" >"$T/keys.created"
  diff -u "$RIG_DIR/sample/removed_keys.txt" "$T/keys.removed" || rig_fail "removed keys differ"
  [[ ! -s $T/keys.created ]] || rig_fail "keys created: $(cat "$T/keys.created")"
}

# The fourteen files are gone; files of other names in the same folders stay.
expect_files_removed() {
  local c=$PFX/drive_c f
  for f in windows/system32/{es1938.vxd,essdm.vxd,essswt.vxd,essolo.vxd,es1938mg.vxd} \
           windows/{Essswt.dat,Essswt.dls,Essswt3M.dls,Essswt1M.dls} \
           {Es1938.com,Essolo.com,Es1938.sys,Essolo.sys,Es1938.ini}; do
    [[ ! -e $c/$f ]] || rig_fail "$f was not deleted"
  done
  for f in windows/system32/{es1938.vx_,sb16.vxd,ES1938.drv,Essolo.drv} windows/Essswt.bak \
           Es1938.txt windows/ZM640UNI.exe windows/ZM640UTL.exe; do
    [[ -e $c/$f || $f == windows/ZM640UTL.exe ]] || rig_fail "$f was deleted"
  done
}

deletions() { rig_relay_calls removal RegDeleteKeyA | wc -l; }

case $case_name in
  win98 | nt_rules)
    [[ $case_name == nt_rules ]] &&
      wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1 </dev/null
    rig_registry_keys >"$T/keys.before"
    rig_remove
    rig_registry_keys >"$T/keys.after"
    expect_registry_cleaned
    expect_files_removed
    expect_queue $'\r\n[Rename]\r\n'"$LINES"
    # Windows 98 takes each key's sub-tree in one call: 15 calls for the sample
    # system (one of them, for the already deleted PCI key, fails). NT rules need
    # the sub-keys deleted first, so there are more calls for the same result.
    count=$(deletions)
    if [[ $case_name == win98 ]]; then
      [[ $count -eq 15 ]] || rig_fail "expected 15 RegDeleteKeyA calls, got $count"
    else
      [[ $count -gt 15 ]] || rig_fail "NT rules: expected more than 15 RegDeleteKeyA calls, got $count"
    fi
    ;;
  wininit_line_end)
    printf '[rename]\r\nNUL=C:\\OLD.TMP\r\n' >"$QUEUE"
    rig_remove
    expect_queue $'[rename]\r\nNUL=C:\\OLD.TMP\r\n'"$LINES"
    ;;
  wininit_no_line_end)
    printf '[rename]\r\nNUL=C:\\OLD.TMP' >"$QUEUE"
    rig_remove
    expect_queue $'[rename]\r\nNUL=C:\\OLD.TMP\r\n'"$LINES"
    ;;
  wininit_ctrl_z)
    printf '[rename]\r\nNUL=C:\\OLD.TMP\x1a\x1a' >"$QUEUE"
    rig_remove
    expect_queue $'[rename]\r\nNUL=C:\\OLD.TMP\r\n'"$LINES"
    ;;
  two_runs)
    rig_remove
    rig_remove
    expect_queue $'\r\n[Rename]\r\n'"$LINES$LINES"
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
echo "PASS: removal_effects $case_name"
