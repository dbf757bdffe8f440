#!/usr/bin/env bash
# Runs a Windows test program under Wine on a private X server.
# Usage: xvfb-wine-test.sh WINE_RUN [--with-drive] PROGRAM.exe [ARGS...]
# --with-drive maps a free drive letter to a fresh empty folder for the run and appends
# --drive=X: to the program's arguments.
set -u
wine_run=$1
shift
extra=()
link=""
folder=""
cleanup() {
  "$wine_run" --env wineserver -k >/dev/null 2>&1
  [ -n "$link" ] && rm -f "$link"
  [ -n "$folder" ] && rm -rf "$folder"
}
trap cleanup EXIT

"$wine_run" --env true  # makes sure the prefix exists
# A server left from a run without a display would keep a desktop bound to no X server.
"$wine_run" --env wineserver -k >/dev/null 2>&1

if [ "${1:-}" = "--with-drive" ]; then
  shift
  prefix=$("$wine_run" --env printenv WINEPREFIX)
  for letter in r s t u v w; do
    if [ ! -e "$prefix/dosdevices/$letter:" ] && [ ! -L "$prefix/dosdevices/$letter:" ]; then
      folder=$(mktemp -d)
      link="$prefix/dosdevices/$letter:"
      ln -s "$folder" "$link"
      extra=("--drive=${letter^^}:")
      break
    fi
  done
fi

xvfb-run -a -s "-screen 0 1024x768x24" "$wine_run" "$@" "${extra[@]}"
