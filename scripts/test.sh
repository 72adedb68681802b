#!/usr/bin/env bash
# Builds and runs every test: formatting, the native build with warnings as errors, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build and its zip under Wine, the
# release build and its .deb installed with apt, the page in a headless browser, and the fuzzers.
#
#   bash scripts/test.sh            every stage, in this order
#   bash scripts/test.sh STAGE...   only those: format linux-debug linux-sanitize windows package page fuzz
#
# The package stage installs and purges the .deb with apt: it needs root. The page stage uses the
# linux-debug fixtures and the linux-release programs, the package stage the linux-debug fixtures.
set -euo pipefail
cd "$(dirname "$0")/.."
all_stages=(format linux-debug linux-sanitize windows package page fuzz)
stages=("$@")
((${#stages[@]})) || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  [[ " ${all_stages[*]} " == *" $stage "* ]] || { echo "test.sh: no stage '$stage' (stages: ${all_stages[*]})" >&2; exit 2; }
done

stage_format() {
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

stage_preset() {  # preset
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [[ $preset == windows ]]; then
    # The zip first: its own test unpacks it. The window's tests need an X display for Wine: a
    # private one on a free number.
    cmake --build --preset "$preset" --target package-windows
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset "$preset"
  else
    ctest --preset "$preset"
  fi
}

# The fixtures (real SH programs) come from the linux-debug build.
fixtures() {
  cmake --preset linux-debug >/dev/null
  cmake --build --preset linux-debug --target sh_fixtures >/dev/null
}

stage_package() {
  if [[ $(id -u) -ne 0 ]]; then
    echo "test.sh: the package stage installs the .deb with apt and needs root" >&2
    return 1
  fi
  fixtures
  cmake --build --preset linux-debug --target disc_fixtures >/dev/null
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release
  (cd build/linux-release && rm -f quillet_*.deb && cpack -G DEB >/dev/null)
  # -noreset: the server would reset when the first window ends, refusing the next one meanwhile.
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    bash tests/packaging/deb_test.sh build/linux-release/quillet_*_amd64.deb build/linux-debug/fixtures/hello.elf \
    build/linux-debug/fixtures/disc/chd/track-cdfl.chd
}

stage_page() {
  fixtures
  cmake --build --preset linux-debug --target disc_fixtures >/dev/null
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release >/dev/null
  bash scripts/build-web.sh
  # The page's zip carries the licences of the codecs built into its module.
  # (The listing is read whole first: grep -q would end the pipe early, and pipefail take that for a failure.)
  local listing
  listing=$(unzip -l build/quillet-web-*.zip)
  for licence in LICENSE.txt licenses/libflac.txt licenses/zstd.txt; do
    grep -q "/$licence\$" <<<"$listing" || { echo "test.sh: the page's zip lacks $licence" >&2; return 1; }
  done
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  node tests/web/page_test.mjs build/web/quillet.html build/linux-debug/fixtures build/linux-release/bin/tools/dcscram \
    build/linux-release/bin/quillet build/web/screenshot.png
}

stage_fuzz() {
  fixtures
  cmake --preset linux-fuzz >/dev/null
  cmake --build --preset linux-fuzz
  fuzz() {  # name, options...
    local name=$1 log
    shift
    log=$(mktemp)
    if ! "build/linux-fuzz/bin/$name" -max_total_time=20 -print_final_stats=1 "$@" >"$log" 2>&1; then
      cat "$log"
      echo "$name found a failure"
      return 1
    fi
    echo "$name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no failure"
    rm -f "$log"
  }
  fuzz scramble_round_trip_fuzzer -max_len=70000
  fuzz signature_search_fuzzer -dict=build/linux-fuzz/signatures.dict -max_len=4096
  # Seeded with a real SH executable, so that the fuzzer starts from headers that mean something.
  local elf_corpus
  elf_corpus=$(mktemp -d)
  cp build/linux-debug/fixtures/bare.elf "$elf_corpus/"
  fuzz elf_raw_fuzzer -max_len=16384 "$elf_corpus"
  rm -rf "$elf_corpus"
  # Seeded with an ISO image genisoimage made, cut after its directories so that mutations reach them.
  local iso_corpus
  iso_corpus=$(mktemp -d)
  cmake --build --preset linux-debug --target disc_fixtures make_disc_image >/dev/null
  head -c 65536 build/linux-debug/fixtures/disc/plain.iso >"$iso_corpus/plain.iso"
  head -c 65536 build/linux-debug/fixtures/disc/session.iso >"$iso_corpus/session.iso"
  fuzz iso_fuzzer -max_len=65536 "$iso_corpus"
  rm -rf "$iso_corpus"
  # Seeded with the tables of DiscJuggler images the tests make (version 3.5 counts from the end,
  # so its table stands alone), one of them of two data sessions, and with a GD-ROM dump's .gdi.
  local table_corpus
  table_corpus=$(mktemp -d)
  tail -c 4096 build/linux-debug/fixtures/disc/selfboot.cdi >"$table_corpus/selfboot.cdi"
  build/linux-debug/bin/make_disc_image data-data build/linux-debug/fixtures/disc/session.iso "$table_corpus/whole.cdi"
  tail -c 4096 "$table_corpus/whole.cdi" >"$table_corpus/data-data.cdi"
  rm "$table_corpus/whole.cdi"
  fuzz cdi_fuzzer -max_len=8192 "$table_corpus"
  rm -f "$table_corpus"/*
  cp build/linux-debug/fixtures/disc/gdi/disc.gdi "$table_corpus/"
  fuzz gdi_fuzzer -max_len=1024 "$table_corpus"
  rm -f "$table_corpus"/*
  printf 'REM SINGLE-DENSITY AREA\r\nFILE "Track 1.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\nREM HIGH-DENSITY AREA\r\nFILE "Track 3.bin" BINARY\r\n  TRACK 03 MODE1/2352\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n' >"$table_corpus/disc.cue"
  fuzz cue_fuzzer -max_len=1024 "$table_corpus"
  rm -rf "$table_corpus"
  # Seeded with small CHDs chdman made of a disc of one short boot file, in the codecs of data, and
  # with one that holds only what differs from its parent (its header, metadata and map alone).
  local chd_corpus
  chd_corpus=$(mktemp -d)
  mkdir "$chd_corpus/root"
  head -c 6000 build/linux-debug/fixtures/hello.bin >"$chd_corpus/root/1ST_READ.BIN"
  genisoimage -quiet -G build/linux-debug/fixtures/disc/IP.BIN -V Q -o "$chd_corpus/small.iso" "$chd_corpus/root"
  for codec in cdlz cdzl; do
    chdman createcd -c "$codec" -i "$chd_corpus/small.iso" -o "$chd_corpus/small-$codec.chd" >/dev/null 2>&1
  done
  rm -r "$chd_corpus/root" "$chd_corpus/small.iso"
  cp build/linux-debug/fixtures/disc/chd/child.chd "$chd_corpus/"
  fuzz chd_fuzzer -max_len=16384 "$chd_corpus"
  # One hunk in each codec, seeded with a frame of cdzs as the CHD compressor writes it (no flags for
  # the codes, the sector data's zstd length in two bytes, then both zstd streams), chdman writing none.
  rm -rf "${chd_corpus:?}"/*
  head -c 2352 build/linux-debug/fixtures/hello.bin >"$chd_corpus/sectors"
  head -c 96 /dev/zero >"$chd_corpus/subcode"
  zstd -q -c "$chd_corpus/sectors" >"$chd_corpus/sectors.zst"
  zstd -q -c "$chd_corpus/subcode" >"$chd_corpus/subcode.zst"
  local length
  length=$(stat -c %s "$chd_corpus/sectors.zst")
  printf "\\x03\\x00\\x00\\x$(printf %02x $((length >> 8)))\\x$(printf %02x $((length & 255)))" >"$chd_corpus/cdzs"
  cat "$chd_corpus/sectors.zst" "$chd_corpus/subcode.zst" >>"$chd_corpus/cdzs"
  rm "$chd_corpus/sectors" "$chd_corpus/subcode" "$chd_corpus"/*.zst
  fuzz chd_hunk_fuzzer -max_len=20000 "$chd_corpus"
  rm -rf "$chd_corpus"
  # The fix, seeded with an ISO genisoimage made of a small real program (judged unscrambled, so that
  # the plan scrambles it), cut after its boot file; its first byte picks the regions asked for.
  local fix_corpus
  fix_corpus=$(mktemp -d)
  mkdir "$fix_corpus/root"
  cp build/linux-debug/fixtures/bare.bin "$fix_corpus/root/1ST_READ.BIN"
  genisoimage -quiet -G build/linux-debug/fixtures/disc/IP.BIN -V Q -o "$fix_corpus/small.iso" "$fix_corpus/root"
  { printf '\0'; head -c 122880 "$fix_corpus/small.iso"; } >"$fix_corpus/iso"
  { printf '\1'; head -c 122880 "$fix_corpus/small.iso"; } >"$fix_corpus/iso-japan"
  rm -r "$fix_corpus/root" "$fix_corpus/small.iso"
  fuzz fix_fuzzer -max_len=131072 "$fix_corpus"
  rm -rf "$fix_corpus"
  fuzz sector_codes_fuzzer -max_len=2449
  # A format told by content: seeded with a raw-sector boot track cut at 40 KiB, where the probes
  # for sector 16 stand at its edge.
  local format_corpus
  format_corpus=$(mktemp -d)
  head -c 40960 "build/linux-debug/fixtures/disc/gdi/track 03 boot.bin" >"$format_corpus/raw.bin"
  fuzz disc_format_fuzzer -max_len=65536 "$format_corpus"
  rm -rf "$format_corpus"
}

for stage in "${stages[@]}"; do
  echo "== $stage"
  case $stage in
    format) stage_format ;;
    linux-debug | linux-sanitize | windows) stage_preset "$stage" ;;
    package) stage_package ;;
    page) stage_page ;;
    fuzz) stage_fuzz ;;
  esac
done
