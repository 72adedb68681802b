#include "formats/chd_bits.h"

#include "util/run_time_error.h"

namespace quillet {
namespace {

[[noreturn]] void RefuseMap() { RefuseAsInvalid("the CHD's map of hunks is damaged"); }

}  // namespace

std::uint32_t BitReader::Peek(unsigned count) const {
  std::uint64_t value = 0;
  for (std::uint64_t at = bit_, left = count; left > 0;) {
    const std::uint64_t index = at / 8;
    const unsigned offset = static_cast<unsigned>(at % 8);
    const unsigned take = static_cast<unsigned>(std::min<std::uint64_t>(8 - offset, left));
    const unsigned byte =
        index < bytes_.size() ? std::to_integer<unsigned>(bytes_[static_cast<std::size_t>(index)]) : 0;
    value = value << take | ((byte >> (8 - offset - take)) & ((1u << take) - 1));
    at += take;
    left -= take;
  }
  return static_cast<std::uint32_t>(value);
}

MapCodes::MapCodes(BitReader& bits) {
  std::array<std::uint8_t, kCodes> lengths{};
  for (std::size_t code = 0; code < kCodes;) {
    unsigned length = bits.Read(4);
    unsigned repeat = 1;
    if (length == 1) {  // an escape: 1 again is a length of 1, else a run of 3 or more
      length = bits.Read(4);
      if (length != 1) repeat = bits.Read(4) + 3;
    }
    if (repeat > kCodes - code) RefuseMap();
    for (; repeat > 0; --repeat) lengths[code++] = static_cast<std::uint8_t>(length);
  }
  if (std::any_of(lengths.begin(), lengths.end(), [](std::uint8_t length) { return length > kLongest; })) RefuseMap();
  // Canonical codes: the longest first, each length's codes counting up from where the longer ones end.
  std::array<std::uint32_t, kLongest + 1> next{};
  for (const std::uint8_t length : lengths) ++next[length];
  std::uint32_t start = 0;
  for (unsigned length = kLongest; length > 0; --length) {
    const std::uint32_t count = next[length];
    next[length] = start;
    if (length != 1 && (start + count) % 2 != 0) RefuseMap();
    start = (start + count) >> 1;
  }
  for (std::size_t code = 0; code < kCodes; ++code) {
    const unsigned length = lengths[code];
    if (length == 0) continue;
    const std::uint32_t first = next[length]++ << (kLongest - length);
    const std::uint32_t last = first + (1u << (kLongest - length));
    if (last > table_.size()) RefuseMap();
    for (std::uint32_t entry = first; entry < last; ++entry) {
      table_[entry] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(length)};
    }
  }
}

}  // namespace quillet
