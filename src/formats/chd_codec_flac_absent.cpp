#include "formats/chd_codec_libraries.h"

// This build reads no FLAC: a hunk compressed with it is refused, naming the codec.
namespace quillet {

FlacDecompress FlacDecompressor() { return nullptr; }

}  // namespace quillet
