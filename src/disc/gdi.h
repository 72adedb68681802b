#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/disc_geometry.h"
#include "disc/disc_source.h"
#include "disc/track.h"

// A GD-ROM dump's table of contents, the .gdi text: a line with the number of tracks, then a line
// a track: its number, start LBA, type (0 audio, 4 data), sector size, file name (in double quotes
// where it holds blanks) and an offset.
namespace quillet {

struct GdiTrack {
  int number = 0;
  std::uint32_t lba = 0;
  bool data = false;
  std::uint32_t sector_size = 0;
  std::string file;  // in the .gdi file's folder, its parts joined by "/"
};

// The tracks `text` lists; raises run-time error 5 naming the line that is wrong.
std::vector<GdiTrack> ParseGdi(std::string_view text);

// Every track the .gdi file `table` lists. Raises run-time error 5 where the table is no text, too
// long or malformed.
std::vector<GdiTrack> GdiTracks(const DiscSource& table);

// True when `source` is a .gdi file that lists at least one track.
bool IsGdi(const DiscSource& source);

// The tracks of the GD-ROM dump whose .gdi file is `table` that a reader needs: the data tracks of
// the high-density area, whose one file system spans them all, the boot track first. Raises
// run-time error 5 where the table is no text, too long, malformed, or lists no such track.
std::vector<GdiTrack> GdiDataTracks(const DiscSource& table);

// Those tracks' data as one area, from their files (`files[i]` holds `tracks[i]`).
Track GdiDataArea(const std::vector<GdiTrack>& tracks, std::span<const DiscSource* const> files);

// The boot track: the first data track in the high-density area (LBA 45000 and after).
std::optional<GdiTrack> GdiBootTrack(const std::vector<GdiTrack>& tracks);

}  // namespace quillet
