#!/usr/bin/env bash
# One extraction from a large module brings only a small part of it into memory: the module is
# mapped and its resources looked up, never read whole.
# usage: reads_little_test.sh CLI WORK_DIR
set -u
cli=$1 work=$2
module=/usr/lib/i386-linux-gnu/wine/i386-windows/shell32.dll
[ -f "$module" ] || { echo "SKIP: $module is not installed"; exit 77; }
command -v fincore >/dev/null || { echo "SKIP: fincore is not installed"; exit 77; }
rm -rf "$work" && mkdir -p "$work"
cp "$module" "$work/module.dll"  # our own copy: nobody else warms its pages
here=$(cd "$(dirname "$0")/../.." && pwd)
python3 "$here/bench/page_cache.py" drop "$work/module.dll"
before=$(python3 "$here/bench/page_cache.py" resident "$work/module.dll")
"$cli" "$work/module.dll" "$work/out.ico" --group 100 >/dev/null || { echo "FAIL: extraction failed"; exit 1; }
after=$(python3 "$here/bench/page_cache.py" resident "$work/module.dll")
size=$(stat -c %s "$work/module.dll")
echo "cached before: $before bytes; after: $after of $size bytes"
if [ "$before" -gt $((size / 8)) ]; then echo "SKIP: the page cache could not be emptied here"; exit 77; fi
[ $((after * 8)) -lt "$size" ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
