#!/usr/bin/env bash
# Builds and runs every test: formatting, the native build with warnings as errors, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build and its zip under Wine, the
# release build and its .deb installed with apt, the page in a headless browser, and the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

for preset in linux-debug linux-sanitize windows; do
  echo "== $preset"
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
done

echo "== linux-release: the benchmarks build, and the .deb as users install it"
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release
(cd build/linux-release && rm -f quillet_*.deb && cpack -G DEB >/dev/null)
xvfb-run -a -s "-screen 0 1024x768x24" \
  bash tests/packaging/deb_test.sh build/linux-release/quillet_*_amd64.deb build/linux-debug/fixtures/hello.elf

echo "== the page, in Debian's chromium"
bash scripts/build-web.sh
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node tests/web/page_test.mjs build/web/quillet.html build/linux-debug/fixtures build/linux-release/bin/tools/dcscram \
  build/linux-release/bin/quillet build/web/screenshot.png

echo "== fuzzing (clang, libFuzzer), 20 seconds each"
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
fuzz signature_search_fuzzer -dict=fuzz/signatures.dict -max_len=4096
# Seeded with a real SH executable, so that the fuzzer starts from headers that mean something.
elf_corpus=$(mktemp -d)
cp build/linux-debug/fixtures/bare.elf "$elf_corpus/"
fuzz elf_raw_fuzzer -max_len=16384 "$elf_corpus"
rm -rf "$elf_corpus"
