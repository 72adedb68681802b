#!/usr/bin/env bash
# quillet convert never writes a disc image or a track file of one, however the result is named:
# the same path, another spelling of it, a symbolic or a hard link, a track file named with -o, or
# a track file whose name is the result's own. Each is refused in one line naming both files, exit
# status 1, and nothing is written; a loose program may still be its own result.
# Arguments: QUILLET CDI GDI_FOLDER (a .gdi, disc.gdi, with its track files) PROGRAM
set -euo pipefail
quillet=$(realpath "$1")
cdi=$(realpath "$2")
gdi_folder=$(realpath "$3")
program=$(realpath "$4")
work=$(mktemp -d)
errors=$(mktemp)
trap 'rm -rf "$work" "$errors"' EXIT
failures=0
cd "$work"
cp "$cdi" dk.cdi
cp -r "$gdi_folder" dump
ln -s dk.cdi link.cdi
ln dk.cdi hard.cdi
# A dump whose first track's file has the name the boot file's result would take.
cp -r dump named
mv named/track01.bin named/disc_unscrambled.bin
sed -i 's/track01\.bin/disc_unscrambled.bin/' named/disc.gdi
before=$(find . -type f -exec sha256sum {} + | sort)

# image, -o (empty: none), the file the refusal names as the image's
while IFS='|' read -r image output named; do
  args=(convert --to unscrambled "$image")
  [[ -n $output ]] && args+=(-o "$output")
  set +e
  out=$("$quillet" "${args[@]}" 2>"$errors")
  status=$?
  set -e
  err=$(cat "$errors")
  result=${output:-named/disc_unscrambled.bin}
  expected="quillet: $image: its result $result is $named, which Quillet never writes; nothing written"
  if [[ $status -eq 1 && -z $out && $err == "$expected" ]]; then
    echo "ok: $image -o '$output' refused"
  else
    echo "FAIL: $image -o '$output': status $status, out '$out', err '$err', expected '$expected'"
    failures=$((failures + 1))
  fi
done <<ROWS
dk.cdi|dk.cdi|the disc image
dk.cdi|./dk.cdi|the disc image dk.cdi
dk.cdi|$work/dk.cdi|the disc image dk.cdi
./dk.cdi|link.cdi|the disc image ./dk.cdi
dk.cdi|hard.cdi|the disc image dk.cdi
dump/disc.gdi|dump/track 03 boot.bin|a track file of dump/disc.gdi
dump/disc.gdi|dump/track01.bin|a track file of dump/disc.gdi
dump/disc.gdi|./dump/disc.gdi|the disc image dump/disc.gdi
named/disc.gdi||a track file of named/disc.gdi
ROWS

after=$(find . -type f -exec sha256sum {} + | sort)
if [[ $before == "$after" ]]; then
  echo "ok: no image or track file changed, nothing left beside them"
else
  echo "FAIL: files changed: $(diff <(echo "$before") <(echo "$after"))"
  failures=$((failures + 1))
fi

# A loose program named as its own result: converted in place, as before.
cp "$program" game.bin
if "$quillet" convert --to scrambled game.bin -o game.bin >/dev/null &&
  "$quillet" convert --to unscrambled game.bin -o game.bin >/dev/null && cmp -s game.bin "$program"; then
  echo "ok: a loose program may be its own result"
else
  echo "FAIL: a loose program as its own result"
  failures=$((failures + 1))
fi
echo "$failures failures"
((failures == 0))
