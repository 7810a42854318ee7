#!/bin/bash
# Creates the private 32-bit Wine prefix once (WINEPREFIX, as env.sh sets
# it). Run by setup.sh, which keeps what Wine prints in its log.
set -euo pipefail
source "$(dirname "$0")/env.sh"
if [ -f "$WINEPREFIX/.ecr-ready" ]; then
  exit 0
fi
echo "creating the Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
# Under emulation and load a first boot now and then ends with an error and
# nothing said: it is tried once more on a fresh prefix.
for try in 1 2; do
  wineboot -i && break
  echo "wineboot failed (try $try)"
  wineserver -k 2>/dev/null || true
  [ "$try" = 2 ] && exit 1
  rm -rf "$WINEPREFIX"
done
timeout 300 wineserver -w || wineserver -k
wine_server_dir_remove
touch "$WINEPREFIX/.ecr-ready"
