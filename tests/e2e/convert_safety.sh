#!/usr/bin/env bash
# quillet convert (and dcscram) on every road a hostile run found: files replaced keep who may read
# them, one run never overwrites its own results or inputs, signals of every kind and a parent's
# end take the temporary files and the tools with them, memory stays flat and its lack is one
# file's error, each line is out before the next file starts, errors name the file they concern,
# and ELF files are handled with care.
# Arguments: DCSCRAM QUILLET PROGRAM (a real raw binary) ELF (its ELF) SH_GCC (the SH compiler)
set -euo pipefail
dcscram=$(realpath "$1")
quillet=$(realpath "$2")
program=$(realpath "$3")
elf=$(realpath "$4")
sh_gcc=$5
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
run() {  # runs a command, keeping its status, standard output and standard error
  set +e
  out=$("$@" 2>"$work/stderr")
  status=$?
  err=$(cat "$work/stderr")
  set -e
}
# The names in a folder, hidden ones included, on one line.
listing() { ls -A "$1" | tr '\n' ' '; }
# Waits until a file matching the pattern exists.
wait_for() {  # glob
  for _ in $(seq 2000); do
    compgen -G "$1" >/dev/null && return 0
    sleep 0.01
  done
  return 1
}
# wait_for_mapping PID FILE
source "$(dirname "$0")/helpers.sh"
truncate -s 1G "$work/large.bin"

# --- 1. A replaced file keeps its access control list and extended attributes; where they cannot
# be carried, nothing is replaced.
if command -v setfacl >/dev/null && [[ $(id -u) -eq 0 ]]; then
  for tool in dcscram convert; do
    rm -rf "$work/acl" && mkdir "$work/acl"
    echo "earlier" >"$work/acl/out.bin"
    chmod 600 "$work/acl/out.bin"
    setfacl -m user:nobody:rw,group::--- "$work/acl/out.bin"
    setfattr -n user.note -v kept "$work/acl/out.bin"
    before=$(getfacl -p "$work/acl/out.bin"; stat -c %a "$work/acl/out.bin")
    if [[ $tool == dcscram ]]; then
      "$dcscram" "$program" "$work/acl/out.bin"
    else
      "$quillet" convert --to scrambled -o "$work/acl/out.bin" "$program" >/dev/null
    fi
    after=$(getfacl -p "$work/acl/out.bin"; stat -c %a "$work/acl/out.bin")
    if [[ $before == "$after" && $(getfattr --only-values -n user.note "$work/acl/out.bin") == kept ]]; then
      pass "$tool keeps the replaced file's ACL and user attributes"
    else
      fail "$tool: ACL before: $before; after: $after"
    fi
  done
  # An attribute only root may set, on a file nobody may replace: refused, nothing changed.
  rm -rf "$work/xattr" && mkdir "$work/xattr" && chmod 777 "$work/xattr"
  echo "earlier" >"$work/xattr/out.bin"
  chmod 666 "$work/xattr/out.bin"
  setfattr -n security.quillet -v root-only "$work/xattr/out.bin"
  run setpriv --reuid=nobody --regid=nogroup --clear-groups "$dcscram" "$program" "$work/xattr/out.bin"
  if [[ $status -eq 1 && $err == *"extended attribute security.quillet could not be kept"* &&
        $(cat "$work/xattr/out.bin") == earlier && $(listing "$work/xattr") == "out.bin " ]]; then
    pass "an attribute that cannot be carried: refused, nothing changed or left"
  else
    fail "an attribute that cannot be carried: status $status, $err, folder: $(listing "$work/xattr")"
  fi
else
  echo "skip: ACL and attributes (needs root and setfacl)"
fi

# --- 2. One run never replaces its own results or inputs.
rm -rf "$work/same" && mkdir "$work/same"
"$dcscram" "$program" "$work/same/game.disc1.bin"
cp "$work/same/game.disc1.bin" "$work/same/game.disc2.bin"
run "$quillet" convert --to unscrambled "$work/same/game.disc2.bin" "$work/same/game.disc1.bin"
if [[ $status -eq 1 && $err == "quillet: $work/same/game.disc1.bin: $work/same/game_unscrambled.bin is the result of $work/same/game.disc2.bin, written earlier in this run; nothing written" ]] &&
   cmp -s "$work/same/game_unscrambled.bin" "$program"; then
  pass "two inputs with one result name: the later one refused, naming both"
else
  fail "two inputs with one result name: status $status, $err"
