#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The bits of a CHD's compressed map, and the Huffman code its hunks' kinds are written in.
namespace quillet {

// Bits read most significant first; past the end they read as zeros, which the map's CRC catches.
class BitReader {
 public:
  explicit BitReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::uint32_t Peek(unsigned count) const;
  void Skip(unsigned count) { bit_ += count; }
  std::uint32_t Read(unsigned count) {
    const std::uint32_t value = Peek(count);
    Skip(count);
    return value;
  }

 private:
  std::span<const std::byte> bytes_;
  std::uint64_t bit_ = 0;
};

// The canonical Huffman code of the map's 16 codes, 8 bits long at most, whose lengths come first,
// run-length coded.
class MapCodes {
 public:
  // Reads the code's lengths; raises run-time error 5 (the map is damaged) where they make no code.
  explicit MapCodes(BitReader& bits);

  unsigned Decode(BitReader& bits) const {
    const Entry entry = table_[bits.Peek(kLongest)];
    bits.Skip(entry.length);
    return entry.code;
  }

 private:
  static constexpr std::size_t kCodes = 16;
  static constexpr unsigned kLongest = 8;
  struct Entry {
    std::uint8_t code = 0, length = 0;
  };
  std::array<Entry, 1 << kLongest> table_{};
};

}  // namespace quillet
