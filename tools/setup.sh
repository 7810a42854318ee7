#!/bin/bash
# Prepares a Debian 12 machine for building and testing, one line per stage:
# packages (i386 ones and 32-bit execution included), Scintilla, the private
# Wine prefix; each stage's output goes to its log in the build folder.
# Idempotent; quick when everything is already there.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$here/tools/debsources.sh"
source "$here/tools/stages.sh"
mkdir -p "$build"

packages=(
  cmake make dpkg-dev g++-mingw-w64-i686 mingw-w64-i686-dev googletest
  wine wine32:i386 wine32-preloader:i386 xvfb xauth x11-apps imagemagick socat curl iptables
  unixodbc:i386 odbcinst:i386 libsqliteodbc:i386 postgresql odbc-postgresql:i386
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep '^install ok installed$' >/dev/null || echo "$p"
  done
}

# Some kernels are built or booted without 32-bit emulation; i386 programs
# (Wine's loader among them) then fail with "Exec format error". qemu-i386
# registered through binfmt_misc runs them instead. Debian 12's own qemu
# (7.2) hands Wine's fault handlers a wrong trap number and loses wakeups,
# so it comes from the release's backports (10.x).
can_run_i386() { "$here/tools/i386-probe" >/dev/null 2>&1; }

enable_i386() {
  can_run_i386 && return 0
  echo "this kernel does not run i386 programs: running them through qemu-i386"
  if ! /usr/bin/qemu-i386 --version 2>/dev/null | grep 'version \(9\|[1-9][0-9]\)\.' >/dev/null; then
    local backports
    backports=$(release_codename)-backports
    has_suite deb "$backports" || add_suite deb "$backports"
    apt_update
    apt-get install -y -q "${apt_pin_opts[@]}" -t "$backports" qemu-user
  fi
  mountpoint -q /proc/sys/fs/binfmt_misc ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # Replace any older registration (it would keep the old interpreter open).
  if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386; fi
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:POCF' \
    >/proc/sys/fs/binfmt_misc/register
  can_run_i386 || { echo "i386 programs still do not run"; exit 1; }
}

# The packages stage, run as a process of its own so that `set -e` holds.
install_packages() {
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
    dpkg --add-architecture i386
    apt_update
  fi
  # 32-bit execution first: the i386 packages' own install scripts need it.
  enable_i386
  if [ -n "$(missing_packages)" ]; then
    apt_update
    # A package left half-configured by an earlier failed attempt is finished here.
    dpkg --configure -a || true
    apt-get install -y -q "${apt_pin_opts[@]}" "${packages[@]}"
  fi
}

if [ "${1:-}" = --install-packages ]; then
  install_packages
  exit
fi

if dpkg --print-foreign-architectures | grep -x i386 >/dev/null && can_run_i386 &&
   [ -z "$(missing_packages)" ]; then
  stage_note packages "installed"
else
  stage packages "$build/packages.log" "$here/tools/setup.sh" --install-packages
fi
if [ -s "$build/bin/SCILEXER.DLL" ]; then
  stage_note Scintilla "built"
else
  stage Scintilla "$build/scintilla.log" "$here/tools/build-scintilla.sh"
fi
if [ -f "$WINEPREFIX/.ecr-ready" ]; then
  stage_note "Wine prefix" "ready"
else
  stage "Wine prefix" "$build/wineprefix.log" "$here/tools/wineprefix.sh"
fi
