#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "formats/disc_geometry.h"

// How a CD's data sector lies in an image: the 2,048 bytes of user data alone (an ISO), after a
// mode 2 subheader (2,336), or raw (2,352, or 2,368 and 2,448 with the subchannel after it).
namespace quillet {

inline constexpr std::array<std::size_t, 5> kSectorSizes = {kSectorData, kMode2Sector, kRawSector,
                                                            kRawSector + kQSubcodeBytes, kRawFrame};
inline constexpr std::size_t kLargestSector = kRawFrame;

// The 12 bytes a raw sector begins with.
inline constexpr std::string_view kSectorSync("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
// Where a raw sector's mode byte lies, the last of its header.
inline constexpr std::size_t kRawModeByte = 15;

constexpr bool IsSectorSize(std::size_t size) {
  for (const std::size_t known : kSectorSizes) {
    if (size == known) return true;
  }
  return false;
}

constexpr bool IsRawSector(std::size_t size) { return size >= kRawSector; }

// The logical block address a raw data sector's header gives (its minutes, seconds and frames, in
// BCD, count from 150 sectors before LBA 0), where `header`, its first 16 bytes, has the sync, a
// data mode and a valid address.
inline std::optional<std::uint32_t> RawSectorLba(std::span<const std::byte, 16> header) {
  if (std::memcmp(header.data(), kSectorSync.data(), kSectorSync.size()) != 0) return std::nullopt;
  const auto mode = std::to_integer<unsigned>(header[kRawModeByte]);
  if (mode != 1 && mode != 2) return std::nullopt;
  std::array<std::uint32_t, 3> msf{};
  for (std::size_t at = 0; at < 3; ++at) {
    const auto bcd = std::to_integer<std::uint32_t>(header[12 + at]);
    if ((bcd >> 4) > 9 || (bcd & 0xF) > 9) return std::nullopt;
    msf[at] = (bcd >> 4) * 10 + (bcd & 0xF);
  }
  if (msf[1] >= 60 || msf[2] >= 75) return std::nullopt;
  const std::uint32_t frames = (msf[0] * 60 + msf[1]) * 75 + msf[2];
  if (frames < 150) return std::nullopt;
  return frames - 150;
}

// Where the user data of a sector of `size` bytes begins: a raw sector carries 12 bytes of sync and
// a 4-byte header before mode 1 data, and an 8-byte subheader more before mode 2 form 1 data (its
// header's `mode` byte says which); a 2,336-byte sector starts with that subheader.
constexpr std::size_t SectorDataOffset(std::size_t size, std::uint8_t mode) {
  if (size == 2336) return 8;
  if (IsRawSector(size)) return mode == 2 ? 24 : 16;
  return 0;
}

}  // namespace quillet
