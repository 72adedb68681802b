#!/usr/bin/env bash
# Measures each speed target as a ratio against its baseline, both timed in this one run:
#   search:  the detector's one pass over 16 MiB vs memmem once per pattern (at least 5x faster)
#   scan:    `quillet scan` of a 16 MiB file vs `grep -c -a -F -f` with the NUL-free patterns,
#            whole processes, warm page cache (at most half the time)
#   memory:  the peak resident size of that scan (under the file size + 4 MiB: 20,480 KiB)
#   judge:   `quillet scan` of a 16 MiB file, random bytes and a real program repeated, patterns,
#            layout and machine code judged, vs `cat` of the same file, whole processes (at most
#            1.3 times as long)
#   dcscram: scrambling a 16 MiB file vs a copy of the same file that is as durable (`dd
#            conv=fsync`: dcscram forces every result to disk before it takes its name), both to a
#            fresh output file (at most 1.2 times as long); plain `cp` shown beside
#   json:    `quillet scan --json` of a 16 MiB real program (patterns, layout and all) vs `cp` of
#            the same file to a fresh output (at most 5 times as long)
#   disc:    `quillet scan` of a 650 MB CDI (its data track padded with a hole of 640 MiB) vs
#            `quillet scan` of its boot file alone (at most 3 times as long: the reader seeks)
#   chd:     `quillet scan` of a CHD that chdman made of a 650 MB GD-ROM dump (its boot track padded
#            with a hole), in chdman's own choice of codecs (LZMA for the boot file) and in deflate
#            alone, vs `quillet scan` of its boot file alone (at most 3 times as long: only the
#            hunks of the bootstrap, the directories and the boot file are decompressed)
#   hostile: `quillet scan` of hostile images of up to 2 GiB (holes): a directory bomb, a .gdi of 99
#            tracks naming one 1 GiB file; the time and peak memory of each (under 1 s, under 64 MB)
#            beside `cat` of the boot file alone
#   fix:     `quillet fix` of a 600 MB CDI (every byte real: its padding random) whose boot file is
#            in the wrong form vs `cp` of the same file, both to a fresh output (at most 1.5 times as
#            long), and vs a copy as durable (`dd conv=fsync`); the fix's peak memory (at most 64 MB);
#            `quillet fix` of a CHD whose boot file is 15 MiB vs `chdman extractcd` of it (at most 1.5
#            times as long: each hunk is decompressed once)
#   make:    `quillet make` of a CDI from 600 MB of files (random bytes) and a program vs
#            `genisoimage` alone of the same files (at most 2 times as long: make writes each sector
#            with its error codes, 2,336 bytes for genisoimage's 2,048, and forces it to disk); its
#            peak memory (at most 64 MB)
#   page:    the page in headless chromium: a 16 MiB file from its choice to its answer (at most
#            100 ms) and its core against quillet scan --json (at most 2 times as long); 200 MiB from
#            the choice to the answer (at most 1 s); the longest stall of the page's thread while
#            200 MiB are judged and scrambled (under 100 ms); a fixed copy of a 700 MB CDI offered
#            from the press of its button (at once)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release >/dev/null
# The real SH program the layout benchmark repeats comes from the tests' build.
cmake --preset linux-debug >/dev/null
cmake --build --preset linux-debug --target sh_fixtures disc_fixtures make_disc_image >/dev/null
bin=build/linux-release/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints both timings of a two-command hyperfine CSV and their ratio against its target.
ratio() {  # csv, our name, baseline's name, target
  awk -F, -v ours_name="$2" -v base_name="$3" -v target="$4" 'NR == 2 { ours = $2 } NR == 3 { base = $2 }
    END { printf "  %s: %.2f ms\n  %s: %.2f ms\n  ratio: %.2f (target: at most %s)\n",
          ours_name, ours * 1000, base_name, base * 1000, ours / base, target }' "$1"
}

echo "== search alone, 16 MiB (Google Benchmark)"
"$bin/search_benchmark" --benchmark_filter='/scrambled$' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
  awk -F, '/_median"?,/ { gsub(/"/, "", $1); sub(/_median/, "", $1); t[$1] = $3; print "  " $1 ": " $3 " ms" }
           END { printf "  ratio memmem / ours: %.1fx (target: at least 5x)\n", t["MemmemPerPattern/scrambled"] / t["FindSignaturesAllFourteen/scrambled"] }'

