#!/usr/bin/env bash
# Sets up what is missing, builds the Windows program and starts it under Wine.
# With a display the window opens there; without one it runs on a private X server, where this
# script photographs it, and then shows the engine's main job on the command line instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target iconextractor iconextract
build=build/windows

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting the icon extractor under Wine; close its window to finish."
  exec scripts/run-window.sh
fi

echo "No display here (DISPLAY is not set): the window runs on a private X server (Xvfb)."
scripts/screenshot.sh window "$build/window-screenshot.png"
echo "A picture of the window is in $build/window-screenshot.png."
echo "To use the window itself, run this script where there is a display, or start it under"
echo "Xvfb by hand:  xvfb-run -a scripts/run-window.sh"
echo
echo "The main job on the command line: the first icon group of the tool's own executable."
mkdir -p "$build/demo"
"$build/wine-run.sh" "$build/cli/iconextract.exe" "$build/app/iconextractor.exe" "$build/demo/1.ico"
command -v identify >/dev/null && identify "$build/demo/1.ico"
