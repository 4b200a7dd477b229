#!/usr/bin/env bash
# Lays out the files of the sample Windows 98 system, the card's driver
# installed, in the drive C: of a Wine prefix.
# usage: lay_out.sh DRIVE_C
set -euo pipefail
c=$1
win=$c/windows
sys=$win/system32   # Wine's system directory, whatever Windows version it plays
mkdir -p "$win/INF/OTHER" "$sys"

crlf() { printf '%s\r\n' "$@"; }
blob() { printf '%s driver image\r\n' "$2" >"$1"; }

# The fourteen files deleted at once, and the five drivers queued for the next boot.
for f in es1938.vxd essdm.vxd essswt.vxd essolo.vxd es1938mg.vxd \
         ES1938.drv Esfm.drv Essmpu.drv Essswt.drv Essolo.drv; do blob "$sys/$f" "$f"; done
for f in Essswt.dat Essswt.dls Essswt3M.dls Essswt1M.dls; do blob "$win/$f" "$f"; done
for f in Es1938.com Essolo.com Es1938.sys Essolo.sys Es1938.ini; do blob "$c/$f" "$f"; done
# Neighbours with near names that must stay.
blob "$sys/es1938.vx_" es1938.vx_
blob "$sys/sb16.vxd" sb16.vxd
blob "$sys/Essolo.dr_" Essolo.dr_
blob "$win/Essswt.bak" Essswt.bak
blob "$c/Es1938.txt" Es1938.txt

# Kept lines come back byte for byte: Shift-JIS text whose trail bytes are
# a to z, LOADLIN's case-sensitive arguments, mixed-case ECHO and SET.
crlf "DEVICE=C:\\WINDOWS\\HIMEM.SYS" \
     $'REM \x83\x65\x83\x58\x83\x67' \
     "DEVICE=C:\\ES1938.SYS /A:220 /I:5" \
     "rem device=c:\\essolo.sys is the card's driver" \
     "DEVICE=C:\\WINDOWS\\EMM386.EXE NOEMS" \
     "FILES=40" >"$c/Config.sys"
crlf "@ECHO OFF" \
     "PROMPT \$p\$g" \
     "path c:\\windows;c:\\dos" \
     "C:\\Es1938.com /Q" \
     "LH C:\\ESSOLO.COM" \
     "SET BLASTER=A220 I5 D1" \
     "Set Temp=C:\\Windows\\Temp" >"$c/Autoexec.Bat"
crlf "@echo off" \
     "c:\\es1938.com" \
     "c:\\mouse\\mouse.com" \
     "Echo Starting Linux" \
     "loadlin c:\\linux\\vmlinuz root=/dev/hda2 ro" >"$win/DosStart.Bat"

# INF files: some name the card, others do not.
crlf "[Version]" "Signature=\$CHICAGO\$" "[Manufacturer]" "%ZM%=ZM640" \
     "[ZM640]" "%ZM640.DeviceDesc%=SoloA_Device, PCI\\VEN_125D&DEV_1969" >"$win/INF/ZM640.INF"
crlf "[Version]" "Signature=\$CHICAGO\$" "[ZM640]" \
     "%Gameport%=MSJSTICK, PCI\\VEN_125D&DEV_1969&SUBSYS_8888125D" >"$win/INF/OTHER/ZMGAME.INF"
crlf "[Version]" "Signature=\$CHICAGO\$" "; pci\\ven_125d&dev_1969 in lower case does not count" \
     >"$win/INF/LOWER.INF"
crlf "[Version]" "Signature=\$CHICAGO\$" "[Manufacturer]" "%MS%=Microsoft" >"$win/INF/MACHINE.INF"
crlf "[Version]" "Signature=\$CHICAGO\$" "%SB16%=SB16, ISAPNP\\CTL0031" >"$win/INF/OTHER/SB16.INF"
