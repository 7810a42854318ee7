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
wineboot -i >"$build/wineboot.log" 2>&1 || { tail -20 "$build/wineboot.log"; exit 1; }
timeout 300 wineserver -w || wineserver -k
touch "$WINEPREFIX/.ecr-ready"
