#!/usr/bin/env bash
# End-to-end: what a removal does to the INF folders and the DOS startup files
# of the sample Windows 98 system, compared byte for byte.
# usage: removal_files.sh CASE
#   sample         the sample system as laid out
#   many_inf       several long naming INF files and short ones that do not name the card
#   no_other       no INF\OTHER folder: INF stays current and holds the temporary file
#   edge_lines     bare LF, accents, a 3000-character line, a Ctrl-Z mark, no final line end
#   read_only      a read-only Config.sys stays as it was
#   no_dosstart    no DosStart.Bat: the other files are filtered all the same
set -euo pipefail
source "$(dirname "$0")/rig.sh"
case_name=$1
rig_begin "removal_files_$case_name"
source "$RIG_DIR/expect.sh"

case $case_name in
  sample)
    keep_sample_files
    rig_remove
    expect_sample_files_filtered
    ;;
  many_inf)
    key='PCI\VEN_125D&DEV_1969'
    filler=$(head -c 3000 /dev/zero | tr '\0' ';')
    stays=()
    for i in 1 2 3 4 5 6; do
      printf '%s\r\n%%D%%=ZM640, %s\r\n' "$filler" "$key" >"$INF/LONG$i.INF"
      printf '[Version]\r\n' >"$INF/SHORT$i.INF"
      : >"$INF/EMPTY$i.INF"
      stays+=("$INF/SHORT$i.INF" "$INF/EMPTY$i.INF")
    done
    # Across the 1024-character block boundary, after a NUL, in a lower-case name.
    { head -c 1014 /dev/zero | tr '\0' x; printf '%s\r\n' "$key"; } >"$INF/BOUNDARY.INF"
    printf 'abc\0def %s\r\n' "$key" >"$INF/NULBYTE.INF"
    printf '%s\r\n' "$key" >"$INF/OTHER/lower.inf"
    printf '%s\r\n' "$key" >"$INF/HIDDEN.INF"
    wine attrib +h +s 'C:\windows\INF\HIDDEN.INF' >/dev/null 2>&1 </dev/null
    wine attrib 'C:\windows\INF\HIDDEN.INF' 2>/dev/null </dev/null | grep -q 'H' ||
      rig_fail "could not make HIDDEN.INF hidden"
    printf 'x\x1a%s\r\n' "$key" >"$INF/AFTERZ.INF"           # after the end mark: stays
    printf 'pci\\ven_125d&dev_1969\r\n' >"$INF/CASE.INF"     # other case: stays
    printf '%s\r\n' "$key" >"$INF/READONLY.INF"
    chmod a-w "$INF/READONLY.INF"                             # Windows refuses to delete it
    stays+=("$INF/AFTERZ.INF" "$INF/CASE.INF" "$INF/READONLY.INF")
    keep_copies "${stays[@]}"
    rig_remove
    expect_gone "$INF"/LONG?.INF "$INF/BOUNDARY.INF" "$INF/NULBYTE.INF" "$INF/OTHER/lower.inf" \
      "$INF/HIDDEN.INF"
    expect_unchanged "${stays[@]}"
    ;;
  no_other)
    rm -rf "$INF/OTHER"
    rig_remove
    expect_gone "$INF/ZM640.INF"
    expect_bytes "$C/Config.sys" "$CONFIG_AFTER"
    ;;
  edge_lines)
    long=$(head -c 3000 /dev/zero | tr '\0' 'q')
    printf 'device=c:\\es1938.sys\nrem caf\xe9 \xe0 ok\n%s\r\nREM ESSOLO.SYS\r\nlast\x1atrailing' "$long" \
      >"$C/Config.sys"
    rig_remove
    expect_bytes "$C/Config.sys" "$(printf 'rem caf\xe9 \xe0 ok\r\n%s\r\nlast' "$long")"
    ;;
  read_only)
    keep_copies "$C/Config.sys"
    chmod a-w "$C/Config.sys"
    rig_remove
    expect_unchanged "$C/Config.sys"
    expect_bytes "$C/Autoexec.Bat" "$AUTOEXEC_AFTER"
    ;;
  no_dosstart)
    rm "$WIN/DosStart.Bat"
    rig_remove
    expect_gone "$WIN/DosStart.Bat"
    expect_bytes "$C/Autoexec.Bat" "$AUTOEXEC_AFTER"
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
no_temporary_file
echo "PASS: removal_files $case_name"
