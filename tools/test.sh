#!/bin/bash
# Builds everything and runs the whole test suite under Wine.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$here"
"$here/tools/setup.sh"
cmake --preset mingw -S "$here" >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
echo "build: compiling (log: $build/build.log)"
cmake --build --preset mingw >"$build/build.log" 2>&1 || { tail -60 "$build/build.log"; exit 1; }

source "$here/tools/session.sh"
session_start
set +e
ctest --preset mingw "$@"
rc=$?
exit $rc
