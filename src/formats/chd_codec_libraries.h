#pragma once

#include <cstddef>
#include <optional>
#include <span>

// The CHD codecs whose libraries come from outside: libFLAC and zstd, Debian's on Linux, built from
// Debian's source packages for Windows and the page. A file each decompresses with its library.
namespace quillet {

// Decompresses zstd's `compressed` into exactly `into`; false where it does not.
using ZstdDecompress = bool (*)(std::span<const std::byte> compressed, std::span<std::byte> into);
// Decodes CD audio as the CHD compressor writes it with FLAC into exactly `into`, 16-bit samples
// big-endian; the compressed bytes the audio took, or nothing where it does not decode.
using FlacDecompress = std::optional<std::size_t> (*)(std::span<const std::byte> compressed, std::span<std::byte> into);

// The build's decompressors.
ZstdDecompress ZstdDecompressor();
FlacDecompress FlacDecompressor();

}  // namespace quillet
