#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "disc/disc_source.h"

// One data track of a disc image, read a sector at a time: the 2,048 bytes of user data that each
// sector carries, whatever its size in the image (2,048 for an ISO, 2,336 for mode 2, 2,352 raw).
namespace quillet {

inline constexpr std::size_t kSectorData = 2048;
using SectorData = std::array<std::byte, kSectorData>;

class Track {
 public:
  // The track lies in `source` from `offset` for `length` bytes (less where the image is cut),
  // in sectors of `sector_size` (2048, 2336 or 2352); `first_lba`: the logical block address of
  // its first sector, which the file system's own addresses count from.
  Track(const DiscSource& source, std::uint64_t offset, std::uint64_t length, std::size_t sector_size,
        std::uint32_t first_lba);

  std::uint32_t first_lba() const { return first_lba_; }
  std::uint32_t sector_count() const { return sector_count_; }

  // The same track, its sectors counted from `first_lba`.
  Track Rebased(std::uint32_t first_lba) const {
    Track track = *this;
    track.first_lba_ = first_lba;
    return track;
  }

  // The user data of the sector at `lba`; nothing when the track does not hold it.
  std::optional<SectorData> Sector(std::uint32_t lba) const;

 private:
  const DiscSource* source_;
  std::uint64_t offset_;
  std::size_t sector_size_;
  std::uint32_t first_lba_;
  std::uint32_t sector_count_;
};

}  // namespace quillet
