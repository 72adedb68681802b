#include <zstd.h>

#include "formats/chd_codec_libraries.h"

namespace quillet {
namespace {

bool Unzstd(std::span<const std::byte> compressed, std::span<std::byte> into) {
  const std::size_t size = ZSTD_decompress(into.data(), into.size(), compressed.data(), compressed.size());
  return !ZSTD_isError(size) && size == into.size();
}

}  // namespace

ZstdDecompress ZstdDecompressor() { return Unzstd; }

}  // namespace quillet
