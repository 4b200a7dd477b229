# Running 32-bit x86 Linux programs, which Wine is made of. A host whose kernel
# runs them needs nothing; elsewhere (many VMs and containers today) they run
# under qemu's i386 user-mode emulation, registered with binfmt_misc.
# Sourced by scripts/setup, scripts/main-job and the Wine rig.
#
# ZM_I386 chooses: auto (default: native where the host can, else emulated),
# emulated (force the emulation, on any host), native (remove our emulation).

I386_BINFMT=/proc/sys/fs/binfmt_misc
I386_ENTRY=qemu-i386
I386_QEMU=/usr/bin/qemu-i386
# An i386 ELF executable: class 32-bit, little-endian, type EXEC or DYN, machine 3.
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# Wine's server built for the host, of the same Wine release (scripts/setup
# adds it where the programs are emulated): see i386_install_wineserver.
I386_WINESERVER=/usr/local/lib/zm640/wineserver64
# Wine's loader at a fixed address, where Wine's own is position-independent
# (scripts/wine_loader.c says why); two levels below /usr, as Wine's own is,
# since Wine finds its data (../../share/wine) and its server from there.
I386_LOADER_DIR=/usr/lib/zm640
I386_HELP="This host cannot run 32-bit x86 programs, which Wine needs."
I386_HELP+=" To emulate them, run scripts/setup as root (or as a user who may sudo)"
I386_HELP+=" where binfmt_misc can be mounted and written: a VM, or a privileged container."

i386_sudo() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

# i386_runs: true when an i386 program really runs here and says what it is.
i386_runs() {
  [[ -x /lib/ld-linux.so.2 ]] || return 1
  [[ $(/lib/ld-linux.so.2 --version 2>/dev/null </dev/null | head -n 1) == ld.so* ]]
}

# i386_entries: the enabled binfmt_misc entries that take i386 programs.
i386_entries() {
  local entry
  for entry in "$I386_BINFMT"/*; do
    [[ -f $entry && $entry != */register && $entry != */status ]] || continue
    grep -qx enabled "$entry" 2>/dev/null || continue
    # Bytes 18-19 of the magic are the ELF machine: 03 00 is i386.
    grep -qE '^magic 7f454c4601.{26}0300' "$entry" && echo "$entry"
  done
  return 0
}

# i386_mode: native, emulated (qemu VERSION) or none.
i386_mode() {
  local entries
  if ! i386_runs; then echo none; return; fi
  entries=$(i386_entries)
  if [[ -z $entries ]]; then echo native; return; fi
  echo "emulated ($(sed -n 's/^interpreter //p' $entries | head -n 1 | xargs -r basename)" \
       "$("$I386_QEMU" --version 2>/dev/null | sed -n '1s/.*version \([0-9.]*\).*/\1/p'))"
}

# i386_unregister: removes every entry that takes i386 programs.
i386_unregister() {
  local entry
  for entry in $(i386_entries); do
    echo -1 | i386_sudo tee "$entry" >/dev/null
  done
}

# i386_install_qemu: qemu-user 10 or later, from the release's backports
# suite when the release itself has an older one (7.2 cannot run wineboot).
i386_install_qemu() {
  local major
  major=$("$I386_QEMU" --version 2>/dev/null | sed -n '1s/.*version \([0-9]*\)\..*/\1/p')
  [[ ${major:-0} -ge 10 ]] && return 0
  local codename suite=() candidate
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  candidate=$(apt-cache policy qemu-user 2>/dev/null | sed -n 's/^ *Candidate: [0-9]*:\{0,1\}\([0-9]*\)\..*/\1/p')
  if [[ ${candidate:-0} -lt 10 ]]; then
    i386_add_backports "$codename" || return 1
    suite=(-t "$codename-backports")
  fi
  echo "Installing qemu-user ${suite[*]:+from ${suite[1]}} for i386 emulation"
  i386_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${suite[@]}" qemu-user >/dev/null || return 1
}

