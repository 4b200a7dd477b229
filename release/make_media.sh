#!/usr/bin/env bash
# Makes the release media from the two programs, ZM640.INF and README.TXT: a zip (CPack),
# a 1.44 MB FAT12 floppy image and an ISO 9660 CD image (level 1 names plus
# Joliet), and SHA256SUMS. Every date, and the floppy's serial number, comes
# from SOURCE_DATE_EPOCH (the commit's time), so the same commit gives the
# same bytes.
# usage: make_media.sh NAME STAGE DIST CPACK_CONFIG UNI_EXE UTL_EXE README INF
set -euo pipefail
name=$1 stage=$2 dist=$3 cpack_config=$4
: "${SOURCE_DATE_EPOCH:?}"
export TZ=UTC   # FAT and zip store local times
rm -rf "$stage" "$dist"
mkdir -p "$stage" "$dist"
files=(ZM640UNI.EXE ZM640UTL.EXE README.TXT ZM640.INF)
cp "$5" "$stage/ZM640UNI.EXE"
cp "$6" "$stage/ZM640UTL.EXE"
cp "$7" "$stage/README.TXT"
cp "$8" "$stage/ZM640.INF"
chmod 644 "$stage"/*
chmod 755 "$stage"   # xorriso records the folder's mode
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/* "$stage"   # the folder too: the CD root's date

cpack --config "$cpack_config" -B "$dist/cpack" >"$dist/cpack.log"
mv "$dist/cpack/$name.zip" "$dist/"
rm -rf "$dist/cpack" "$dist/cpack.log"

serial=$(printf '%08X' $((SOURCE_DATE_EPOCH & 0xFFFFFFFF)))
mformat -C -f 1440 -v ZM640 -N "$serial" -i "$dist/$name.img" ::
(cd "$stage" && mcopy -m -i "$dist/$name.img" "${files[@]}" ::)

xorriso -as mkisofs -quiet -iso-level 1 -J -V ZM640 -o "$dist/$name.iso" "$stage" \
  2>"$dist/xorriso.log" || { cat "$dist/xorriso.log" >&2; exit 1; }
rm "$dist/xorriso.log"

(cd "$dist" && sha256sum "$name.zip" "$name.img" "$name.iso" >SHA256SUMS)
