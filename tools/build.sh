#!/bin/bash
# Configures and builds everything into the build folder; extra arguments go
# to the build (e.g. --target VARNESK). The scripts run it as a stage, with
# its output in build/build.log.
set -euo pipefail
source "$(dirname "$0")/env.sh"
cmake --preset mingw -S "$here" -B "$build"
cmake --build "$build" -j8 "$@"
