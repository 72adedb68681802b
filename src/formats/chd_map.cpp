#include "formats/chd_map.h"

#include <array>
#include <span>

#include "formats/chd_bits.h"
#include "formats/chd_codecs.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

constexpr std::size_t kMapHeaderSize = 16;

// The compressed map's further codes: runs of the kind before, and copies and parent hunks whose
// place follows from the one before.
enum MapCode : std::uint8_t {
  kRunShort = 7,
  kRunLong = 8,
  kCopyLast = 9,
  kCopyNext = 10,
  kParentSame = 11,
  kParentLast = 12,
  kParentNext = 13
};

[[noreturn]] void RefuseMap() { RefuseAsInvalid("the CHD's map of hunks is damaged"); }

// The kinds of all `hunks` hunks, Huffman-coded, runs of the kind before shortened.
std::vector<ChdHunk> ReadKinds(BitReader& bits, std::uint32_t hunks) {
  const MapCodes codes(bits);
  std::vector<ChdHunk> map(hunks);
  std::uint8_t last_kind = kCodec0;
  for (std::uint32_t index = 0, repeat = 0; index < hunks; ++index) {
    if (repeat > 0) {
      map[index].kind = static_cast<HunkKind>(last_kind);
      --repeat;
      continue;
    }
    const auto code = static_cast<std::uint8_t>(codes.Decode(bits));
    if (code == kRunShort) {
      repeat = 2 + codes.Decode(bits);
      map[index].kind = static_cast<HunkKind>(last_kind);
    } else if (code == kRunLong) {
      repeat = 2 + 16 + (codes.Decode(bits) << 4);
      repeat += codes.Decode(bits);
      map[index].kind = static_cast<HunkKind>(last_kind);
    } else {
      map[index].kind = static_cast<HunkKind>(last_kind = code);
    }
  }

  return map;
}

// Each hunk's length, CRC or place, read after the kinds in fields as wide as `widths` say (lengths,
// copies, parents); the CRC of the map in its plain form, 12 bytes a hunk, taken 256 hunks at a time.
std::uint16_t ReadPlaces(BitReader& bits, std::vector<ChdHunk>& map, std::uint64_t next_offset,
                         std::array<unsigned, 3> widths, std::uint32_t hunk_bytes) {
  const auto [length_bits, copy_bits, parent_bits] = widths;
  const auto hunks = static_cast<std::uint32_t>(map.size());
  std::uint16_t plain_crc = kChdCrcStart;
  std::array<std::byte, 12 * 256> plain;
  std::size_t in_plain = 0;
  std::uint64_t last_copy = 0, last_parent = 0;
  for (std::uint32_t index = 0; index < hunks; ++index) {
    ChdHunk& hunk = map[index];
    std::uint8_t kind = hunk.kind;
    std::uint16_t crc = 0;
    std::uint64_t offset = next_offset;
    if (kind <= kCodec3 || kind == kStored) {
      hunk.length = kind == kStored ? hunk_bytes : bits.Read(length_bits);
      // chdman stores a hunk whole rather than larger; a longer one would only claim memory.
      if (hunk.length > hunk_bytes) RefuseMap();
      next_offset += hunk.length;
      crc = static_cast<std::uint16_t>(bits.Read(16));
      hunk.crc = crc;
      hunk.checked = true;
    } else if (kind == kCopy) {
      offset = last_copy = bits.Read(copy_bits);
    } else if (kind == kParent) {
      offset = last_parent = bits.Read(parent_bits);
    } else if (kind == kCopyLast || kind == kCopyNext) {
      if (kind == kCopyNext) ++last_copy;
      kind = kCopy;
      offset = last_copy;
    } else if (kind == kParentSame) {
      kind = kParent;
      offset = last_parent = std::uint64_t{index} * hunk_bytes / kChdFrameSize;
    } else if (kind == kParentLast || kind == kParentNext) {
      if (kind == kParentNext) last_parent += hunk_bytes / kChdFrameSize;
      kind = kParent;
      offset = last_parent;
    } else {
      RefuseMap();
    }
    hunk.kind = static_cast<HunkKind>(kind);
    hunk.offset = offset;
    const std::span<std::byte> entry = std::span(plain).subspan(in_plain, 12);
    entry[0] = std::byte{kind};
    for (std::size_t at = 0; at < 3; ++at) entry[1 + at] = static_cast<std::byte>(hunk.length >> (16 - 8 * at));
    for (std::size_t at = 0; at < 6; ++at) entry[4 + at] = static_cast<std::byte>(offset >> (40 - 8 * at));
    entry[10] = static_cast<std::byte>(crc >> 8);
    entry[11] = static_cast<std::byte>(crc & 0xFF);
    in_plain += entry.size();
    if (in_plain == plain.size() || index + 1 == hunks) {
      plain_crc = ChdCrc16(std::span(plain).first(in_plain), plain_crc);
      in_plain = 0;
    }
  }
  return plain_crc;
}

