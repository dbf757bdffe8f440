#!/usr/bin/env bash
# Takes a picture of the main window right after a successful extraction (the extract driver's
# first test holds the window open) on a private X server, and writes it, cropped to the window,
# to the PNG file named (default docs/extract.png). Builds nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"
if [ "${1:-}" = "--inside" ]; then  # runs on the X server
  full=$2
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  "$build/wine-run.sh" "$build/tests/extract/extract_driver.exe" "Z:$build/app" "Z:$build/tests/fixtures" \
    --hold-ms=4000 --gtest_filter='Extract.WritesTheFirstGroup*' >/dev/null &
  sleep 4
  import -window root "$full"
  wait || true
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  exit 0
fi
out=$(realpath -m "${1:-$root/docs/extract.png}")
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$out.full.png"
# The window is 384 x 112, centred on the 1024 x 768 screen.
convert "$out.full.png" -crop 384x112+320+328 +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"
