#include "disc/track.h"

#include <algorithm>
#include <string>

#include "util/run_time_error.h"

namespace quillet {

Track::Track(const DiscSource& source, std::uint64_t offset, std::uint64_t length, std::size_t sector_size,
             std::uint32_t first_lba)
    : source_(&source), offset_(offset), sector_size_(sector_size), first_lba_(first_lba) {
  if (sector_size != 2048 && sector_size != 2336 && sector_size != 2352) {
    RefuseAsInvalid("a track's sectors are " + std::to_string(sector_size) + " bytes long, not 2048, 2336 or 2352");
  }
  const std::uint64_t held = offset >= source.size() ? 0 : std::min(length, source.size() - offset);
  sector_count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(held / sector_size, UINT32_MAX));
}

std::optional<SectorData> Track::Sector(std::uint32_t lba) const {
  if (lba < first_lba_ || lba - first_lba_ >= sector_count_) return std::nullopt;
  std::array<std::byte, 2352> raw;
  const std::span<std::byte> sector = std::span(raw).first(sector_size_);
  source_->Read(offset_ + std::uint64_t{lba - first_lba_} * sector_size_, sector);
  // Raw sectors (2,352 bytes) carry 12 bytes of sync and a 4-byte header before mode 1 data, and
  // an 8-byte subheader more before mode 2 form 1 data (the header's last byte says which); mode 2
  // sectors as CD-R images keep them (2,336 bytes) start with that subheader.
  std::size_t data = 0;
  if (sector_size_ == 2336) data = 8;
  if (sector_size_ == 2352) data = raw[15] == std::byte{2} ? 24 : 16;
  SectorData user;
  std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(data), kSectorData, user.begin());
  return user;
}

}  // namespace quillet