echo "== quillet scan vs grep, 16 MiB file (hyperfine)"
file="$work/1ST_READ.BIN"
head -c 16777216 /dev/urandom >"$file"
# The patterns without NUL bytes, one a line, as grep -F takes them: from the program itself.
"$bin/print_patterns" >"$work/patterns"
hyperfine -N -i --warmup 10 --min-runs 60 --style none --export-csv "$work/scan.csv" \
  "$bin/quillet scan $file" "grep -c -a -F -f $work/patterns $file" >/dev/null
ratio "$work/scan.csv" "quillet scan" "grep -c -a -F -f" 0.5

echo "== peak memory of quillet scan, 16 MiB file"
peak_kib=$(/usr/bin/time -f %M "$bin/quillet" scan "$file" 2>&1 >/dev/null | tail -n 1)
echo "  peak resident: $peak_kib KiB; limit: $((16384 + 4096)) KiB (file size + 4 MiB)"

# A real program's layout: the SH fixture, repeated to 16 MiB.
program="$work/program.bin"
while [[ $(stat -c %s "$program" 2>/dev/null || echo 0) -lt 16777216 ]]; do
  cat build/linux-debug/fixtures/hello.bin >>"$program"
done
truncate -s 16777216 "$program"

echo "== quillet scan vs cat, 16 MiB of random bytes, then a real program (hyperfine)"
for input in "$file" "$program"; do
  hyperfine -N --warmup 10 --min-runs 60 --style none --export-csv "$work/judge.csv" \
    "$bin/quillet scan $input" "cat $input" >/dev/null
  echo " $(basename "$input"):"
  ratio "$work/judge.csv" "quillet scan" cat 1.3
done

echo "== dcscram vs a durable copy, 16 MiB file (hyperfine)"
hyperfine -N --warmup 5 --min-runs 40 --style none --export-csv "$work/dcscram.csv" \
  --prepare "rm -f $work/out-dcscram $work/out-cp" \
  "$bin/tools/dcscram $file $work/out-dcscram" "dd if=$file of=$work/out-cp bs=1M conv=fsync status=none" >/dev/null
ratio "$work/dcscram.csv" dcscram "dd conv=fsync" 1.2
hyperfine -N --warmup 5 --min-runs 40 --style none --export-csv "$work/cp.csv" \
  --prepare "rm -f $work/out-cp" "cp $file $work/out-cp" >/dev/null
awk -F, 'NR == 2 { printf "  cp (not forced to disk): %.2f ms\n", $2 * 1000 }' "$work/cp.csv"

echo "== quillet scan --json vs cp, 16 MiB program (hyperfine)"
hyperfine -N --warmup 5 --min-runs 30 --style none --export-csv "$work/json.csv" \
  --prepare "rm -f $work/out-cp" \
  "$bin/quillet scan --json $program" "cp $program $work/out-cp" >/dev/null
ratio "$work/json.csv" "quillet scan --json" cp 5

echo "== quillet scan of a 650 MB CDI vs of its boot file alone (hyperfine)"
disc=build/linux-debug/fixtures/disc
build/linux-debug/bin/make_disc_image cdi 3.5 2352 "$disc/scrambled.iso" "$work/disc.cdi" 640
cp "$disc/scrambled/1ST_READ.BIN" "$work/boot_file.bin"
echo "  $(stat -c %s "$work/disc.cdi") bytes, $(du -k "$work/disc.cdi" | cut -f1) KiB on disk"
hyperfine -N --warmup 10 --min-runs 60 --style none --export-csv "$work/disc.csv" \
  "$bin/quillet scan $work/disc.cdi" "$bin/quillet scan $work/boot_file.bin" >/dev/null
ratio "$work/disc.csv" "quillet scan of the CDI" "quillet scan of its boot file" 3

