#!/usr/bin/env bash
# The Windows build under Wine (the real kernel32) and the native build (our stand-in) must
# write byte-identical files from the same fixtures.
# usage: identity_test.sh NATIVE_CLI WINE_RUNNER WINDOWS_CLI FIXTURE_DIR OUTPUT_DIR
set -u
native=$1 wine=$2 windows=$3 fixtures=$4 out=$5
rm -rf "$out" && mkdir -p "$out/native" "$out/windows"
failures=0 passed=0
for module in three_groups32.dll three_groups64.dll odd_groups32.dll; do
  for group in 1 2 3 4 5 7; do
    for ext in ico bmp; do
      name="${module%.dll}-$group.$ext"
      "$native" "$fixtures/$module" "$out/native/$name" --group "$group" >/dev/null 2>&1
      native_rc=$?
      "$wine" "$windows" "Z:$fixtures/$module" "Z:$out/windows/$name" --group "$group" >/dev/null 2>&1
      windows_rc=$?
      if [ "$native_rc" != "$windows_rc" ]; then
        echo "FAIL: $name: native exit $native_rc, Windows exit $windows_rc"
        failures=$((failures + 1))
      elif [ -e "$out/native/$name" ] && ! cmp -s "$out/native/$name" "$out/windows/$name"; then
        echo "FAIL: $name differs between the builds"
        failures=$((failures + 1))
      elif [ -e "$out/native/$name" ] != [ -e "$out/windows/$name" ]; then
        failures=$((failures + 1))
      else
        passed=$((passed + 1))
      fi
    done
  done
done
written=$(ls "$out/native" | wc -l)
echo "compared $written written files"
[ "$written" -ge 12 ] || { echo "FAIL: too few files were written to compare"; failures=$((failures + 1)); }
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
