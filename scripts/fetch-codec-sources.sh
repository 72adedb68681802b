#!/usr/bin/env bash
# Fetches the C sources of libFLAC and zstd as Debian ships them (source packages flac and libzstd,
# at the versions below), for the builds that no binary package serves: the Windows programs and
# the page. apt checks the archive's signed index and every file's hash; the system's own apt
# setup is left alone (a private deb-src list, index and cache). Fetched once into the cache:
#   CACHE/codec-sources/flac-VERSION, zstd-VERSION, and the links flac and zstd to them
# QUILLET_CACHE_DIR overrides the cache folder (default ~/.cache/quillet).
set -euo pipefail

# Bookworm's sources. Its security update of libzstd (+deb12u1) has no source in the archive: the
# gap is in docs/disc-images.md.
packages=("flac=1.4.2+ds-2" "libzstd=1.5.4+dfsg2-5")
links=(flac zstd)

cache=${QUILLET_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quillet}/codec-sources
mkdir -p "$cache"
apt_dir="$cache/apt"
for index in "${!packages[@]}"; do
  package=${packages[$index]%%=*}
  version=${packages[$index]#*=}
  folder="$cache/${links[$index]}-$version"
  if [[ ! -d $folder ]]; then
    mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
      /usr/share/keyrings/debian-archive-keyring.gpg >"$apt_dir/sources/debian-src.sources"
    apt_options=(-q -o "Dir::Etc::SourceParts=$apt_dir/sources" -o Dir::Etc::SourceList=/dev/null
      -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
    [[ -n $(find "$apt_dir/lists" -name '*Sources*' -print -quit) ]] || apt-get "${apt_options[@]}" update >/dev/null
    work=$(mktemp -d)
    rm -rf "$folder.part"  # a run that was stopped
    (cd "$work" && apt-get "${apt_options[@]}" source --download-only "$package=$version" >/dev/null)
    dpkg-source --no-check -x "$work/${package}_${version#*:}.dsc" "$folder.part" >/dev/null
    rm -rf "$work" "$cache"/*.orig.tar.* "$cache"/*.orig.tar.*.asc
    mv "$folder.part" "$folder"
    echo "fetch-codec-sources: $package $version in $folder"
  fi
  ln -sfn "$(basename "$folder")" "$cache/${links[$index]}"
done
