#!/usr/bin/env bash
# Builds the page: the core compiled to WebAssembly with Debian's emscripten, embedded in one HTML
# file that works opened from disk or from any static host; then build/quillet-web-VERSION.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/web
mkdir -p "$out"
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sources=(
  web/quillet_web.cpp
  src/util/json_text.cpp
  src/convert/conversion_plan.cpp src/convert/elf_raw.cpp src/convert/tool_commands.cpp
  src/inspect/file_kind.cpp src/inspect/judgement.cpp src/inspect/layout.cpp src/inspect/machine_code.cpp
  src/inspect/signatures.cpp src/inspect/size_text.cpp
  src/scramble/scramble.cpp
  src/util/path_rules.cpp src/util/run_time_error.cpp src/util/text_rules.cpp
)
# Debian installs the JavaScript modules emscripten needs (acorn) where its own node looks, and not
# every node does.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
em++ -std=c++20 -Os -fexceptions -Isrc "${sources[@]}" -o "$out/quillet.js" \
  -sSINGLE_FILE=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web \
  -sEXPORTED_FUNCTIONS=_malloc,_free,_quillet_judge,_quillet_convert,_quillet_result_data,_quillet_result_size,_quillet_text,_quillet_result_name \
  -sEXPORTED_RUNTIME_METHODS=ccall
# The module, wasm and all, goes into the page where it says {{{ SCRIPT }}}.
python3 - "$out/quillet.js" web/page.html "$out/quillet.html" <<'PY'
import sys
module, page, target = sys.argv[1:]
html = open(page, encoding="utf-8").read()
script = "<script>\n" + open(module, encoding="utf-8").read().replace("</script", "<\\/script") + "\n</script>"
open(target, "w", encoding="utf-8").write(html.replace("{{{ SCRIPT }}}", script))
PY
rm -rf "$out/zip" && mkdir -p "$out/zip/quillet-web-$version"
cp "$out/quillet.html" "$out/zip/quillet-web-$version/quillet.html"
cp LICENSE "$out/zip/quillet-web-$version/LICENSE.txt"
(cd "$out/zip" && rm -f "../../quillet-web-$version.zip" && zip -qr "../../quillet-web-$version.zip" "quillet-web-$version")
echo "build-web: $out/quillet.html ($(stat -c %s "$out/quillet.html") bytes), build/quillet-web-$version.zip"