// A copy is of an earlier hunk, itself no copy: follow each one to the hunk that holds the data.
void ResolveCopies(std::vector<ChdHunk>& map) {
  for (std::uint32_t index = 0; index < map.size(); ++index) {
    ChdHunk& hunk = map[index];
    if (hunk.kind != kCopy) continue;
    if (hunk.offset >= index) RefuseMap();
    const ChdHunk& copied = map[static_cast<std::size_t>(hunk.offset)];
    if (copied.kind == kCopy) hunk.offset = copied.offset;
  }
}

// The map of a CHD with codecs: the kinds of all hunks Huffman-coded first, then each hunk's
// length, CRC or place, in fields as wide as the map's header says. A CRC over the map in its
// plain form (12 bytes a hunk) checks it.
std::vector<ChdHunk> ReadCompressedMap(const ByteSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                       std::uint32_t hunk_bytes) {
  std::array<std::byte, kMapHeaderSize> header;
  file.Read(map_offset, header);
  const std::uint64_t length = BigEndian(header, 0, 4);
  std::uint64_t next_offset = BigEndian(header, 4, 6);
  const auto map_crc = static_cast<std::uint16_t>(BigEndian(header, 10, 2));
  const unsigned length_bits = std::to_integer<unsigned>(header[12]), copy_bits = std::to_integer<unsigned>(header[13]),
                 parent_bits = std::to_integer<unsigned>(header[14]);
  if (length_bits > 32 || copy_bits > 32 || parent_bits > 32) RefuseMap();
  if (!file.Holds(map_offset + kMapHeaderSize, length)) {
    RefuseAsInvalid("the CHD is cut short: its map of hunks runs past the file's end");
  }
  std::vector<std::byte> compressed(static_cast<std::size_t>(length));
  file.Read(map_offset + kMapHeaderSize, compressed);
  BitReader bits(compressed);
  std::vector<ChdHunk> map = ReadKinds(bits, hunks);
  if (ReadPlaces(bits, map, next_offset, {length_bits, copy_bits, parent_bits}, hunk_bytes) != map_crc) RefuseMap();
  ResolveCopies(map);
  return map;
}

// The map of a CHD without codecs: where each hunk lies, counted in hunks; 0 for one never written.
std::vector<ChdHunk> ReadPlainMap(const ByteSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                  std::uint32_t hunk_bytes) {
  std::vector<std::byte> entries(std::size_t{hunks} * 4);
  if (!file.Holds(map_offset, entries.size())) {
    RefuseAsInvalid("the CHD is cut short: its map of hunks runs past the file's end");
  }
  file.Read(map_offset, entries);
  std::vector<ChdHunk> map(hunks);
  for (std::uint32_t index = 0; index < hunks; ++index) {
    const std::uint64_t place = BigEndian(entries, std::size_t{index} * 4, 4);
    if (place != 0) map[index] = {place * hunk_bytes, hunk_bytes, 0, kStored, false};
  }
  return map;
}

}  // namespace

std::vector<ChdHunk> ReadChdMap(const ByteSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                std::uint32_t hunk_bytes, bool compressed) {
  return compressed ? ReadCompressedMap(file, map_offset, hunks, hunk_bytes)
                    : ReadPlainMap(file, map_offset, hunks, hunk_bytes);
}

}  // namespace quillet
