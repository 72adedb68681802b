#include "formats/chd_codecs.h"

#include <LzmaDec.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "formats/chd_codec_libraries.h"
#include "formats/sector.h"
#include "formats/sector_codes.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

using Bytes = std::span<const std::byte>;
using Into = std::span<std::byte>;

const Byte* In(Bytes bytes) { return reinterpret_cast<const Byte*>(bytes.data()); }

// Raw deflate, as the CHD compressor writes it: no zlib header.
bool Inflate(Bytes compressed, Into into) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  // zlib's interface predates const; it never writes to its input.
  stream.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(into.data());
  stream.avail_out = static_cast<uInt>(into.size());
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = (result == Z_STREAM_END || result == Z_BUF_ERROR) && stream.total_out == into.size();
  inflateEnd(&stream);
  return whole;
}

void* LzmaAlloc(void*, std::size_t size) { return std::malloc(size); }
void LzmaFree(void*, void* address) { std::free(address); }

// The CHD's LZMA streams carry no properties: the compressor's are fixed (literal context 3,
// position bits 2), and the decoder writes straight into the hunk, so the dictionary's size only
// has to be valid.
bool Unlzma(Bytes compressed, Into into) {
  const std::array<Byte, LZMA_PROPS_SIZE> properties = {(2 * 5 + 0) * 9 + 3, 0, 0, 1, 0};
  ISzAlloc alloc = {LzmaAlloc, LzmaFree};
  SizeT out_size = into.size(), in_size = compressed.size();
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  const SRes result = LzmaDecode(reinterpret_cast<Byte*>(into.data()), &out_size, In(compressed), &in_size,
                                 properties.data(), LZMA_PROPS_SIZE, LZMA_FINISH_END, &status, &alloc);
  return result == SZ_OK && out_size == into.size() &&
         (status == LZMA_STATUS_FINISHED_WITH_MARK || status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK);
}

// The hunk's frames from its sector data and subcode, decompressed apart.
void Interleave(std::span<const std::byte> sectors, std::span<const std::byte> subcodes, Into hunk) {
  for (std::size_t frame = 0; frame < hunk.size() / kChdFrameSize; ++frame) {
    std::byte* into = hunk.data() + frame * kChdFrameSize;
    std::memcpy(into, sectors.data() + frame * kChdSectorBytes, kChdSectorBytes);
    std::memcpy(into + kChdSectorBytes, subcodes.data() + frame * kChdSubcodeBytes, kChdSubcodeBytes);
  }
}

bool Unzstd(Bytes compressed, Into into) { return ZstdDecompressor()(compressed, into); }

// Sector data and subcode apart, then framed: a bit a frame says which mode 1 sectors get their
// sync and codes back, then the sector data's compressed length, its stream (decompressed with
// `Base`) and the subcode's (with `Subcode`).
template <bool (*Base)(Bytes, Into), bool (*Subcode)(Bytes, Into)>
bool DecompressFramed(Bytes compressed, Into hunk) {
  const std::size_t frames = hunk.size() / kChdFrameSize;
  const std::size_t length_bytes = hunk.size() < 65536 ? 2 : 3;
  const std::size_t flag_bytes = (frames + 7) / 8;
  const std::size_t header = flag_bytes + length_bytes;
  if (compressed.size() < header) return false;
  std::size_t base_length = 0;
  for (std::size_t at = 0; at < length_bytes; ++at) {
    base_length = base_length << 8 | std::to_integer<std::size_t>(compressed[flag_bytes + at]);
  }
  if (base_length > compressed.size() - header) return false;
  const Bytes base = compressed.subspan(header, base_length), subcode = compressed.subspan(header + base_length);

  std::vector<std::byte> sectors(frames * kChdSectorBytes), subcodes(frames * kChdSubcodeBytes);
  if (!Base(base, sectors) || !Subcode(subcode, subcodes)) return false;

  Interleave(sectors, subcodes, hunk);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    if (std::to_integer<unsigned>(compressed[frame / 8]) & (1u << (frame % 8))) {
      const Into sector = hunk.subspan(frame * kChdFrameSize, kChdSectorBytes);
      std::memcpy(sector.data(), kSectorSync.data(), kSectorSync.size());
      GenerateSectorEcc(sector);
    }
  }
  return true;
}

