#!/usr/bin/env bash
# Builds GNU objcopy for the SH target as a Windows program (sh-elf-objcopy.exe), from the binutils
# source Debian ships (package binutils-source), and copies it to OUT. The result is cached by the
# source package's version, since it never changes between our own builds and takes a minute.
#
#   build-sh-elf-objcopy.sh EXE NOTICES
#
# NOTICES is a folder that receives binutils' licence and a note naming the exact source, as the
# GPL asks of anyone who passes the program on.
# QUILLET_CACHE_DIR overrides the cache folder (default ~/.cache/quillet).
set -euo pipefail

exe=${1:?usage: build-sh-elf-objcopy.sh EXE NOTICES}
notices=${2:?usage: build-sh-elf-objcopy.sh EXE NOTICES}
source_dir=/usr/src/binutils
version=$(dpkg-query -W -f='${Version}' binutils-source 2>/dev/null) ||
  { echo "build-sh-elf-objcopy: the package binutils-source is not installed" >&2; exit 1; }
tarball=$(find "$source_dir" -maxdepth 1 -name 'binutils-*.tar.*' | head -n 1)
[[ -n $tarball ]] || { echo "build-sh-elf-objcopy: no binutils tarball in $source_dir" >&2; exit 1; }

cache=${QUILLET_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quillet}/sh-elf-objcopy-$version
if [[ ! -s $cache/sh-elf-objcopy.exe ]]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  echo "build-sh-elf-objcopy: building from $(basename "$tarball") (binutils-source $version)"
  tar -xf "$tarball" -C "$work"
  cd "$work"/binutils-*/
  # Only what objcopy needs: no debugger, simulator, profiler or plugins; static, so the program
  # needs nothing but the DLLs every Windows has.
  ./configure --host=x86_64-w64-mingw32 --target=sh-elf --prefix=/quillet-unused \
    --disable-nls --disable-werror --disable-gdb --disable-gdbserver --disable-sim \
    --disable-gprofng --disable-plugins --disable-shared --enable-static --without-zstd \
    LDFLAGS="-static -static-libgcc" >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }
  jobs=$(nproc)
  {
    make -j"$jobs" all-bfd all-libiberty all-opcodes all-libsframe configure-binutils &&
      make -j"$jobs" -C binutils objcopy.exe
  } >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
  # With --disable-shared libtool links the real program in place; otherwise it hides in .libs.
  program=binutils/objcopy.exe
  [[ -f binutils/.libs/objcopy.exe ]] && program=binutils/.libs/objcopy.exe
  mkdir -p "$cache"
  x86_64-w64-mingw32-strip -o "$cache/sh-elf-objcopy.exe.part" "$program"
  cp COPYING3 "$cache/COPYING3"
  mv "$cache/sh-elf-objcopy.exe.part" "$cache/sh-elf-objcopy.exe"
fi

mkdir -p "$(dirname "$exe")" "$notices"
cp "$cache/sh-elf-objcopy.exe" "$exe.part"
mv "$exe.part" "$exe"
cp "$cache/COPYING3" "$notices/binutils-COPYING3.txt"
cat >"$notices/binutils-source.txt" <<EOF
tools\sh-elf-objcopy.exe is GNU objcopy from GNU Binutils, free software under the GNU General
Public License, version 3 or later (binutils-COPYING3.txt beside this note).

It was built unmodified from $(basename "$tarball") as Debian ships it in the package
binutils-source, version $version, for Windows (x86_64-w64-mingw32) and the SH target (sh-elf):

  configure --host=x86_64-w64-mingw32 --target=sh-elf --disable-nls --disable-werror
            --disable-gdb --disable-gdbserver --disable-sim --disable-gprofng --disable-plugins
            --disable-shared --enable-static --without-zstd LDFLAGS="-static -static-libgcc"

The complete source is that package, from any Debian mirror ("apt-get source binutils" or
"apt-get install binutils-source" on Debian 12), and the GNU project's own release of
$(basename "${tarball%.tar.*}"). On request we send you the same source on a physical medium for the cost of
making and posting it, for three years after we last ship this program.
EOF
