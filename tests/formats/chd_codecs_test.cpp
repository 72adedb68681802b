// The CD codecs' framing, on hunks made here with zlib and libzstd (Debian's chdman writes no zstd):
// a frame whose sync and error codes were left out gets them back, and damage is caught; the CRC
// against CRC-16/CCITT-FALSE's published check value.
#include "formats/chd_codecs.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "formats/sector.h"
#include "formats/sector_codes.h"
#include "support/zstd_compressor.h"

namespace quillet {
namespace {

using Bytes = std::vector<std::byte>;

Bytes Deflate(const Bytes& plain) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&stream, static_cast<uLong>(plain.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(plain.data()));
  stream.avail_in = static_cast<uInt>(plain.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

TEST(ChdCodecsTest, FramesComeBackWithTheirSyncAndErrorCodes) {
  // Three frames: a mode 1 and a mode 2 form 1 sector whose sync and P and Q the compressor left
  // out (a mode 2 sector's counting its header as zeros), then audio.
  constexpr std::size_t kFrames = 3;
  Bytes hunk(kFrames * kChdFrameSize);
  for (std::size_t at = 0; at < hunk.size(); ++at) hunk[at] = static_cast<std::byte>(at * 7 % 251);
  for (std::size_t frame = 0; frame < 2; ++frame) {
    const std::span<std::byte> sector = std::span(hunk).subspan(frame * kChdFrameSize, kChdSectorBytes);
    std::copy_n(reinterpret_cast<const std::byte*>(kSectorSync.data()), kSectorSync.size(), sector.begin());
    sector[kRawModeByte] = std::byte{static_cast<unsigned char>(frame + 1)};
    sector[18] = sector[22] = std::byte{0x08};  // mode 2's subheader: form 1 data
    WriteSectorCodes(sector);
  }
  // As the compressor leaves it: the sector data without sync and codes, then the subcode apart.
  Bytes sectors, subcode;
  for (std::size_t frame = 0; frame < kFrames; ++frame) {
    const auto begin = hunk.begin() + static_cast<std::ptrdiff_t>(frame * kChdFrameSize);
    sectors.insert(sectors.end(), begin, begin + kChdSectorBytes);
    subcode.insert(subcode.end(), begin + kChdSectorBytes, begin + kChdFrameSize);
  }
  for (std::size_t frame = 0; frame < 2; ++frame) {
    const auto sector = sectors.begin() + static_cast<std::ptrdiff_t>(frame * kChdSectorBytes);
    std::fill_n(sector, kSectorSync.size(), std::byte{0});
    std::fill(sector + 2076, sector + kChdSectorBytes, std::byte{0});
  }

  struct Row {
    std::uint32_t codec;
    Bytes (*compress)(const Bytes&);
  };
  const std::vector<Row> rows = {{ChdCodec("cdzl"), Deflate}, {ChdCodec("cdzs"), testing::ZstdCompressor()}};
  for (const Row& row : rows) {
    const std::uint32_t codec = row.codec;
    SCOPED_TRACE(ChdCodecName(codec));
    const Bytes base = row.compress(sectors), rest = row.compress(subcode);
    // A bit a frame for the codes, the sector data's compressed length in two bytes, both streams.
    Bytes compressed = {std::byte{0x03}, static_cast<std::byte>(base.size() >> 8),
                        static_cast<std::byte>(base.size() & 0xFF)};
    compressed.insert(compressed.end(), base.begin(), base.end());
    compressed.insert(compressed.end(), rest.begin(), rest.end());
    Bytes out(hunk.size());
    ASSERT_TRUE(DecompressChdHunk(codec, compressed, out));
    EXPECT_EQ(out, hunk);
    EXPECT_EQ(ChdCrc16(out), ChdCrc16(hunk));

    Bytes cut(compressed.begin(), compressed.end() - 10);
    EXPECT_FALSE(DecompressChdHunk(codec, cut, out)) << "a stream cut short";
    Bytes long_base = compressed;
    long_base[1] = std::byte{0xFF};
    EXPECT_FALSE(DecompressChdHunk(codec, long_base, out)) << "a length past the hunk";
  }
}

TEST(ChdCodecsTest, CrcIsCcittFalseInPartsAsWhole) {
  const std::string check = "123456789";
  const auto bytes = std::as_bytes(std::span(check));
  EXPECT_EQ(ChdCrc16(bytes), 0x29B1);
  EXPECT_EQ(ChdCrc16(bytes.subspan(4), ChdCrc16(bytes.first(4))), 0x29B1);
}

}  // namespace
}  // namespace quillet
