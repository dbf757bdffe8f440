#!/usr/bin/env bash
# Modules that nobody here wrote (Wine's own programs and libraries): every icon group that the
# command line writes must hold exactly the images of that group, in order, as an independent
# reader (icoutils' wrestool) extracts them, and every frame must open in ImageMagick.
# usage: real_modules_test.sh CLI OUTPUT_DIR
set -u
cli=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
here=$(dirname "$0")
for tool in wrestool identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"; exit 77; }
done

modules=()
for dir in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/x86_64-linux-gnu/wine/x86_64-windows; do
  for name in shell32.dll user32.dll comdlg32.dll explorer.exe notepad.exe regedit.exe winecfg.exe; do
    [ -f "$dir/$name" ] && modules+=("$dir/$name")
  done
done
[ ${#modules[@]} -gt 0 ] || { echo "SKIP: no Wine modules found"; exit 77; }

failures=0 passed=0
for module in "${modules[@]}"; do
  mapfile -t names < <(wrestool -l --type=14 "$module" | sed -n "s/.*--name=\('\([^']*\)'\|\([0-9]*\)\).*/\2\3/p")
  # A spread of at most about 24 groups per module, first and last included, keeps the run short.
  stride=$(( (${#names[@]} + 23) / 24 ))
  n=0
  for name in "${names[@]}"; do
    n=$((n + 1))
    if [ $(( (n - 1) % stride )) -ne 0 ] && [ "$n" -ne "${#names[@]}" ]; then continue; fi
    ours="$out/ours.ico" theirs="$out/theirs.ico"
    rm -f "$ours" "$theirs"
    if ! "$cli" "$module" "$ours" --group "$n" >/dev/null 2>"$out/stderr"; then
      echo "FAIL: $module group $n ($name): $(cat "$out/stderr")"
      failures=$((failures + 1))
      continue
    fi
    wrestool -x --type=14 --name="$name" -o "$theirs" "$module" 2>/dev/null
    if ! diff=$(python3 "$here/compare_ico.py" "$ours" "$theirs"); then
      echo "FAIL: $module group $n ($name): $diff"
      failures=$((failures + 1))
      continue
    fi
    count=$(python3 -c 'import struct,sys; print(struct.unpack_from("<H", open(sys.argv[1],"rb").read(), 4)[0])' "$ours")
    frames=$(identify "$ours" 2>/dev/null | wc -l)
    if [ "$frames" != "$count" ]; then
      echo "FAIL: $module group $n ($name): ImageMagick reads $frames of $count frames"
      failures=$((failures + 1))
      continue
    fi
    passed=$((passed + 1))
  done
  echo "$module: ${#names[@]} groups, every ${stride}th checked"
done
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$passed" -gt 0 ]
