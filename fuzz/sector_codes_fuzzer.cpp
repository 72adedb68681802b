// Any bytes as a data sector whose codes are made again: raw (2,352 bytes, or with its subchannel),
// with a sync and the mode the first byte picks, or of mode 2's 2,336 bytes. Its codes come out
// right, only the codes change (never its header, subheader, data or subchannel), making them twice
// changes nothing more, and a sector whose codes were right already is left as it was.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/sector_codes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr std::size_t kSizes[] = {2336, 2352, 2368, 2448};
  static constexpr std::array<std::uint8_t, 12> kSync = {0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0};
  if (size == 0) return 0;
  const std::size_t length = kSizes[data[0] % 4];
  const bool raw = length != 2336;
  std::vector<std::byte> sector(length);
  std::copy_n(reinterpret_cast<const std::byte*>(data) + 1, std::min(size - 1, length), sector.begin());
  if (raw) {
    std::copy(kSync.begin(), kSync.end(), reinterpret_cast<std::uint8_t*>(sector.data()));
    sector[15] = static_cast<std::byte>(data[0] / 4 % 3);  // mode 0, 1 or 2
  }
  const unsigned mode = raw ? std::to_integer<unsigned>(sector[15]) : 2;
  // Where the codes begin, counted in a raw sector: after mode 1's data, mode 2 form 1's, or form 2's.
  const std::size_t form2 = std::to_integer<unsigned>(sector[raw ? 18 : 2]) & 0x20;
  const std::size_t codes = mode == 1 ? 2064 : mode == 2 ? (form2 ? 2348 : 2072) : 2352;
  const std::size_t kept = raw ? codes : codes - 16;

  const bool valid = quillet::HasValidSectorCodes(sector);
  std::vector<std::byte> once = sector;
  quillet::WriteSectorCodes(once);
  if (valid && once != sector) __builtin_trap();
  if (mode != 0 && !quillet::HasValidSectorCodes(once)) __builtin_trap();
  if (!std::equal(sector.begin(), sector.begin() + static_cast<std::ptrdiff_t>(kept), once.begin())) __builtin_trap();
  if (length > 2352 && !std::equal(sector.begin() + 2352, sector.end(), once.begin() + 2352)) __builtin_trap();
  std::vector<std::byte> twice = once;
  quillet::WriteSectorCodes(twice);
  if (twice != once) __builtin_trap();
  return 0;
}
