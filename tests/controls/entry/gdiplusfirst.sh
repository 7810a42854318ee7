#!/bin/bash
# Runs the GDI+ host of Corvex.dll with Wine's GDI+ trace on and checks, in
# the order the calls reached GDI+, that GdiplusStartup came before the
# host's own GDI+ call: GDI+ runs once CorvexInit has returned. Several
# rounds, as the library's own start thread runs beside the host.
# Usage: gdiplusfirst.sh <winerun> <host.exe> <log folder>
set -u
run=$1 host=$2 logs=$3
mkdir -p "$logs"
for round in 1 2 3; do
  log=$logs/gdiplusfirst.$round.log
  WINEDEBUG=trace+gdiplus "$run" "$host" >/dev/null 2>"$log"
  code=$?
  if [ "$code" != 0 ]; then
    echo "round $round: the host's GDI+ call answered $code (expected 0)"; exit 1
  fi
  calls=$(grep -o -E 'trace:gdiplus:(GdiplusStartup|GdipCreateBitmapFromScan0)' "$log" |
          sed 's/.*://' | uniq | head -n 2 | tr '\n' ' ')
  if [ "$calls" != "GdiplusStartup GdipCreateBitmapFromScan0 " ]; then
    echo "round $round: GDI+ saw [${calls}], expected [GdiplusStartup GdipCreateBitmapFromScan0 ]"
    echo "(trace in $log)"; exit 1
  fi
done
echo "GDI+ was started before the host's first GDI+ call in every round"