fi
rm -rf "$work/same" && mkdir "$work/same"
cp "$program" "$work/same/a.bin"
"$dcscram" "$program" "$work/same/a_unscrambled.bin"
cp "$work/same/a_unscrambled.bin" "$work/same/kept"
run "$quillet" convert --to unscrambled --force "$work/same/a.bin" "$work/same/a_unscrambled.bin"
if [[ $status -eq 1 && $err == "quillet: $work/same/a.bin: its result $work/same/a_unscrambled.bin is an input of this run, $work/same/a_unscrambled.bin; nothing written"* ]] &&
   cmp -s "$work/same/a_unscrambled.bin" "$work/same/kept"; then
  pass "a result that is a later input: refused before it is overwritten"
else
  fail "a result that is a later input: status $status, $err"
fi

# --- 3 and 4. Signals: every signal that ends the process removes the temporary files (the
# tool's too) and ends the tool; the process ends by the same signal.
# (Every such signal sent to dcscram on a large file: file_safety.sh.)
# An ELF large enough that objcopy takes a while.
printf 'static char big[96 << 20] = {1};\nvoid start(void) { big[7]++; for (;;) {} }\n' >"$work/big.c"
"$sh_gcc" -nostdlib -static -ffreestanding -O2 -e start -Wl,-Ttext=0x8c010000,--build-id=none -o "$work/big.elf" "$work/big.c"
for signal in INT TERM HUP; do
  rm -rf "$work/elf" && mkdir "$work/elf"
  ln "$work/big.elf" "$work/elf/big.elf"
  env --default-signal=INT "$quillet" convert --to unscrambled "$work/elf/big.elf" >/dev/null &
  pid=$!
  wait_for "$work/elf/.big_unscrambled.bin.*" || true
  kill -s "$signal" "$pid"
  set +e
  wait "$pid" 2>/dev/null
  status=$?
  set -e
  sleep 0.2
  if [[ $status -eq $((128 + $(kill -l "$signal"))) && $(listing "$work/elf") == "big.elf " ]] &&
     ! pgrep -f "objcopy.*$work/elf/" >/dev/null; then
    pass "SIG$signal during objcopy: the raw file removed, objcopy ended with quillet"
  else
    fail "SIG$signal during objcopy: status $status, left: $(listing "$work/elf")"
    pkill -f "objcopy.*$work/elf/" || true
  fi
done

# --- 5. Memory: convert stays near dcscram on the same large file; out of memory is one file's
# error and the next file goes on.
rm -rf "$work/memory" && mkdir "$work/memory"
ours=$(/usr/bin/time -f %M "$quillet" convert --to scrambled --force -o "$work/memory/a.bin" "$work/large.bin" 2>&1 >/dev/null | tail -n 1)
theirs=$(/usr/bin/time -f %M "$dcscram" "$work/large.bin" "$work/memory/b.bin" 2>&1 >/dev/null | tail -n 1)
if ((ours < theirs + 65536)); then
  pass "convert of 1 GiB peaks at $ours KiB, dcscram at $theirs KiB"
else
  fail "convert of 1 GiB peaks at $ours KiB, dcscram at $theirs KiB"
fi
# (AddressSanitizer reserves its shadow memory at start, which no address-space limit allows.
# No `ldd | grep -q` under pipefail: grep leaving early would fail ldd with SIGPIPE.)
if [[ $(ldd "$quillet") == *libasan* ]]; then
  echo "skip: out of memory (a sanitizer build)"
else
  rm -rf "$work/memory" && mkdir "$work/memory"
  cp "$program" "$work/memory/small.bin"
  run bash -c "ulimit -v 400000; exec '$quillet' convert --to scrambled --force '$work/large.bin' '$work/memory/small.bin'"
  if [[ $status -eq 1 && $err == "quillet: $work/large.bin: Out of memory" && -f $work/memory/small_scrambled.bin &&
        $(ls -A "$work" | grep -c '^\.large') -eq 0 ]]; then
    pass "out of memory: that file's error, the next file converted"
  else
    fail "out of memory: status $status, $err"
  fi
fi

# --- 6. Each line is out before the next file starts.
rm -rf "$work/lines" && mkdir "$work/lines"
cp "$program" "$work/lines/one.bin"
cp "$program" "$work/lines/two.bin"
env --default-signal=INT "$quillet" convert --to scrambled --force "$work/lines/one.bin" "$work/lines/two.bin" \
  "$work/large.bin" >"$work/lines.out" 2>/dev/null &
