#!/usr/bin/env bash
# Runs a Windows program under Wine on a private Xvfb display, then ends that Wine session, whose
# helper processes would otherwise hold the display and the caller's output pipe for a while.
# Usage: xvfb-wine.sh WINE_RUN PROGRAM.exe [ARGS...]
set -u
wine_run=$1
shift
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  run=$1; shift
  "$run" "$@" </dev/null
  rc=$?
  "$run" --env wineserver -k >/dev/null 2>&1
  exit $rc' xvfb-wine "$wine_run" "$@"
