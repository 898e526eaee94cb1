# Sourced by the Wine helper scripts. Sets up the environment of the project's
# dedicated Wine prefix. Inputs: KESTRA_WINEPREFIX (the prefix folder) and
# KESTRA_ARCH, the architecture of the programs it runs and of the prefix:
#   i686    32-bit programs in a 32-bit prefix (WINEARCH=win32)
#   x86_64  64-bit programs in a 64-bit prefix (the test build of machines
#           that cannot execute 32-bit code, see scripts/arch)
#   wow64   32-bit programs in a 64-bit prefix, as 64-bit Windows runs them
#           under WoW64 (the 32-bit registry view, Program Files (x86), SysWOW64)
: "${KESTRA_WINEPREFIX:?KESTRA_WINEPREFIX is not set}"
: "${KESTRA_ARCH:=i686}"

export WINEPREFIX="$KESTRA_WINEPREFIX"
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8   # ANSI and OEM code page 932
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "$KESTRA_ARCH" = x86_64 ] || [ "$KESTRA_ARCH" = wow64 ]; then
  # The 64-bit loader hands a 32-bit program on to the 32-bit one, so both
  # kinds start from here (the prefix's own 64-bit tools as well).
  export WINEARCH=win64
  WINE_LOADER=/usr/lib/wine/wine64
else
  export WINEARCH=win32
  WINE_LOADER=/usr/lib/wine/wine
fi
if [ -x /usr/lib/wine/wineserver64 ]; then WINESERVER=/usr/lib/wine/wineserver64; else WINESERVER=/usr/lib/wine/wineserver32; fi
# Headless unless a caller asks for a display (screenshots).
if [ -z "${KESTRA_DISPLAY:-}" ]; then unset DISPLAY; else export DISPLAY="$KESTRA_DISPLAY"; fi

# The drives every test can rely on (see mkprefix).
KESTRA_DRIVES="$WINEPREFIX/drives"

# Starts the wineserver once, persistent, with its stdio on /dev/null so that it
# never holds a pipe of the process that happened to start it (ctest waits on those).
kestra_ensure_server() {
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
}

# Wine links the user's Desktop, Documents and the like to the host's home
# folder; an installation's desktop shortcut would land there, outside the
# prefix and shared by every prefix of the machine. Plain folders instead (also
# in a prefix made before this rule).
kestra_private_user_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
}

# Creates the prefix on first use. flock -o: the lock is not inherited by the
# daemonised wineserver, which would otherwise hold it for ever.
kestra_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock -o 9
    if [ ! -f "$WINEPREFIX/.kestra-ready" ]; then
      "$(dirname "${BASH_SOURCE[0]}")/mkprefix" >&2
    fi
    kestra_private_user_folders
  ) 9>"$WINEPREFIX.lock"
}
