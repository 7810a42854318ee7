#!/bin/bash
# Prepares a Debian 12 machine for building and running, one line per stage:
# packages (i386 ones and 32-bit execution included), Scintilla, the private
# Wine prefix and, when asked, the build; each stage's output goes to its log
# in the build folder. Idempotent; quick when everything is already there.
#   setup.sh [tests] [shots] [bench] [--build [BUILD.SH ARGUMENTS]]
# The demo's packages always; the tests', the screenshots' or the
# benchmarks' too when named. The compilers come first: Scintilla and the
# build compile while Wine and the rest install, and the prefix is made
# while they compile. A build of named targets (--target) starts with the
# compilers; the whole build, whose package takes in Scintilla's DLL, once
# Scintilla is built.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$here/tools/debsources.sh"
source "$here/tools/stages.sh"
mkdir -p "$build"

# What the build needs; the tests' build also GoogleTest's sources.
compilers=(cmake make dpkg-dev g++-mingw-w64-i686 mingw-w64-i686-dev)
# What the demo runs on.
runtime=(wine wine32:i386 wine32-preloader:i386 xvfb)
declare -A more=(
  [tests]="socat iptables iproute2 python3 perl unixodbc:i386 odbcinst:i386 libsqliteodbc:i386 postgresql odbc-postgresql:i386"
  [shots]="x11-apps imagemagick"
  [bench]="curl strace python3"
)

missing_packages() {  # PACKAGE...
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep '^install ok installed$' >/dev/null || echo "$p"
  done
}

# Some kernels are built or booted without 32-bit emulation; i386 programs
# (Wine's loader among them) then fail with "Exec format error". qemu-i386
# registered through binfmt_misc runs them instead. Debian 12's own qemu
# (7.2) hands Wine's fault handlers a wrong trap number and loses wakeups,
# so it comes from the release's backports (10.x).
can_run_i386() { "$here/tools/i386-probe" >/dev/null 2>&1; }
qemu_new_enough() { /usr/bin/qemu-i386 --version 2>/dev/null | grep 'version \(9\|[1-9][0-9]\)\.' >/dev/null; }

enable_i386() {
  can_run_i386 && return 0
  echo "this kernel does not run i386 programs: running them through qemu-i386"
  qemu_new_enough || apt_install -t "$(release_codename)-backports" qemu-user
  mountpoint -q /proc/sys/fs/binfmt_misc ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # Replace any older registration (it would keep the old interpreter open).
  if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386; fi
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:POCF' \
    >/proc/sys/fs/binfmt_misc/register
  can_run_i386 || { echo "i386 programs still do not run"; exit 1; }
}

# Every source the set-up needs is added first, for one apt-get update: the
# i386 architecture, the backports (qemu) and the source entries (Scintilla).
prepare_sources() {
  local added=0 codename
  codename=$(release_codename)
  if ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
    dpkg --add-architecture i386
    added=1
  fi
  if ! can_run_i386 && ! qemu_new_enough && ! has_suite deb "$codename-backports"; then
    add_suite deb "$codename-backports"
    added=1
  fi
  if [ ! -s "$build/bin/SCILEXER.DLL" ] && ! has_suite deb-src "$codename"; then
    add_suite deb-src "$codename"
    added=1
  fi
  if [ "$added" = 1 ]; then
    apt_update
    updated=1
  fi
}

# Installs with the indexes at hand; only when that fails (indexes older
# than the mirror) are they fetched anew first.
updated=0
apt_install() {  # [APT-GET OPTION...] PACKAGE...
  apt_pin_stale
  apt-get install -y -q "${apt_pin_opts[@]}" "$@" && return 0
  [ "$updated" = 0 ] || return 1
  echo "installing failed: fetching the package indexes anew" >&2
  apt_update
  updated=1
  apt_pin_stale
  apt-get install -y -q "${apt_pin_opts[@]}" "$@"
}

# A part of the packages stage, run as a process of its own so that `set -e`
# holds; with --sources the first part, which adds the sources.
install_packages() {  # [--sources] PACKAGE...
  export DEBIAN_FRONTEND=noninteractive
  if [ "$1" = --sources ]; then
    shift
    prepare_sources
    # 32-bit execution first: the i386 packages' own install scripts need it.
    enable_i386
  fi
  local missing
  missing=$(missing_packages "$@")
  [ -n "$missing" ] || return 0
  # A package left half-configured by an earlier failed attempt is finished here.
  dpkg --configure -a || true
  apt_install $missing
}

if [ "${1:-}" = --install-packages ]; then
  shift
  install_packages "$@"
  exit
fi

first=("${compilers[@]}") rest=("${runtime[@]}") build_args=() build_wanted=0
while [ $# -gt 0 ]; do
  case $1 in
    tests) first+=(googletest); rest+=(${more[tests]}) ;;
    shots | bench) rest+=(${more[$1]}) ;;
    --build) shift; build_wanted=1; build_args=("$@"); break ;;
    *) echo "usage: setup.sh [tests] [shots] [bench] [--build [BUILD.SH ARGUMENTS]]" >&2; exit 2 ;;
  esac
  shift
done

# However the set-up ends, nothing it started in the background runs on.
prefix_started=0
setup_stop() {
  stage_stop
  if [ "$prefix_started" = 1 ]; then stop_prefix; fi
}
trap setup_stop EXIT
trap 'exit 130' INT TERM HUP

start_build() {
  build_wanted=0
  stage_begin build "$build/build.log"
  stage_bg build "$here/tools/build.sh" "${build_args[@]}"
}

# Scintilla, and the build when it need not wait for it.
start_compiling() {
  if [ ! -s "$build/bin/SCILEXER.DLL" ]; then
    stage_begin Scintilla "$build/scintilla.log"
    stage_bg Scintilla "$here/tools/build-scintilla.sh"
  fi
  if [ "$build_wanted" = 1 ] && { [ -s "$build/bin/SCILEXER.DLL" ] || [[ " ${build_args[*]} " == *" --target "* ]]; }; then
    start_build
  fi
}

if dpkg --print-foreign-architectures | grep -x i386 >/dev/null && can_run_i386 &&
   [ -z "$(missing_packages "${first[@]}" "${rest[@]}")" ]; then
  stage_note packages "installed"
  start_compiling
else
  stage_begin packages "$build/packages.log"
  stage_show packages
  if stage_step packages "$here/tools/setup.sh" --install-packages --sources "${first[@]}"; then
    start_compiling
    stage_bg packages "$here/tools/setup.sh" --install-packages "${rest[@]}"
  fi
  stage_end packages
fi
if [ -f "$WINEPREFIX/.ecr-ready" ]; then
  prefix_note=ready
else
  stage_begin "Wine prefix" "$WINEPREFIX.log"
  prefix_started=1
  stage_bg "Wine prefix" "$here/tools/wineprefix.sh"
fi
if [ -n "${stage_log[Scintilla]:-}" ]; then
  stage_end Scintilla
else
  stage_note Scintilla "built"
fi
if [ "$build_wanted" = 1 ]; then start_build; fi
if [ -n "${prefix_note:-}" ]; then
  stage_note "Wine prefix" "$prefix_note"
else
  stage_end "Wine prefix"
  prefix_started=0
fi
if [ -n "${stage_log[build]:-}" ]; then stage_end build; fi
