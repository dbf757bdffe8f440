#!/usr/bin/env bash
# Renders all thirty-three built-in skins on a window like the tool's and puts them on one sheet,
# docs/skins.png, for choosing a skin; also docs/skin8.png, the start-up skin with the aero effect
# and the mouse over the close and Extract buttons. Needs the windows build (cmake --build --preset windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
preview=$build/tests/skin/skin_preview.exe
names=$build/skin/skins/names.txt
[ -x "$preview" ] && [ -f "$names" ] || { echo "build the windows preset first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One Wine session on one private display for all the shots.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  run=$1 preview=$2 work=$3
  for n in $(seq 1 33); do
    "$run" "$preview" "$n" 1 "Z:${work//\//\\}\\$n.bmp" </dev/null >/dev/null 2>&1 ||
      { echo "skin $n failed" >&2; exit 1; }
  done
  "$run" "$preview" 8 1 "Z:${work//\//\\}\\skin8.bmp" hover </dev/null >/dev/null 2>&1
  rc=$?
  "$run" --env wineserver -k >/dev/null 2>&1
  exit $rc' contact-sheet "$build/wine-run.sh" "$preview" "$work"

mkdir -p "$root/docs"
args=()
while read -r n name; do
  args+=(-label "$n  $name" "$work/$n.bmp")
done <"$names"
montage "${args[@]}" -tile 3x -geometry +6+6 -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -pointsize 13 -background '#f4f4f4' "$root/docs/skins.png"
convert "$work/skin8.bmp" "$root/docs/skin8.png"
echo "wrote docs/skins.png and docs/skin8.png"