pid=$!
wait_for_mapping "$pid" "$work/large.bin" || true
kill -s INT "$pid"
wait "$pid" 2>/dev/null || true
rm -f "$work/large_scrambled.bin"
if [[ $(grep -c ": wrote " "$work/lines.out") -eq 2 ]]; then
  pass "interrupted on the third file: the two lines before it are out"
else
  fail "interrupted on the third file: $(cat "$work/lines.out")"
fi

# --- 7. Errors name the file they concern.
rm -rf "$work/names" && mkdir -p "$work/names/adir"
cp "$program" "$work/names/s.bin"
for case in "-o $work/names/nodir/x.bin|$work/names/s.bin: cannot write $work/names/nodir/x.bin: File not found" \
            "-o $work/names/adir|$work/names/s.bin: cannot write $work/names/adir: Path/File access error: the path names a folder, not a file"; do
  run "$quillet" convert --to scrambled ${case%%|*} "$work/names/s.bin"
  [[ $status -eq 1 && $err == "quillet: ${case#*|}" ]] && pass "an output's error names it: ${case#*|}" || fail "output error: $err"
done
for input in "$work/names/adir/" /; do
  run "$quillet" convert --to scrambled "$input"
  [[ $status -eq 1 && $err == "quillet: $input: Path/File access error: the path names a folder, not a file" ]] &&
    pass "an input folder ($input) says so" || fail "input folder $input: $err"
done

# --- 8, 9, 11, 12. ELF files: an option-like name, sections far apart, names with a leading dot,
# and an objcopy that writes nothing.
rm -rf "$work/elfs" && mkdir "$work/elfs"
cp "$elf" "$work/elfs/-x.elf"
(cd "$work/elfs" && "$quillet" convert --to unscrambled -- -x.elf >/dev/null)
cmp -s "$work/elfs/-x_unscrambled.bin" "$program" && pass "an ELF named -x.elf is no option" || fail "-x.elf"
printf 'int x = 1;\nvoid start(void) { x++; for (;;) {} }\n' >"$work/far.c"
"$sh_gcc" -nostdlib -static -ffreestanding -O2 -e start -Wl,-Ttext=0x8c010000 -o "$work/elfs/far.elf" "$work/far.c"
run "$quillet" convert --to unscrambled "$work/elfs/far.elf"
if [[ $status -eq 1 && $err == "quillet: $work/elfs/far.elf: Invalid procedure call or argument: the ELF file's sections lie too far apart for a raw binary (0x004"*" and 0x8c0"*")" &&
      $(listing "$work/elfs") == "-x.elf -x_unscrambled.bin far.elf " ]]; then
  pass "sections far apart: refused before objcopy, nothing left"
else
  fail "sections far apart: $status, $err, $(listing "$work/elfs")"
fi
cp "$program" "$work/elfs/.game.bin"
"$quillet" convert --to scrambled "$work/elfs/.game.bin" >/dev/null
[[ -f $work/elfs/.game_scrambled.bin ]] && pass "a leading dot belongs to the name" || fail ".game.bin: $(listing "$work/elfs")"
mkdir -p "$work/fake/tools"
cp "$quillet" "$work/fake/quillet"
printf '#!/bin/sh\nexit 0\n' >"$work/fake/tools/sh-elf-objcopy"
chmod +x "$work/fake/tools/sh-elf-objcopy"
cp "$elf" "$work/elfs/game.elf"
run "$work/fake/quillet" convert --to unscrambled "$work/elfs/game.elf"
[[ $status -eq 1 && $err == "quillet: $work/elfs/game.elf: Path/File access error: sh-elf-objcopy wrote no file for $work/elfs/game.elf" ]] &&
  pass "an objcopy that writes nothing is named" || fail "objcopy writing nothing: $err"

# --- 10. A new file is as durable as a replaced one: its data synced before the rename, the folder after.
if command -v strace >/dev/null; then
  rm -rf "$work/new" && mkdir "$work/new"
  ASAN_OPTIONS=detect_leaks=0 strace -f -e trace=openat,fsync,rename -o "$work/trace" "$dcscram" "$program" "$work/new/out.bin"
  if [[ $(grep -B2 'rename(' "$work/trace") == *fsync\(* && $(grep -A3 'rename(' "$work/trace") == *fsync\(* ]]; then
    pass "a new OUT: data synced before the rename, the folder after"
  else
    fail "a new OUT is not synced: $(cat "$work/trace" | tail -n 6)"
  fi
fi

[[ $failures -eq 0 ]]
