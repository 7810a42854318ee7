#!/bin/bash
# Builds the Scintilla editing component (with Lexilla's lexers) from
# Debian's scite source as one DLL, build/bin/SCILEXER.DLL. Idempotent:
# nothing happens when the DLL is already there. Source and DLL are never
# committed. Run by setup.sh, which keeps the compilers' output in its log.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=$build/bin/SCILEXER.DLL
[ -s "$out" ] && exit 0
src=$build/scintilla
mkdir -p "$src" "$build/bin"

cd "$src"
if [ ! -d tree ]; then
  # The source package comes from the release's own deb-src entry, fetched
  # afresh whenever the tree is not there: an archive that a stopped run
  # cut short, or one of an older release, is never unpacked.
  source "$here/tools/debsources.sh"
  codename=$(release_codename)
  if ! has_suite deb-src "$codename"; then
    add_suite deb-src "$codename"
    apt_update
  fi
  rm -f scite_*
  apt-get source --download-only scite
  rm -rf tree.tmp && mkdir tree.tmp
  tar -xf "$(ls scite_*.orig.tar.* | head -1)" -C tree.tmp
  mv tree.tmp tree
fi
top=$(dirname "$(find "$src/tree" -maxdepth 3 -type d -path '*scintilla/win32' | head -1)")
top=$(dirname "$top")
tools=(CXX=i686-w64-mingw32-g++-posix CC=i686-w64-mingw32-gcc-posix
       WINDRES=i686-w64-mingw32-windres AR=i686-w64-mingw32-ar RANLIB=i686-w64-mingw32-ranlib)
make -C "$top/scintilla/win32" "${tools[@]}" -j8
make -C "$top/lexilla/src" "${tools[@]}" -j8
# Linked beside and moved into place: an interrupted link leaves no DLL
# that a later run would take as built.
i686-w64-mingw32-g++-posix -shared -static -s -Wl,--kill-at -o "$out.tmp" \
  "$top/scintilla/win32/ScintillaDLL.o" \
  -Wl,--whole-archive "$top/lexilla/bin/liblexilla.a" -Wl,--no-whole-archive \
  "$top/scintilla/bin/libscintilla.a" \
  -lgdi32 -luser32 -limm32 -lole32 -luuid -loleaut32 -lmsimg32
mv "$out.tmp" "$out"
echo "build-scintilla: $out"