echo "== quillet scan of a 650 MB GD-ROM's CHD vs of its boot file alone (hyperfine)"
mkdir "$work/dump"
cp "$disc/gdi/"* "$work/dump/"
truncate -s $((650 * 1024 * 1024 / 2352 * 2352)) "$work/dump/track 03 boot.bin"
cp build/linux-debug/fixtures/hello.bin "$work/chd_boot_file.bin"
for codecs in cdlz,cdzl,cdfl cdzl; do
  chdman createcd -c "$codecs" -i "$work/dump/disc.gdi" -o "$work/disc.chd" >/dev/null 2>&1
  echo " -c $codecs: $(stat -c %s "$work/disc.chd") bytes"
  hyperfine -N --warmup 10 --min-runs 40 --style none --export-csv "$work/chd.csv" \
    "$bin/quillet scan $work/disc.chd" "$bin/quillet scan $work/chd_boot_file.bin" >/dev/null
  ratio "$work/chd.csv" "quillet scan of the CHD" "quillet scan of its boot file" 3
  rm "$work/disc.chd"
done

echo "== quillet fix of a 600 MB CDI vs cp of it (hyperfine)"
build/linux-debug/bin/make_disc_image cdi 2 2352 "$disc/session.iso" "$work/fix.cdi" 590
# Random bytes in the padding's hole: a real image's every sector is on the disk.
python3 - "$work/fix.cdi" <<'PY'
import os, sys
fd = os.open(sys.argv[1], os.O_RDWR)
size = os.lseek(fd, 0, os.SEEK_END)
at = 0
while at < size:
    hole = os.lseek(fd, at, os.SEEK_HOLE)
    if hole >= size:
        break
    try:
        data = os.lseek(fd, hole, os.SEEK_DATA)
    except OSError:
        data = size
    while hole < data:
        count = min(data - hole, 1 << 22)
        os.pwrite(fd, os.urandom(count), hole)
        hole += count
    at = data
PY
echo "  $(stat -c %s "$work/fix.cdi") bytes, $(du -k "$work/fix.cdi" | cut -f1) KiB on disk"
hyperfine -N --warmup 2 --min-runs 10 --style none --export-csv "$work/fix.csv" \
  --prepare "rm -f $work/fixed.cdi $work/copy.cdi" \
  "$bin/fix_bench $work/fix.cdi $work/fixed.cdi" "cp $work/fix.cdi $work/copy.cdi" >/dev/null
ratio "$work/fix.csv" "quillet fix" cp 1.5
# The fixed copy is forced to disk before it takes its name, as every result is; cp's is not.
hyperfine -N --warmup 2 --min-runs 10 --style none --export-csv "$work/fix-durable.csv" \
  --prepare "rm -f $work/fixed.cdi $work/copy.cdi" \
  "$bin/fix_bench $work/fix.cdi $work/fixed.cdi" "dd if=$work/fix.cdi of=$work/copy.cdi bs=4M conv=fsync status=none" \
  >/dev/null
ratio "$work/fix-durable.csv" "quillet fix" "dd conv=fsync" 1.5
rm -f "$work/fixed.cdi"
peak_kib=$(/usr/bin/time -f %M "$bin/fix_bench" "$work/fix.cdi" "$work/fixed.cdi" 2>&1 >/dev/null | tail -n 1)
echo "  peak resident of quillet fix: $peak_kib KiB; limit: 65,536 KiB"
rm -f "$work/fix.cdi" "$work/fixed.cdi" "$work/copy.cdi"

echo "== quillet fix of a CHD whose boot file is 15 MiB vs chdman extractcd of it (hyperfine)"
# A boot file of real machine code, as a program of that size is: the fixtures' programs repeated.
mkdir -p "$work/chd_fix/root" "$work/chd_fix/set"
while (($(stat -c %s "$work/chd_fix/root/1ST_READ.BIN" 2>/dev/null || echo 0) < 15 * 1024 * 1024)); do
  cat build/linux-debug/fixtures/kos.bin build/linux-debug/fixtures/hello.bin >>"$work/chd_fix/root/1ST_READ.BIN"
