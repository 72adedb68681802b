#include "support/zstd_compressor.h"

#include <zstd.h>

namespace quillet::testing {
namespace {

std::vector<std::byte> Zstd(const std::vector<std::byte>& plain) {
  std::vector<std::byte> out(ZSTD_compressBound(plain.size()));
  out.resize(ZSTD_compress(out.data(), out.size(), plain.data(), plain.size(), 3));
  return out;
}

}  // namespace

Compress ZstdCompressor() { return Zstd; }

}  // namespace quillet::testing
