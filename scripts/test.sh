#!/usr/bin/env bash
# Builds and runs every test: formatting, the native build with warnings as errors, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

for preset in linux-debug linux-sanitize windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
