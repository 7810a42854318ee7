#!/bin/bash
# Creates the private 32-bit Wine prefix once.
set -euo pipefail
source "$(dirname "$0")/env.sh"
if [ -f "$WINEPREFIX/.ecr-ready" ]; then
  exit 0
fi
echo "setup: creating the Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
# Under emulation and load a first boot now and then ends with an error and
# nothing said: it is tried once more on a fresh prefix.
for try in 1 2; do
  wineboot -i >"$build/wineboot.log" 2>&1 && break
  [ "$try" = 2 ] && { tail -20 "$build/wineboot.log"; exit 1; }
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
done
timeout 300 wineserver -w || wineserver -k
touch "$WINEPREFIX/.ecr-ready"
