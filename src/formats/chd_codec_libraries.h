#pragma once

#include <cstddef>
#include <optional>
#include <span>

// The CHD codecs whose libraries not every build has: a file each that decompresses with the
// library, and one beside it that has no decompressor, for the builds without it. CMake picks.
namespace quillet {

// Decompresses zstd's `compressed` into exactly `into`; false where it does not.
using ZstdDecompress = bool (*)(std::span<const std::byte> compressed, std::span<std::byte> into);
// Decodes CD audio as the CHD compressor writes it with FLAC into exactly `into`, 16-bit samples
// big-endian; the compressed bytes the audio took, or nothing where it does not decode.
using FlacDecompress = std::optional<std::size_t> (*)(std::span<const std::byte> compressed, std::span<std::byte> into);

// The build's decompressors; nothing where it lacks the library.
ZstdDecompress ZstdDecompressor();
FlacDecompress FlacDecompressor();

}  // namespace quillet
