#include "disc/track.h"

#include <algorithm>

#include "util/run_time_error.h"

namespace quillet {

Track::Track(std::span<const std::byte> bytes, std::size_t sector_size, std::uint32_t first_lba)
    : bytes_(bytes), sector_size_(sector_size), first_lba_(first_lba) {
  // Raw sectors (2,352 bytes) carry 12 bytes of sync and a 4-byte header before mode 1 data, and
  // an 8-byte subheader more before mode 2 form 1 data (the header's last byte says which); mode 2
  // sectors as CD-R images keep them (2,336 bytes) start with that subheader.
  switch (sector_size) {
    case 2048: data_offset_ = 0; break;
    case 2336: data_offset_ = 8; break;
    case 2352: data_offset_ = 16; break;
    default:
      throw RunTimeError(error::kInvalidArgument, "Invalid procedure call or argument: a track's sectors are " +
                                                      std::to_string(sector_size) +
                                                      " bytes long, not 2048, 2336 or 2352");
  }
  sector_count_ = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() / sector_size, UINT32_MAX));
}

std::optional<std::span<const std::byte, kSectorData>> Track::Sector(std::uint32_t lba) const {
  if (lba < first_lba_ || lba - first_lba_ >= sector_count_) return std::nullopt;
  const std::size_t start = static_cast<std::size_t>(lba - first_lba_) * sector_size_;
  std::size_t offset = data_offset_;
  if (sector_size_ == 2352 && bytes_[start + 15] == std::byte{2}) offset = 24;
  return bytes_.subspan(start + offset).first<kSectorData>();
}

}  // namespace quillet
