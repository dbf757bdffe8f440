#!/usr/bin/env bash
# The command-line front end as a user meets it: exit status, the counts it prints, the reason it
# gives on stderr, and what it leaves on disk.
# usage: cli_test.sh FIXTURE_DIR OUTPUT_DIR PATH_PREFIX CLI [RUNNER...]
#   PATH_PREFIX is put before every path handed to the program ("Z:" under Wine, "" natively).
set -u
fixtures=$1 out=$2 prefix=$3
shift 3
cli=("$@")
rm -rf "$out" && mkdir -p "$out"
failures=0 passed=0

# check NAME EXPECTED_STATUS STDOUT_PATTERN STDERR_PATTERN -- ARGS...
check() {
  local name=$1 status=$2 out_pattern=$3 err_pattern=$4
  shift 5
  local stdout stderr rc
  stdout=$("${cli[@]}" "$@" 2>"$out/stderr" </dev/null | tr -d "\r"; exit "${PIPESTATUS[0]}")
  rc=$?
  stderr=$(tr -d "\r" <"$out/stderr")
  if [ "$rc" != "$status" ] || ! grep -qaE -- "$out_pattern" <<<"$stdout" || ! grep -qaE -- "$err_pattern" <<<"$stderr"; then
    echo "FAIL: $name: status $rc (want $status)"
    echo "  stdout: $stdout"
    echo "  stderr: $stderr"
    failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
}
expect_file() {  # NAME PATH SHOULD_EXIST
  if { [ -e "$2" ] && [ "$3" = no ]; } || { [ ! -e "$2" ] && [ "$3" = yes ]; }; then
    echo "FAIL: $1: $2 exists=$3 expected"
    failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
}

F=$prefix$fixtures O=$prefix$out
printf 'hello' >"$out/text.dll"

check "help" 0 "usage: iconextract SOURCE TARGET" "^$" -- --help
check "no arguments" 2 "^$" "no SOURCE given" --
check "target and clipboard" 2 "^$" "either a TARGET or --clipboard" -- "$F/three_groups32.dll" "$O/x.ico" --clipboard
check "bad group" 2 "^$" "--group needs a number" -- "$F/three_groups32.dll" "$O/x.ico" --group 0
check "unknown option" 2 "^$" "unknown option --frobnicate" -- "$F/three_groups32.dll" "$O/x.ico" --frobnicate

check "first group" 0 "three_groups32.dll: 3 icon groups" "^$" -- "$F/three_groups32.dll" "$O/first.ico"
check "first group says what it wrote" 0 "wrote group 1 \(3 images\) to .*first.ico" "^$" -- "$F/three_groups32.dll" "$O/first.ico"
check "third group of a 64-bit module" 0 "wrote group 3 \(2 images\)" "^$" -- "$F/three_groups64.dll" "$O/third.ico" --group 3
check "bitmap" 0 "wrote group 2 \(1 image\)" "^$" -- "$F/three_groups32.dll" "$O/second.bmp" -g 2
check "group out of range" 1 "3 icon groups" "group 4 of 3 does not exist" -- "$F/three_groups32.dll" "$O/fourth.ico" --group=4
expect_file "nothing for a missing group" "$out/fourth.ico" no
check "missing source" 1 "^$" "no such file" -- "$F/missing.dll" "$O/m.ico"
check "not a module" 1 "^$" "not a module" -- "$O/text.dll" "$O/t.ico"
check "unsupported source" 1 "^$" "not an .exe, .dll, .icl or .ico" -- "$F/alpha.png" "$O/u.ico"
check "no icon group" 1 "^$" "no icon group" -- "$F/no_icons32.dll" "$O/n.ico"
check "damaged group" 1 "7 icon groups" "damaged icon group" -- "$F/odd_groups32.dll" "$O/d.ico" --group 2
check "damaged image as bitmap" 1 "7 icon groups" "damaged or non-bitmap image" -- "$F/odd_groups32.dll" "$O/d.bmp" --group 7
check "unwritable target" 1 "3 icon groups" "cannot write the target" -- "$F/three_groups32.dll" "$O/no/such/folder/x.ico"
check "unsupported target" 1 "3 icon groups" "must end in .ico or .bmp" -- "$F/three_groups32.dll" "$O/x.png"
check ".ico source" 0 "1 icon group$" "^$" -- "$O/first.ico" "$O/copy.ico"
if [ -n "$prefix" ]; then  # Windows: the system clipboard
  check "clipboard" 0 "copied the first image of group 2 to the clipboard" "^$" -- "$F/three_groups32.dll" --clipboard -g 2
elif [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then  # Linux without a desktop to hand it to
  check "clipboard without a desktop" 1 "3 icon groups" "no desktop clipboard" -- "$F/three_groups32.dll" --clipboard
fi
check "clipboard refuses a damaged image" 1 "7 icon groups" "damaged or non-bitmap image" -- "$F/odd_groups32.dll" --clipboard -g 6

# Damaged input gives a clear reason, never a crash.
corpus=$(cd "$(dirname "$0")/../../fuzz/corpus" && pwd)
cp "$corpus/pe_module/truncated-headers.dll" "$corpus/pe_module/type-table-loops-to-root.dll" \
   "$corpus/pe_module/absurd-root-entry-count.dll" "$corpus/ico_file/count-without-directory.ico" \
   "$corpus/ico_file/cursor.ico" "$out/"
check "truncated module" 1 "^$" "not a module|no icon group" -- "$O/truncated-headers.dll" "$O/x.ico"
check "looping resource directory" 1 "5 icon groups" "damaged icon group" -- "$O/type-table-loops-to-root.dll" "$O/x.ico" --group 3
check "absurd entry count" 1 "^$" "no icon group" -- "$O/absurd-root-entry-count.dll" "$O/x.ico"
check "icon file without its directory" 1 "1 icon group" "not an icon file, or a damaged one" -- "$O/count-without-directory.ico" "$O/x.ico"
check "cursor file" 1 "1 icon group" "not an icon file, or a damaged one" -- "$O/cursor.ico" "$O/x.ico"
expect_file "nothing written from damaged input" "$out/x.ico" no
expect_file "no temporary files left" "$out/first.ico.~0" no

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