done
truncate -s $((15 * 1024 * 1024)) "$work/chd_fix/root/1ST_READ.BIN"
genisoimage -quiet -C 0,11702 -G "$disc/IP.BIN" -V BIG -o "$work/chd_fix/big.iso" "$work/chd_fix/root" 2>/dev/null
build/linux-debug/bin/make_disc_image cue "$work/chd_fix/big.iso" "$work/chd_fix/set"
chdman createcd -i "$work/chd_fix/set/disc.cue" -o "$work/chd_fix/big.chd" >/dev/null 2>&1
code=$("$bin/quillet" scan --json "$work/chd_fix/big.chd" | sed -n 's/.*"boot_code": "\([0-9a-f]*\)".*/\1/p')
QUILLET_TRUSTED_BOOT_CODE=$code hyperfine -N --warmup 1 --min-runs 10 --style none --export-csv "$work/chd_fix.csv" \
  --prepare "rm -rf $work/chd_fix/fixed $work/chd_fix/extracted.cue $work/chd_fix/extracted.bin" \
  "$bin/quillet fix -o $work/chd_fix/fixed/big.cue $work/chd_fix/big.chd" \
  "chdman extractcd -i $work/chd_fix/big.chd -o $work/chd_fix/extracted.cue" >/dev/null
ratio "$work/chd_fix.csv" "quillet fix of the CHD" "chdman extractcd" 1.5
rm -rf "$work/chd_fix"

echo "== quillet make of 600 MB of files vs genisoimage of the same files (hyperfine)"
mkdir -p "$work/make/root/DATA"
for part in 1 2 3 4 5 6; do head -c 100000000 /dev/urandom >"$work/make/root/DATA/PART$part.DAT"; done
"$bin/tools/dcscram" build/linux-debug/fixtures/hello.bin "$work/make/root/1ST_READ.BIN" >/dev/null
export QUILLET_TRUSTED_BOOT_CODE
QUILLET_TRUSTED_BOOT_CODE=$("$bin/quillet" scan --json "$disc/session.iso" | sed -n 's/.*"boot_code": "\([0-9a-f]*\)".*/\1/p')
hyperfine -N --warmup 1 --min-runs 8 --style none --export-csv "$work/make.csv" \
  --prepare "rm -f $work/make/made.cdi $work/make/made.iso" -n make -n genisoimage \
  "$bin/quillet make --ip $disc/IP.BIN -o $work/make/made.cdi build/linux-debug/fixtures/hello.bin $work/make/root/DATA" \
  "genisoimage -quiet -C 0,11702 -G $disc/IP.BIN -o $work/make/made.iso $work/make/root" >/dev/null
ratio "$work/make.csv" "quillet make" genisoimage 2
peak_kib=$(/usr/bin/time -f %M "$bin/quillet" make --force --ip "$disc/IP.BIN" -o "$work/make/made.cdi" \
  build/linux-debug/fixtures/hello.bin "$work/make/root/DATA" 2>&1 >/dev/null | tail -n 1)
echo "  peak resident of quillet make: $peak_kib KiB; limit: 65,536 KiB"
unset QUILLET_TRUSTED_BOOT_CODE
rm -rf "$work/make"

echo "== quillet scan of hostile images, each answered in under 1 s and 64 MB"
mkdir "$work/tracks"
build/linux-debug/bin/make_disc_image bomb "$disc/plain.iso" "$work/bomb.iso" 2048
build/linux-debug/bin/make_disc_image tracks "$work/tracks" 1024
for image in "$work/bomb.iso" "$work/tracks/disc.gdi"; do
  /usr/bin/time -o "$work/time" -f "%e %M" "$bin/quillet" scan "$image" >/dev/null 2>&1 || true  # refused: status 1
  measured=$(tail -n 1 "$work/time")
  echo "  $(basename "$image"): ${measured% *} s, peak resident ${measured#* } KiB (limits: 1 s, 65,536 KiB)"
done

echo "== the page in headless chromium, 16 MiB and 200 MiB"
bash scripts/build-web.sh >/dev/null
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
build/linux-debug/bin/make_disc_image cdi 2 2352 "$disc/session.iso" "$work/page.cdi" 690
node bench/page_bench.mjs build/web/quillet.html build/linux-debug/fixtures/hello.bin "$bin/quillet" "$work/page.cdi"
