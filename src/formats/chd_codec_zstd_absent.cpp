#include "formats/chd_codec_libraries.h"

// This build reads no zstd: a hunk compressed with it is refused, naming the codec.
namespace quillet {

ZstdDecompress ZstdDecompressor() { return nullptr; }

}  // namespace quillet
