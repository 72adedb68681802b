#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian 12 (run as root).
set -euo pipefail

packages=(
  # native build and tests
  cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev clang-format
  # the Linux window, and the MIME database its right-click entries use, looked up through GLib too
  qt6-base-dev shared-mime-info libglib2.0-bin
  # sanitizers and the fuzz targets (the runtime of the installed clang's version follows below)
  clang
  # the Windows programs, cross-built and run under Wine
  g++-mingw-w64-x86-64 wine wine64 xvfb xauth
  # GNU sh-elf-objcopy.exe for the Windows zip, built from Debian's binutils source
  binutils-source flex bison
  # real SH executables for the tests, and disc images of them (CHDs made by MAME's chdman)
  gcc-sh4-linux-gnu libc6-dev-sh4-cross binutils-sh-elf genisoimage mame-tools
  # oracles for the file systems quillet make writes: isoinfo (genisoimage) and pycdlib
  python3-pycdlib
  # CHD's codecs: zlib, the LZMA SDK's C sources, libFLAC, libzstd; zlib for the Windows build
  zlib1g-dev lzma-dev libflac-dev libzstd-dev libz-mingw-w64-dev
  # the hunk fuzzer's cdzs seed, which chdman does not write
  zstd
  # benchmarks
  hyperfine time
  # the file-safety tests: a folder's fsync seen through strace, access control lists and extended
  # attributes set and read, processes looked for
  strace acl attr procps
  # the .deb and its checks: shared-library dependencies, lintian, AppStream, the desktop entry,
  # and a person's key presses in the installed window
  dpkg-dev lintian appstream desktop-file-utils xdotool
  # the page: the core in WebAssembly, tested in a real browser
  emscripten chromium zip unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
# The browser tests' driver comes from the npm registry; npm itself from Debian where the machine
# has none of its own.
command -v npm >/dev/null || missing+=(npm)
export DEBIAN_FRONTEND=noninteractive
updated=no
install_missing() {
  if ((${#missing[@]})); then
    [[ $updated == yes ]] || apt-get update -qq
    updated=yes
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
install_missing
# libFuzzer and the sanitizers' runtime for the clang that is installed, whichever version it is.
clang_major=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
missing=()
dpkg-query -W -f='${Status}' "libclang-rt-$clang_major-dev" 2>/dev/null | grep -q '^install ok installed$' ||
  missing+=("libclang-rt-$clang_major-dev")
install_missing
# libFLAC's and zstd's C sources, from Debian's source packages, for the Windows programs and the
# page (Linux links Debian's own libraries): fetched once into the build's cache.
bash "$(dirname "$0")/fetch-codec-sources.sh"