// CD audio as FLAC, then the subcode's deflate stream after the bytes FLAC took.
bool DecompressFlac(Bytes compressed, Into hunk) {
  const std::size_t frames = hunk.size() / kChdFrameSize;
  std::vector<std::byte> sectors(frames * kChdSectorBytes), subcodes(frames * kChdSubcodeBytes);
  const std::optional<std::size_t> used = FlacDecompressor()(compressed, sectors);
  if (!used || *used > compressed.size() || !Inflate(compressed.subspan(*used), subcodes)) return false;
  Interleave(sectors, subcodes, hunk);
  return true;
}

// The codecs a CD's CHD uses, a row each, as libchdr keeps them: the tag, what compresses its
// sector data, and how a hunk is decompressed. Every build reads them all.
struct CodecRow {
  std::uint32_t tag;
  std::string_view what;
  bool (*decompress)(Bytes compressed, Into hunk);
};
constexpr CodecRow kCodecs[] = {
    {ChdCodec("cdlz"), "LZMA", DecompressFramed<Unlzma, Inflate>},
    {ChdCodec("cdzl"), "deflate", DecompressFramed<Inflate, Inflate>},
    {ChdCodec("cdfl"), "FLAC", DecompressFlac},
    {ChdCodec("cdzs"), "zstd", DecompressFramed<Unzstd, Unzstd>},
};

const CodecRow* RowOf(std::uint32_t codec) {
  for (const CodecRow& row : kCodecs) {
    if (row.tag == codec) return &row;
  }
  return nullptr;
}

}  // namespace

std::string ChdCodecName(std::uint32_t codec) {
  std::string letters;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto letter = static_cast<char>(codec >> shift & 0xFF);
    if (letter < ' ' || letter > '~') {
      return "a codec no CD uses (0x" + HexDigits(codec, 8, true) + ")";
    }
    letters += letter;
  }
  const CodecRow* row = RowOf(codec);
  return row ? letters + " (" + std::string(row->what) + ")" : letters;
}

bool ChdCodecRead(std::uint32_t codec) { return RowOf(codec) != nullptr; }

bool DecompressChdHunk(std::uint32_t codec, std::span<const std::byte> compressed, std::span<std::byte> hunk) {
  if (hunk.empty() || hunk.size() % kChdFrameSize != 0 || !ChdCodecRead(codec)) return false;
  return RowOf(codec)->decompress(compressed, hunk);
}

std::uint16_t ChdCrc16(std::span<const std::byte> bytes, std::uint16_t crc) {
  // Eight bytes a step: tables[k][b] is what byte b does to the CRC with k bytes after it, so that
  // the eight lookups of a step are independent of one another.
  static const std::array<std::array<std::uint16_t, 256>, 8> tables = [] {
    std::array<std::array<std::uint16_t, 256>, 8> made{};
    for (unsigned value = 0; value < 256; ++value) {
      unsigned shifted = value << 8;
      for (int bit = 0; bit < 8; ++bit) shifted = shifted & 0x8000 ? (shifted << 1) ^ 0x1021 : shifted << 1;
      made[0][value] = static_cast<std::uint16_t>(shifted);
    }
    for (std::size_t later = 1; later < made.size(); ++later) {
      for (unsigned value = 0; value < 256; ++value) {
        const std::uint16_t before = made[later - 1][value];
        made[later][value] = static_cast<std::uint16_t>(before << 8) ^ made[0][before >> 8];
      }
    }
    return made;
  }();
  const auto byte = [&](std::size_t at) { return std::to_integer<unsigned>(bytes[at]); };
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    crc = tables[7][byte(at) ^ (crc >> 8)] ^ tables[6][byte(at + 1) ^ (crc & 0xFFu)] ^ tables[5][byte(at + 2)] ^
          tables[4][byte(at + 3)] ^ tables[3][byte(at + 4)] ^ tables[2][byte(at + 5)] ^ tables[1][byte(at + 6)] ^
          tables[0][byte(at + 7)];
  }
  for (; at < bytes.size(); ++at) crc = static_cast<std::uint16_t>(crc << 8) ^ tables[0][(crc >> 8) ^ byte(at)];
  return crc;
}

}  // namespace quillet
