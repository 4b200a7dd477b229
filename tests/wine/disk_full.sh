#!/usr/bin/env bash
# The removal on a nearly full disk: drive C:'s root, with the startup files,
# the Windows directory's WinInit.INI and DosStart.Bat and the INF folders
# (where EraseMe.Now is written), lies on a size-limited tmpfs (4 KiB pages)
# filled so that FREE pages are left; everything else of the drive links
# back to the prefix. After Yes every line of the user's and of other
# software is on the disk in a complete file; after the next start other
# software's queued entries have been carried out.
# usage: disk_full.sh CASE FREE
#   CASE config:  a Config.sys of 7,824 bytes with bare LF line ends (it grows when rewritten)
#        wininit: a WinInit.INI whose [rename] section of 115 entries is followed by [CombineVxDs]
set -euo pipefail
# Mounting needs root; elsewhere a user and mount namespace of our own gives it.
if [[ $(id -u) -ne 0 && -z ${ZM_UNSHARED:-} ]] && unshare -rm true 2>/dev/null; then
  exec env ZM_UNSHARED=1 unshare -rm -- "$0" "$@"
fi
source "$(dirname "$0")/rig.sh"
case_name=$1 free=$2
rig_begin "disk_full_${case_name}_$free"

DISK=$T/disk
mkdir -p "$DISK"
if ! mount -t tmpfs -o size=2m,mode=755 zm640disk "$DISK" 2>"$T/mount.err"; then
  echo "SKIPPED: no size-limited file system can be mounted here: $(cat "$T/mount.err")" >&2
  exit "$RIG_SKIP"
fi
disk_end() {
  local status=$?
  rig_stop
  umount -l "$DISK" 2>/dev/null || true
  (exit "$status")
  rig_end
}
trap disk_end EXIT

c=$PFX/drive_c
# farm FROM TO REAL...: TO holds a link to each entry of FROM, but a copy of each REAL one.
farm() {
  local from=$1 to=$2 entry name
  shift 2
  mkdir -p "$to"
  for entry in "$from"/*; do
    name=${entry##*/}
    if [[ " $* " == *" $name "* ]]; then
      [[ -d $entry ]] || cp -p "$entry" "$to/$name"
    else
      ln -s "$entry" "$to/$name"
    fi
  done
}

# The case's files, as other software and the user left them. Each is sized
# so that its new text takes one page more than it does.
others=()
case $case_name in
  config)
    # 7,824 bytes in LF line ends: 8,257 once rewritten in CR LF.
    python3 - "$c/Config.sys" <<'EOF2'
import sys
text = "".join("rem user %06d\n" % i for i in range(480))
text += "DEVICE=C:\\ES1938.SYS /A:220\ndevice=c:\\essolo.sys\nFILES=40\n"
text += "rem " + "x" * (7824 - len(text) - 5) + "\n"
open(sys.argv[1], "w", newline="").write(text)
EOF2
    ;;
  wininit)
    # 3,961 bytes: 4,197 with the seven lines.
    mkdir -p "$c/OTHER"
    for i in $(seq -f %03g 1 115); do
      printf 'temp\r\n' >"$c/OTHER/SETUP$i.TMP"
      others+=("$c/OTHER/SETUP$i.TMP")
    done
    python3 - "$c/windows/WinInit.INI" <<'EOF2'
import sys
text = "[rename]\r\n" + "".join("NUL=C:\\OTHER\\SETUP%03d.TMP\r\n" % i for i in range(1, 116))
text += "\r\n[CombineVxDs]\r\n" + "".join("C:\\WINDOWS\\SYSTEM\\VMM32\\V%03d.VXD=1\r\n" % i
                                          for i in range(22))
text += "; " + "x" * (3961 - len(text) - 4) + "\r\n"
open(sys.argv[1], "w", newline="").write(text)
EOF2
    ;;
  *) rig_fail "unknown case $case_name" ;;
esac
cp -p "$c/Config.sys" "$T/Config.before"
cp -p "$c/windows/WinInit.INI" "$T/WinInit.before" 2>/dev/null || true

