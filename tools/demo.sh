#!/bin/bash
# The main job: builds everything and runs it against a register on loopback.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$here"
"$here/tools/setup.sh"
cmake --preset mingw >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
echo "build: compiling (log: $build/build.log)"
cmake --build --preset mingw >"$build/build.log" 2>&1 || { tail -60 "$build/build.log"; exit 1; }

source "$here/tools/session.sh"
session_start
"$here/tools/winerun" "$build/bin/ecrdemo.exe" 127.0.0.1
