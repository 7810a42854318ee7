#!/bin/bash
# Builds everything and runs the whole test suite under Wine: one line per
# stage, then ctest's report. Arguments go to ctest (e.g. -R tftp).
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$here/tools/stages.sh"
cd "$here"
# ctest's preset runs the tests of the preset's folder.
if [ "$build" != "$here/build" ]; then
  echo "test.sh: the tests run in $here/build; BUILD_DIR serves the other scripts"
  exit 2
fi
"$here/tools/setup.sh" tests --build -DBUILD_TESTING=ON
source "$here/tools/session.sh"
session_start >"$build/session.log" 2>&1
session_postgres >>"$build/session.log" 2>&1
stage lanes "$build/lanes.log" lanes_start
echo "tests         (ctest; the output of a test that fails follows it)"
set +e
ctest --preset mingw "$@"
