# What a removal must leave of the sample Windows 98 system, byte for byte:
# checks shared by the end-to-end cases. Sourced after rig.sh and rig_begin.

C=$PFX/drive_c
INF=$WIN/INF
QUEUE=$WIN/WinInit.INI
# The lines a removal appends to WinInit.INI, CR LF each.
QUEUE_LINES=$(printf '%s\r\n' 'NUL=C:\windows\system32\ES1938.drv' 'NUL=C:\windows\system32\Esfm.drv' \
  'NUL=C:\windows\system32\Essmpu.drv' 'NUL=C:\windows\system32\Essswt.drv' \
  'NUL=C:\windows\system32\Essolo.drv' 'NUL=C:\windows\ZM640UTL.exe' 'NUL=C:\windows\ZM640UNI.exe'; echo .)
QUEUE_LINES=${QUEUE_LINES%.}   # keep the last CR LF
CONFIG_AFTER=$'DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nREM \x83\x65\x83\x58\x83\x67\r\nDEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS\r\nFILES=40\r\n'
AUTOEXEC_AFTER=$'@ECHO OFF\r\nPROMPT $p$g\r\npath c:\\windows;c:\\dos\r\nSET BLASTER=A220 I5 D1\r\nSet Temp=C:\\Windows\\Temp\r\n'
DOSSTART_AFTER=$'@echo off\r\nc:\\mouse\\mouse.com\r\nEcho Starting Linux\r\nloadlin c:\\linux\\vmlinuz root=/dev/hda2 ro\r\n'

# expect_bytes FILE BYTES
expect_bytes() {
  printf '%s' "$2" >"$T/want"
  cmp -s "$T/want" "$1" || {
    echo "expected:"; od -c "$T/want" | head -40; echo "got:"; od -c "$1" 2>&1 | head -40
    rig_fail "${1#"$C"/} differs"
  }
}

expect_gone() { local f; for f; do [[ ! -e $f ]] || rig_fail "${f#"$C"/} still there"; done; }

# Files that stay are compared with copies taken before the run.
keep_copies() { local f; for f; do cp "$f" "$f.before-run"; done; }
expect_unchanged() {
  local f
  for f; do cmp -s "$f.before-run" "$f" || rig_fail "${f#"$C"/} changed"; rm -f "$f.before-run"; done
}

no_temporary_file() {
  local left
  left=$(find "$C" -iname EraseMe.Now)
  [[ -z $left ]] || rig_fail "temporary file left: $left"
}

# The card's keys are gone and every other key is still there; needs
# $T/keys.before and $T/keys.after from rig_registry_keys.
expect_registry_cleaned() {
  comm -23 "$T/keys.before" "$T/keys.after" >"$T/keys.removed"
  comm -13 "$T/keys.before" "$T/keys.after" >"$T/keys.created"
  diff -u "$RIG_DIR/sample/removed_keys.txt" "$T/keys.removed" || rig_fail "removed keys differ"
  [[ ! -s $T/keys.created ]] || rig_fail "keys created: $(cat "$T/keys.created")"
}

# The card's files on the sample system, relative to drive C:: the fourteen
# the removal deletes at once, the seven it queues for the next start, and
# neighbours of near names that must stay (each holds "NAME driver image").
CARD_FILES_AT_ONCE=(windows/system32/{es1938.vxd,essdm.vxd,essswt.vxd,essolo.vxd,es1938mg.vxd}
                    windows/{Essswt.dat,Essswt.dls,Essswt3M.dls,Essswt1M.dls}
                    {Es1938.com,Essolo.com,Es1938.sys,Essolo.sys,Es1938.ini})
CARD_FILES_AT_BOOT=(windows/system32/{ES1938.drv,Esfm.drv,Essmpu.drv,Essswt.drv,Essolo.drv}
                    windows/{ZM640UTL.exe,ZM640UNI.exe})
NEIGHBOURS=(windows/system32/{es1938.vx_,sb16.vxd,Essolo.dr_} windows/Essswt.bak Es1938.txt)

expect_neighbours_kept() {
  local f
  for f in "${NEIGHBOURS[@]}"; do expect_bytes "$C/$f" "${f##*/} driver image"$'\r\n'; done
}

