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
CONFIG_AFTER=$'DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nDEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS\r\nFILES=40\r\n'
AUTOEXEC_AFTER=$'@ECHO OFF\r\nPROMPT $P$G\r\nPATH C:\\WINDOWS;C:\\DOS\r\nSET BLASTER=A220 I5 D1\r\n'
DOSSTART_AFTER=$'@ECHO OFF\r\nC:\\MOUSE\\MOUSE.COM\r\n'

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

# The fourteen files are gone; files of other names in the same folders stay.
expect_files_removed() {
  local f
  for f in windows/system32/{es1938.vxd,essdm.vxd,essswt.vxd,essolo.vxd,es1938mg.vxd} \
           windows/{Essswt.dat,Essswt.dls,Essswt3M.dls,Essswt1M.dls} \
           {Es1938.com,Essolo.com,Es1938.sys,Essolo.sys,Es1938.ini}; do
    [[ ! -e $C/$f ]] || rig_fail "$f was not deleted"
  done
  for f in windows/system32/{es1938.vx_,sb16.vxd,ES1938.drv,Essolo.drv} windows/Essswt.bak \
           Es1938.txt windows/ZM640UNI.exe windows/ZM640UTL.exe; do
    [[ -e $C/$f || $f == windows/ZM640UTL.exe ]] || rig_fail "$f was deleted"
  done
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
