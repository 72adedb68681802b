// Any bytes as one compressed CHD hunk of a CD, in each codec (cdlz, cdzl, cdfl, cdzs; the first
// byte picks, the second the hunk's frames): decompressed into exactly the hunk, or refused; never a
// read or write past either buffer. The zstd and FLAC decoders the Windows build and the page compile
// from Debian's sources run here as Linux links them.
#include <cstdint>
#include <span>
#include <vector>

#include "formats/chd_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  constexpr std::uint32_t kCodecs[] = {quillet::ChdCodec("cdlz"), quillet::ChdCodec("cdzl"), quillet::ChdCodec("cdfl"),
                                       quillet::ChdCodec("cdzs")};
  const std::uint32_t codec = kCodecs[data[0] % 4];
  std::vector<std::byte> hunk((1 + data[1] % 8) * quillet::kChdFrameSize);
  quillet::DecompressChdHunk(codec, std::span(reinterpret_cast<const std::byte*>(data + 2), size - 2), hunk);
  return 0;
}