farm "$c" "$DISK" Config.sys Autoexec.Bat windows
farm "$c/windows" "$DISK/windows" WinInit.INI DosStart.Bat INF
farm "$c/windows/INF" "$DISK/windows/INF" OTHER
mkdir -p "$DISK/windows/INF/OTHER"
cp -p "$c/windows/INF/OTHER/"* "$DISK/windows/INF/OTHER/"
ln -sfn "$DISK" "$PFX/dosdevices/c:"

# Fill the disk: every page taken, then FREE pages given back.
dd if=/dev/zero of="$DISK/FILLER.BIN" bs=4096 2>/dev/null || true
truncate -s "-$((free * 4096))" "$DISK/FILLER.BIN"
expect_eq "free pages" "$(stat -f -c %a "$DISK")" "$free"
wc -c "$c/Config.sys" "$c/windows/WinInit.INI" 2>/dev/null | sed 's/^/before: /' || true

rig_remove
D=$DISK W=$DISK/windows

# The complete texts a file may hold, and the check that each line is kept.
python3 - "$T" "$D" "$W" "$case_name" <<'EOF' || rig_fail "a file of the user or of other software was not kept whole"
import os, sys
t, d, w, case = sys.argv[1:]
def read(path):
    try:
        return open(path, "rb").read()
    except FileNotFoundError:
        return None
def filtered(text, keys):
    lines = text.replace(b"\r\n", b"\n").split(b"\x1a")[0].splitlines(keepends=True)
    out = b""
    for line in lines:
        upper = bytes(c - 32 if 97 <= c <= 122 else c for c in line)
        if not any(k in upper for k in keys):
            out += line.replace(b"\n", b"\r\n")
    return out
config = read(f"{t}/Config.before")
config_texts = {config, filtered(config, [b"ES1938.SYS"]), filtered(config, [b"ESSOLO.SYS"]),
                filtered(config, [b"ES1938.SYS", b"ESSOLO.SYS"])}
lines = b"".join(b"NUL=C:\\windows\\system32\\%s\r\n" % n for n in
                 [b"ES1938.drv", b"Esfm.drv", b"Essmpu.drv", b"Essswt.drv", b"Essolo.drv"])
lines += b"NUL=C:\\windows\\ZM640UTL.exe\r\nNUL=C:\\windows\\ZM640UNI.exe\r\n"
wininit = read(f"{t}/WinInit.before")
if wininit is None:
    wininit_texts = {None, b"\r\n[Rename]\r\n" + lines}
else:
    at = wininit.find(b"\r\n\r\n[CombineVxDs]") + 2
    wininit_texts = {wininit, wininit[:at] + lines + wininit[at:]}
copies = [read(p) for p in (f"{w}/INF/OTHER/EraseMe.Now", f"{w}/EraseMe.Now")]
ok = True
for name, path, texts in (("Config.sys", f"{d}/Config.sys", config_texts),
                          ("WinInit.INI", f"{w}/WinInit.INI", wininit_texts)):
    now = read(path)
    if now is None and now in texts:
        print(f"{name}: absent, as it was")
    elif now in texts:
        state = "as it was" if now in (config, wininit) else "rewritten"
        print(f"{name}: complete, {len(now)} bytes, {state}")
    elif any(c is not None and c in texts for c in copies):
        print(f"{name}: {len(now or b'')} bytes; its complete new text is kept beside it")
    else:
        print(f"{name}: {len(now or b'')} bytes, not whole, and no complete copy on the disk")
        ok = False
sys.exit(0 if ok else 1)
EOF

if [[ $case_name == wininit ]]; then
  # The next start carries out WinInit.INI: other software's entries too.
  rig_next_start
  for f in "${others[@]}"; do [[ ! -e $f ]] || rig_fail "other software's queued ${f##*/} is still there"; done
  [[ -e $W/wininit.bak ]] || rig_fail "the next start did not carry out WinInit.INI"
fi
echo "PASS: disk_full $case_name with $free free pages"