# present FILE: FILE (under drive C:) is there in any case, as Windows finds
# it: copied from a floppy the programs are ZM640UTL.EXE and ZM640UNI.EXE.
present() { [[ -n $(find "$C/${1%/*}" -maxdepth 1 -iname "${1##*/}" 2>/dev/null) ]]; }
# card_files_left: those of the card's 21 files still there, one a line.
card_files_left() {
  local f
  for f in "${CARD_FILES_AT_ONCE[@]}" "${CARD_FILES_AT_BOOT[@]}"; do ! present "$f" || echo "$f"; done
}

# The fourteen files are gone; the seven queued ones and the neighbours stay.
expect_files_removed() {
  local f
  for f in "${CARD_FILES_AT_ONCE[@]}"; do ! present "$f" || rig_fail "$f was not deleted"; done
  for f in "${CARD_FILES_AT_BOOT[@]}"; do
    present "$f" || [[ $f == windows/ZM640UTL.exe ]] || rig_fail "$f was deleted"
  done
  expect_neighbours_kept
}

# After the next start: none of the card's 21 files is left, the neighbours are
# as they were, and WinInit.INI was carried out: it is now WININIT.BAK, holding
# BYTES (Wine's boot step names it in lower case).
expect_next_start_done() {
  local left
  left=$(card_files_left)
  [[ -z $left ]] || rig_fail "still there after the next start: $left"
  expect_neighbours_kept
  [[ ! -e $QUEUE ]] || rig_fail "WinInit.INI was not carried out at the next start"
  expect_bytes "$WIN/wininit.bak" "$1"
}

# The sample system's INF folders and startup files after a removal; the INF
# files that stay are compared with the copies keep_sample_files took before.
keep_sample_files() { keep_copies "$INF/LOWER.INF" "$INF/MACHINE.INF" "$INF/OTHER/SB16.INF"; }
expect_sample_files_filtered() {
  expect_gone "$INF/ZM640.INF" "$INF/OTHER/ZMGAME.INF"
  expect_unchanged "$INF/LOWER.INF" "$INF/MACHINE.INF" "$INF/OTHER/SB16.INF"
  expect_bytes "$C/Config.sys" "$CONFIG_AFTER"
  expect_bytes "$C/Autoexec.Bat" "$AUTOEXEC_AFTER"
  expect_bytes "$WIN/DosStart.Bat" "$DOSSTART_AFTER"
  no_temporary_file
}

# lay_out_wininit_case NAME: writes WinInit.INI as the shared table's case
# NAME has it before a removal (no file for "-"), and the files other software
# queued there; sets WININIT_AFTER (the bytes a removal must leave) and
# WININIT_OTHERS (those files' paths).
lay_out_wininit_case() {
  local line name before after others f
  line=$(grep -m1 "^$1|" "$RIG_DIR/../data/wininit_cases.txt") || rig_fail "no WinInit.INI case $1"
  IFS='|' read -r name before after others <<<"$line"
  rm -f "$QUEUE"
  [[ $before == - ]] || printf '%b' "$before" >"$QUEUE"
  WININIT_AFTER=$(printf '%b.' "$after")
  WININIT_AFTER=${WININIT_AFTER%.}
  WININIT_AFTER=${WININIT_AFTER//\{LINES\}/"$QUEUE_LINES"}
  WININIT_OTHERS=()
  for f in $others; do
    WININIT_OTHERS+=("$C/$f")
    printf 'queued by other software\r\n' >"$C/$f"
  done
}

# What ZM640.INF adds to the registry, where the removal finds it.
CURRENT_VERSION='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
# install_entries_left: the utility's Run value and the Add/Remove Programs
# entry, those still there, one a line; reads an export of $CURRENT_VERSION.
# install_entries_others: that export without them, every other line as it is.
install_entries_left() { install_entries left; }
install_entries_others() { install_entries others; }
install_entries() {
  CV="[$CURRENT_VERSION" awk -v mode="$1" '
    /^\[/ { section = tolower($0); ours = section == tolower(ENVIRON["CV"] "\\Uninstall\\ZM640]")
            if (ours && mode == "left") print "the Add/Remove Programs entry" }
    section == tolower(ENVIRON["CV"] "\\Run]") && tolower($0) ~ /^"zm640utl"=/ {
      if (mode == "left") print "the Run value"; next }
    mode == "others" && !ours'
}
