#!/bin/bash
# Prepares a Debian 12 machine for building and testing: packages (i386
# included), 32-bit execution, the private Wine prefix. Idempotent; quick
# when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
log=$build/setup.log
mkdir -p "$build"

say() { echo "setup: $*"; }

packages=(
  cmake make dpkg-dev g++-mingw-w64-i686 mingw-w64-i686-dev googletest
  wine wine32:i386 wine32-preloader:i386 xvfb xauth x11-apps imagemagick socat curl iptables
  unixodbc:i386 odbcinst:i386 libsqliteodbc:i386 postgresql odbc-postgresql:i386
)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

apt_install() {
  apt-get install -y -q "$@" >>"$log" 2>&1 || { tail -20 "$log"; exit 1; }
}

apt_updated=
apt_update() {
  [ -n "$apt_updated" ] && return 0
  apt-get update -q >>"$log" 2>&1
  apt_updated=1
}

# Some kernels are built or booted without 32-bit emulation; i386 programs
# (Wine's loader among them) then fail with "Exec format error". qemu-i386
# registered through binfmt_misc runs them instead. Debian 12's own qemu
# (7.2) hands Wine's fault handlers a wrong trap number and loses wakeups,
# so it comes from bookworm-backports (10.x).
can_run_i386() { "$here/tools/i386-probe" >/dev/null 2>&1; }

enable_i386() {
  can_run_i386 && return 0
  say "this kernel does not run i386 programs: running them through qemu-i386"
  if ! /usr/bin/qemu-i386 --version 2>/dev/null | grep -q 'version \(9\|[1-9][0-9]\)\.'; then
    local bpo=/etc/apt/sources.list.d/bookworm-backports.list
    [ -f "$bpo" ] || echo 'deb http://deb.debian.org/debian bookworm-backports main' >"$bpo"
    apt_updated=
    apt_update
    apt_install -t bookworm-backports qemu-user
  fi
  mountpoint -q /proc/sys/fs/binfmt_misc ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # Replace any older registration (it would keep the old interpreter open).
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:POCF' \
    >/proc/sys/fs/binfmt_misc/register
  can_run_i386 || { say "i386 programs still do not run"; exit 1; }
}

export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; apt_updated=; }
# 32-bit execution first: the i386 packages' own install scripts need it.
enable_i386
missing=$(missing_packages "${packages[@]}")
if [ -n "$missing" ]; then
  say "installing packages (log: $log)"
  apt_update
  # A package left half-configured by an earlier failed attempt is finished here.
  dpkg --configure -a >>"$log" 2>&1 || true
  apt_install "${packages[@]}"
fi

"$here/tools/build-scintilla.sh"
"$here/tools/wineprefix.sh"
