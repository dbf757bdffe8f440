#!/usr/bin/env bash
# Starts the built window program under Wine (build it first: cmake --build --preset windows).
# Builds nothing. Without a display it runs on a private X server (Xvfb), where nobody sees it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"
exe="$build/app/iconextractor.exe"
[ -x "$build/wine-run.sh" ] && [ -f "$exe" ] || { echo "run-window: build the windows preset first" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
  echo "run-window: no DISPLAY; running under xvfb-run (invisible)" >&2
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$build/wine-run.sh" "$exe" "$@"
fi
exec "$build/wine-run.sh" "$exe" "$@"
