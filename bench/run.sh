#!/usr/bin/env bash
# Times one extraction of an icon group from a large module with our command line and with
# icoutils' wrestool (a black-box peer doing the same job), and checks that we are at least ten
# times faster and read only a small part of the module.
# usage: bench/run.sh [MODULE [GROUP]]    (default: Wine's 32-bit shell32.dll, its 100th group)
set -euo pipefail
cd "$(dirname "$0")/.."
module=${1:-/usr/lib/i386-linux-gnu/wine/i386-windows/shell32.dll}
group=${2:-100}
runs=${BENCH_RUNS:-40}
min_ratio=${BENCH_MIN_RATIO:-10}

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target iconextract >/dev/null
cli=build/linux-release/cli/iconextract
# Both tools write into a RAM-backed folder by default, so that the disk's flush latency (we make
# every written file durable before it replaces the target, ~0.5 ms here; the peer does not)
# does not stand in for the work being compared. BENCH_DIR=/some/disk/folder measures on disk.
work=$(mktemp -d -p "${BENCH_DIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)}")
# The module itself stays on disk, where its page cache can be emptied and watched.
disk=$(mktemp -d)
trap 'rm -rf "$work" "$disk"' EXIT

# Our own copy, so that no other program's use of the module warms or cools its cache.
cp "$module" "$disk/module.dll"
name=$(wrestool -l --type=14 "$disk/module.dll" | sed -n "${group}s/.*--name=\('\([^']*\)'\|\([0-9]*\)\).*/\2\3/p")
[ -n "$name" ] || { echo "the module has fewer than $group icon groups"; exit 1; }

# Both tools must agree on what they extract before their speed is compared.
"$cli" "$disk/module.dll" "$work/ours.ico" --group "$group" >/dev/null
wrestool -x --type=14 --name="$name" -o "$work/theirs.ico" "$disk/module.dll"
python3 tests/cli/compare_ico.py "$work/ours.ico" "$work/theirs.ico"

# Milliseconds per run of a command, averaged over $runs runs with a warm cache.
per_run_ms() {
  local start end
  "$@" >/dev/null 2>&1
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000 / $runs" | bc
}
ours=$(per_run_ms "$cli" "$disk/module.dll" "$work/ours.ico" --group "$group")
theirs=$(per_run_ms wrestool -x --type=14 --name="$name" -o "$work/theirs.ico" "$disk/module.dll")
ratio=$(echo "scale=1; $theirs / $ours" | bc)

# How much of the module one extraction brings into memory, from a cold cache.
size=$(stat -c %s "$disk/module.dll")
python3 bench/page_cache.py drop "$disk/module.dll"
"$cli" "$disk/module.dll" "$work/ours.ico" --group "$group" >/dev/null
touched=$(python3 bench/page_cache.py resident "$disk/module.dll")

printf 'module   %s (%d bytes), group %d (%s), written in %s\n' "$module" "$size" "$group" "$name" "$(dirname "$work")"
printf 'iconextract  %8.3f ms per extraction\n' "$ours"
printf 'wrestool     %8.3f ms per extraction\n' "$theirs"
printf 'speed-up     %8.1f x (at least %s x wanted)\n' "$ratio" "$min_ratio"
printf 'module bytes brought into memory: %d of %d (%d%%)\n' "$touched" "$size" $((100 * touched / size))
ok=1
(( $(echo "$ratio >= $min_ratio" | bc) )) || { echo "FAIL: less than $min_ratio times faster"; ok=0; }
(( touched * 4 < size )) || { echo "FAIL: read a quarter of the module or more"; ok=0; }
[ $ok = 1 ] && echo "benchmark passed"
