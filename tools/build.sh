#!/bin/bash
# Configures and builds into the build folder. Leading -DNAME=VALUE
# arguments go to the configuration, the others to the build (e.g. --target
# VARNESK). A fresh build folder gets no tests unless asked for with
# -DBUILD_TESTING=ON, as tools/test.sh does; a configured one keeps its
# choice. The scripts run it as a stage, with its output in build/build.log.
set -euo pipefail
source "$(dirname "$0")/env.sh"
settings=()
while [[ ${1:-} == -D* ]]; do
  settings+=("$1")
  shift
done
if [ ! -f "$build/CMakeCache.txt" ] && [[ " ${settings[*]} " != *" -DBUILD_TESTING="* ]]; then
  settings+=(-DBUILD_TESTING=OFF)
fi
cmake --preset mingw -S "$here" -B "$build" "${settings[@]}"
cmake --build "$build" -j8 "$@"
