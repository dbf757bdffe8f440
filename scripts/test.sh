#!/usr/bin/env bash
# Builds both trees and runs every test: the native build (engine, stand-in, command line; with
# AddressSanitizer and UBSan) and the 32-bit Windows build under Wine (windows under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
echo "== native build"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux

echo "== Windows build, tested under Wine"
cmake --preset windows -DICONX_NATIVE_CLI="$PWD/build/linux/cli/iconextract"
cmake --build --preset windows -j "$jobs"
status=0
ctest --preset windows || status=$?
# The prefix's server lingers to keep runs fast; end it with the tests.
build/windows/wine-run.sh --env wineserver -k 2>/dev/null || true
exit $status
