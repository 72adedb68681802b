#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/sector.h"
#include "util/byte_source.h"

// The data area of a disc image, read a sector at a time: the 2,048 bytes of user data that each
// sector carries, whatever its size in the image (2,048 for an ISO, 2,336 for mode 2, 2,352 raw,
// 2,368 or 2,448 raw with the subchannel).
// One data track, or a GD-ROM's high-density data tracks, whose one file system spans them all.
namespace quillet {

using SectorData = std::array<std::byte, kSectorData>;

// Where a run of sectors lies: in `source` from `offset` for `length` bytes, in sectors of
// `sector_size` (2048, 2336, 2352, 2368 or 2448), the first at `first_lba` (a logical block address,
// which a rebased track may shift below 0).
struct TrackPiece {
  const ByteSource* source = nullptr;
  std::uint64_t offset = 0, length = 0;
  std::size_t sector_size = kSectorData;
  std::int64_t first_lba = 0;
};

// Where one sector lies: in `source` from `offset`, `size` bytes long.
struct SectorPlace {
  const ByteSource* source = nullptr;
  std::uint64_t offset = 0;
  std::size_t size = kSectorData;
};

class Track {
 public:
  // One piece; `first_lba`: the logical block address of its first sector, which the file
  // system's own addresses count from.
  Track(const ByteSource& source, std::uint64_t offset, std::uint64_t length, std::size_t sector_size,
        std::uint32_t first_lba)
      : Track(std::vector<TrackPiece>{{&source, offset, length, sector_size, first_lba}}) {}
  // Several pieces, the file system's start in the first. A piece's length is cut to what its
  // source holds: an image cut short holds fewer sectors than its table names.
  explicit Track(std::vector<TrackPiece> pieces);

  std::uint32_t first_lba() const { return static_cast<std::uint32_t>(pieces_.front().first_lba); }
  // How many whole sectors the first piece holds.
  std::uint32_t first_piece_sectors() const { return SectorsOf(pieces_.front()); }

  // The same track, its first sector at `first_lba` and the rest shifted with it.
  Track Rebased(std::uint32_t first_lba) const;

  // The user data of the sector at `lba`; nothing when no piece holds it.
  std::optional<SectorData> Sector(std::uint32_t lba) const;
  // Where the sector at `lba` lies; nothing when no piece holds it.
  std::optional<SectorPlace> Place(std::uint32_t lba) const;

 private:
  static std::uint32_t SectorsOf(const TrackPiece& piece) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(piece.length / piece.sector_size, UINT32_MAX));
  }

  std::vector<TrackPiece> pieces_;
};

}  // namespace quillet
