#!/usr/bin/env bash
# Takes a picture of the open-file dialog behind Browse, over the main window, on a private X
# server, and writes it to the PNG file named (default docs/browse.png). Builds nothing: needs
# the Windows build's choose_driver.exe and the iconextractor.exe copied beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"
if [ "${1:-}" = "--inside" ]; then  # runs on the X server
  full=$2
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  "$build/wine-run.sh" "$build/tests/choose/choose_driver.exe" --show-dialog &
  sleep 5
  import -window root "$full"
  wait || true
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  exit 0
fi
out=$(realpath -m "${1:-$root/docs/browse.png}")
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$out.full.png"
# Everything drawn on the otherwise black screen: the window and the dialog centred over it.
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"
