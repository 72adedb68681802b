#include "formats/track.h"

#include <algorithm>
#include <string>
#include <utility>

#include "util/run_time_error.h"

namespace quillet {

Track::Track(std::vector<TrackPiece> pieces) : pieces_(std::move(pieces)) {
  for (TrackPiece& piece : pieces_) {
    if (!IsSectorSize(piece.sector_size)) {
      RefuseAsInvalid("a track's sectors are " + std::to_string(piece.sector_size) +
                      " bytes long, not 2048, 2336, 2352, 2368 or 2448");
    }
    const std::uint64_t size = piece.source->size();
    piece.length = piece.offset >= size ? 0 : std::min(piece.length, size - piece.offset);
  }
  if (pieces_.empty()) RefuseAsInvalid("the image has no data track");
}

Track Track::Rebased(std::uint32_t first_lba) const {
  Track track = *this;
  const std::int64_t shift = std::int64_t{first_lba} - pieces_.front().first_lba;
  for (TrackPiece& piece : track.pieces_) piece.first_lba += shift;
  return track;
}

std::optional<SectorPlace> Track::Place(std::uint32_t lba) const {
  const auto holds = [lba](const TrackPiece& piece) {
    return lba >= piece.first_lba && lba - piece.first_lba < SectorsOf(piece);
  };
  const auto piece = std::find_if(pieces_.begin(), pieces_.end(), holds);
  if (piece == pieces_.end()) return std::nullopt;
  return SectorPlace{piece->source,
                     piece->offset + static_cast<std::uint64_t>(lba - piece->first_lba) * piece->sector_size,
                     piece->sector_size};
}

std::optional<SectorData> Track::Sector(std::uint32_t lba) const {
  const std::optional<SectorPlace> place = Place(lba);
  if (!place) return std::nullopt;
  std::array<std::byte, kLargestSector> raw;
  place->source->Read(place->offset, std::span(raw).first(place->size));
  const std::size_t data = SectorDataOffset(place->size, std::to_integer<std::uint8_t>(raw[kRawModeByte]));
  SectorData user;
  std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(data), kSectorData, user.begin());
  return user;
}

}  // namespace quillet
