# Sourced by the scripts under tools/: where things are, and Wine's settings.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$here/build}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Whether Windows programs run through qemu-i386 here: setup.sh registers it
# when the kernel runs no i386 program itself.
i386_emulated() { grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; }

# Ends the prefix's Wine processes and its wineserver and waits for them,
# then the helpers given by pid (Xvfb, socat), then whatever else that
# started with this prefix is still running.
stop_prefix() {  # [pid...]
  wineserver -k >/dev/null 2>&1 || true
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  local pid
  for pid in "$@"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  "$here/tools/leftovers.sh" --kill "$WINEPREFIX" >&2 || true
  wine_server_dir_remove
}

# Wine's server keeps a folder for each prefix under the temporary folder,
# named after the prefix's device and inode, and leaves it (and its lock)
# behind when it ends. Removed once the prefix's server has ended, with the
# folder of all of them when no other prefix has one there.
wine_server_dir_remove() {
  local dev ino dir
  read -r dev ino < <(stat -c '%D %i' "$WINEPREFIX" 2>/dev/null) || return 0
  for dir in "${TMPDIR:-/tmp}"/wine-*/"server-$dev-$(printf %x "$ino")" \
             "/tmp/.wine-$(id -u)/server-$dev-$(printf %x "$ino")"; do
    [ -d "$dir" ] && [ ! -S "$dir/socket" ] || continue
    rm -rf "$dir"
    rmdir "${dir%/*}" 2>/dev/null || true
  done
}
