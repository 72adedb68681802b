#pragma once

#include <cstdint>
#include <vector>

#include "util/byte_source.h"

// A CHD's map of hunks: where each hunk of the disc's frames lies in the file, how it is
// compressed, and the CRC of its data.
namespace quillet {

// A hunk as the map gives it: compressed by codec 0 to 3 of the header, stored whole, a copy of
// an earlier hunk, in the parent, or (an uncompressed CHD's) never written and so all zeros.
enum HunkKind : std::uint8_t { kCodec0 = 0, kCodec3 = 3, kStored = 4, kCopy = 5, kParent = 6, kZeros = 7 };

struct ChdHunk {
  std::uint64_t offset = 0;  // in the file; a copy's: the hunk it copies; a parent's: its frame there
  std::uint32_t length = 0;  // compressed
  std::uint16_t crc = 0;
  HunkKind kind = kZeros;
  bool checked = false;  // against `crc`
};

// The map of `hunks` hunks of `hunk_bytes` at `map_offset` in `file`: compressed where the CHD has
// codecs, else plain. Every copy is resolved to the hunk that holds the data. Raises run-time error 5
// where the map is damaged or runs past the file's end.
std::vector<ChdHunk> ReadChdMap(const ByteSource& file, std::uint64_t map_offset, std::uint32_t hunks,
                                std::uint32_t hunk_bytes, bool compressed);

}  // namespace quillet
