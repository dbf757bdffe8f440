#!/usr/bin/env bash
# Takes the pictures of the window used in the README, on a private X server. Builds nothing:
# needs the Windows build (cmake --build --preset windows).
#   scripts/screenshot.sh window  [OUT]   the main window at start-up (docs/window.png)
#   scripts/screenshot.sh extract [OUT]   right after a successful extraction (docs/extract.png)
#   scripts/screenshot.sh browse  [OUT]   the open-file dialog behind Browse (docs/browse.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"

if [ "${1:-}" = "--inside" ]; then  # runs on the X server: start the scene, wait, photograph
  kind=$2 full=$3
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  case $kind in
    window) "$build/wine-run.sh" "$build/app/iconextractor.exe" & ;;
    # The extract driver's first test holds the window open after its extraction.
    extract) "$build/wine-run.sh" "$build/tests/extract/extract_driver.exe" "Z:$build/app" \
               "Z:$build/tests/fixtures" --hold-ms=4000 --gtest_filter='Extract.WritesTheFirstGroup*' >/dev/null & ;;
    browse) "$build/wine-run.sh" "$build/tests/choose/choose_driver.exe" --show-dialog & ;;
  esac
  sleep 5
  import -window root "$full"
  "$build/wine-run.sh" --env wineserver -k >/dev/null 2>&1 || true
  wait || true
  exit 0
fi

kind=${1:-window}
case $kind in
  window | extract | browse) ;;
  *) echo "usage: scripts/screenshot.sh window|extract|browse [OUT.png]" >&2; exit 2 ;;
esac
out=$(realpath -m "${2:-$root/docs/$kind.png}")
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$kind" "$out.full.png"
if [ "$kind" = browse ]; then
  # Everything drawn on the otherwise black screen: the window and the dialog centred over it.
  convert "$out.full.png" -trim +repage "$out"
else
  # The window is 384 x 112, centred on the 1024 x 768 screen.
  convert "$out.full.png" -crop 384x112+320+328 +repage "$out"
fi
rm -f "$out.full.png"
echo "wrote $out"
