#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// One data track of a disc image, read a sector at a time: the 2,048 bytes of user data that each
// sector carries, whatever its size in the image (2,048 for an ISO, 2,336 for mode 2, 2,352 raw).
namespace quillet {

inline constexpr std::size_t kSectorData = 2048;

class Track {
 public:
  // `bytes`: the track as it lies in the image; `sector_size`: 2048, 2336 or 2352; `first_lba`: the
  // logical block address of its first sector, which the file system's own addresses count from.
  Track(std::span<const std::byte> bytes, std::size_t sector_size, std::uint32_t first_lba);

  std::uint32_t first_lba() const { return first_lba_; }
  std::uint32_t sector_count() const { return sector_count_; }

  // The user data of the sector at `lba`; nothing when the track does not hold it.
  std::optional<std::span<const std::byte, kSectorData>> Sector(std::uint32_t lba) const;

 private:
  std::span<const std::byte> bytes_;
  std::size_t sector_size_;
  std::size_t data_offset_;  // where the 2,048 bytes begin within a sector (for raw mode 1 ones)
  std::uint32_t first_lba_;
  std::uint32_t sector_count_;
};

}  // namespace quillet
