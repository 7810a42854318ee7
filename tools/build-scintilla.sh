#!/bin/bash
# Builds the Scintilla editing component (with Lexilla's lexers) from
# Debian's scite source as one DLL, build/bin/SCILEXER.DLL. Idempotent:
# nothing happens when the DLL is already there. Source and DLL are never
# committed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=$build/bin/SCILEXER.DLL
[ -s "$out" ] && exit 0
src=$build/scintilla
mkdir -p "$src" "$build/bin"

sources=/etc/apt/sources.list.d/debian.sources
if [ -f "$sources" ] && ! grep -q '^Types:.*deb-src' "$sources"; then
  sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  apt-get update -q >/dev/null
fi
cd "$src"
if [ ! -d tree ]; then
  ls scite_*.orig.tar.* >/dev/null 2>&1 || apt-get source --download-only scite >/dev/null
  rm -rf tree.tmp && mkdir tree.tmp
  tar -xf "$(ls scite_*.orig.tar.* | head -1)" -C tree.tmp
  mv tree.tmp tree
fi
top=$(dirname "$(find "$src/tree" -maxdepth 3 -type d -path '*scintilla/win32' | head -1)")
top=$(dirname "$top")
tools=(CXX=i686-w64-mingw32-g++-posix CC=i686-w64-mingw32-gcc-posix
       WINDRES=i686-w64-mingw32-windres AR=i686-w64-mingw32-ar RANLIB=i686-w64-mingw32-ranlib)
make -C "$top/scintilla/win32" "${tools[@]}" -j8 >/dev/null
make -C "$top/lexilla/src" "${tools[@]}" -j8 >/dev/null
# Linked beside and moved into place: an interrupted link leaves no DLL
# that a later run would take as built.
i686-w64-mingw32-g++-posix -shared -static -s -Wl,--kill-at -o "$out.tmp" \
  "$top/scintilla/win32/ScintillaDLL.o" \
  -Wl,--whole-archive "$top/lexilla/bin/liblexilla.a" -Wl,--no-whole-archive \
  "$top/scintilla/bin/libscintilla.a" \
  -lgdi32 -luser32 -limm32 -lole32 -luuid -loleaut32 -lmsimg32
mv "$out.tmp" "$out"
echo "build-scintilla: $out"