# i386_add_backports CODENAME: the backports suite on the mirror this machine
# already uses for CODENAME, taken from its own apt sources.
i386_add_backports() {
  local codename=$1 list=/etc/apt/sources.list.d/zm640-backports.sources mirror keyring
  [[ -f $list ]] && return 0
  read -r mirror keyring < <(i386_mirror "$codename")
  [[ -n $mirror ]] || { echo "No apt source for $codename to take a mirror from." >&2; return 1; }
  printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\n%s' \
    "$mirror" "$codename" "${keyring:+Signed-By: $keyring
}" | i386_sudo tee "$list" >/dev/null
  # A mirror in mid-sync may serve one stale index; the others still hold.
  i386_sudo apt-get update -qq ||
    echo "apt-get update reported errors; installing from the lists it has." >&2
}

# i386_mirror CODENAME: "URI [KEYRING]" of the first apt source serving CODENAME's main suite.
i386_mirror() {
  local codename=$1
  {
    # deb822 sources: one stanza per paragraph.
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v want="$codename" '
      function flush() { if (deb && suite && uri != "" && !done) { print uri, key; done = 1 }
                         deb = suite = 0; uri = key = "" }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { deb = ($0 ~ /(^|[ \t])deb([ \t]|$)/) }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == want) suite = 1 }
      /^Signed-By:/ { key = $2 }
      END { flush() }'
    # One-line sources: deb [options] URI SUITE COMPONENTS...
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -E 's/\[[^]]*\]//' | awk -v want="$codename" '$1 == "deb" && $3 == want { print $2; exit }'
  } | head -n 1
}

# i386_register: binfmt_misc mounted, every other i386 entry gone, ours with
# flag F (the interpreter opened now, so it works inside any mount namespace).
i386_register() {
  if [[ ! -e $I386_BINFMT/register ]]; then
    i386_sudo mount -t binfmt_misc binfmt_misc "$I386_BINFMT" 2>/dev/null ||
      { echo "binfmt_misc cannot be mounted here." >&2; return 1; }
  fi
  local entry=$I386_BINFMT/$I386_ENTRY
  if [[ -f $entry ]] && grep -qx "interpreter $I386_QEMU" "$entry" && grep -q '^flags: .*F' "$entry" &&
     [[ $(i386_entries) == "$entry" ]]; then
    return 0
  fi
  i386_unregister
  [[ -f $entry ]] && { echo -1 | i386_sudo tee "$entry" >/dev/null; }
  printf ':%s:M::%s:%s:%s:F' "$I386_ENTRY" "$I386_MAGIC" "$I386_MASK" "$I386_QEMU" |
    i386_sudo tee "$I386_BINFMT/register" >/dev/null 2>&1 ||
    { echo "binfmt_misc does not take new entries here." >&2; return 1; }
}

# i386_setup: makes i386 programs run as ZM_I386 asks; prints the reason and
# fails when they cannot.
i386_setup() {
  case ${ZM_I386:-auto} in
    native)
      [[ -d $I386_BINFMT ]] && i386_unregister
      [[ -z $(i386_entries) ]] || { echo "ZM_I386=native: the emulation could not be removed." >&2; return 1; }
      i386_runs || { echo "ZM_I386=native: $I386_HELP" >&2; return 1; } ;;
    auto)
      if i386_runs; then
        # Emulated already (by this host, or by the host of this Debian root):
        # Wine's server for the host still saves a fifth of every test.
        [[ -z $(i386_entries) ]] || i386_emulation_helpers
        return
      fi
      i386_emulate ;;
    emulated)
      i386_emulate ;;
    *)
      echo "ZM_I386 must be auto, emulated or native, not '$ZM_I386'." >&2; return 1 ;;
  esac
}

i386_emulate() {
  if i386_install_qemu && i386_register && i386_runs; then
    i386_emulation_helpers
    return
  fi
  echo "$I386_HELP" >&2
  return 1
}

