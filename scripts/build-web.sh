#!/usr/bin/env bash
# Builds the page with CMake and Debian's emscripten (preset web): build/web/quillet.html, one file
# that works opened from disk or from any static host; then build/quillet-web-VERSION.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
# Debian installs the JavaScript modules emscripten needs (acorn) where its own node looks, and not
# every node does.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# zlib's C sources, for the CHD codecs' deflate, come from the npm registry (the machine reaches it
# and Debian's source packages are not); scripts are never run.
(cd web && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
cmake --preset web -DQUILLET_ZLIB_SOURCE_DIR="$PWD/web/node_modules/zlib-sync/deps/zlib" >/dev/null
cmake --build --preset web
out=build/web
version=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf "$out/zip" && mkdir -p "$out/zip/quillet-web-$version"
cp "$out/quillet.html" "$out/zip/quillet-web-$version/quillet.html"
cp LICENSE "$out/zip/quillet-web-$version/LICENSE.txt"
# The module carries libFLAC and zstd, built from Debian's source packages: their licences go along.
codecs=$(sed -n 's/^QUILLET_CODEC_SOURCES:PATH=//p' "$out/CMakeCache.txt")
mkdir -p "$out/zip/quillet-web-$version/licenses"
cp "$codecs/flac/COPYING.Xiph" "$out/zip/quillet-web-$version/licenses/libflac.txt"
cp "$codecs/zstd/LICENSE" "$out/zip/quillet-web-$version/licenses/zstd.txt"
(cd "$out/zip" && rm -f "../../quillet-web-$version.zip" && zip -qr "../../quillet-web-$version.zip" "quillet-web-$version")
echo "build-web: $out/quillet.html ($(stat -c %s "$out/quillet.html") bytes), build/quillet-web-$version.zip"