# i386_emulation_helpers: what emulated Wine needs beside qemu: its server as
# built for the host (faster), and for Wine 10 a loader of fixed address.
i386_emulation_helpers() {
  i386_install_wineserver ||
    echo "Wine's server for the host could not be added: Wine's emulated one serves (slower)." >&2
  i386_install_loader
}

# i386_install_wineserver: Wine's server as built for the host, in
# I386_WINESERVER, taken from the wine64 package of the installed Wine's own
# version (the server alone, none of its 64-bit libraries). It serves 32-bit
# programs as the 32-bit one does; emulated, every Wine call costs less.
i386_install_wineserver() {
  local version work status=0
  version=$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null) || return 1
  [[ -x $I386_WINESERVER && $(cat "$I386_WINESERVER.version" 2>/dev/null) == "$version" ]] && return 0
  work=$(mktemp -d)
  chmod 755 "$work"   # apt downloads as its own user
  { (cd "$work" && apt-get download -qq "wine64=$version" >/dev/null 2>&1) &&
    dpkg-deb -x "$work"/wine64_*.deb "$work/files" &&
    i386_sudo install -D -m 755 "$work/files/usr/lib/wine/wineserver64" "$I386_WINESERVER" &&
    echo "$version" | i386_sudo tee "$I386_WINESERVER.version" >/dev/null; } || status=1
  rm -rf "$work"
  return $status
}

# i386_install_loader: where the installed Wine's loader is position-independent
# (its ELF type, byte 16, is 3), qemu-user loads it at 0x400000, where Windows
# programs without relocations must load: our loader of fixed address, in
# I386_LOADER_DIR, with "wine" commands in its bin/ that start it (the rig
# puts them first in PATH under emulation). Gone again where it is not needed.
i386_install_loader() {
  local source version work status=0
  source=$(dirname "${BASH_SOURCE[0]}")/wine_loader.c
  if [[ $(od -An -tu1 -j16 -N1 /usr/lib/wine/wine 2>/dev/null | tr -d ' ') != 3 ]]; then
    [[ ! -e $I386_LOADER_DIR ]] || i386_sudo rm -rf "$I386_LOADER_DIR"
    return 0
  fi
  version="$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null) $(md5sum <"$source" | cut -d' ' -f1)"
  [[ -x $I386_LOADER_DIR/wine && $(cat "$I386_LOADER_DIR/version" 2>/dev/null) == "$version" ]] && return 0
  dpkg-query -W -f='${Status}' gcc-multilib 2>/dev/null | grep -q 'ok installed' ||
    i386_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq gcc-multilib >/dev/null || return 1
  work=$(mktemp -d)
  local server=$I386_WINESERVER
  [[ -x $server ]] || server=/usr/lib/wine/wineserver
  printf '#!/bin/sh\nexport WINELOADER=%s/wine\n[ -n "$WINEDEBUG" ] || export WINEDEBUG=fixme-all\nexec %s/wine "$@"\n' \
    "$I386_LOADER_DIR" "$I386_LOADER_DIR" >"$work/wine.sh"
  { gcc -m32 -O2 -no-pie -o "$work/wine" "$source" &&
    i386_sudo install -D -m 755 "$work/wine" "$I386_LOADER_DIR/wine" &&
    i386_sudo install -D -m 755 "$work/wine.sh" "$I386_LOADER_DIR/bin/wine" &&
    i386_sudo install -m 755 "$work/wine.sh" "$I386_LOADER_DIR/bin/wine-stable" &&
    i386_sudo ln -sfn "$server" "$I386_LOADER_DIR/wineserver" &&
    echo "$version" | i386_sudo tee "$I386_LOADER_DIR/version" >/dev/null; } || status=1
  rm -rf "$work"
  [[ $status -eq 0 ]] || echo "Wine's loader of fixed address could not be built." >&2
  return $status
}
