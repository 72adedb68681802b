#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A GD-ROM dump's table of contents, the .gdi text: a line with the number of tracks, then a line
// a track: its number, start LBA, type (0 audio, 4 data), sector size, file name (in double quotes
// where it holds blanks) and an offset.
namespace quillet {

// Where a GD-ROM's high-density area, and with it its boot track (track 3), begins.
inline constexpr std::uint32_t kHighDensityArea = 45000;

struct GdiTrack {
  int number = 0;
  std::uint32_t lba = 0;
  bool data = false;
  std::uint32_t sector_size = 0;
  std::string file;  // beside the .gdi file
};

// The tracks `text` lists; raises run-time error 5 naming the line that is wrong.
std::vector<GdiTrack> ParseGdi(std::string_view text);

// The boot track: the first data track in the high-density area (LBA 45000 and after).
std::optional<GdiTrack> GdiBootTrack(const std::vector<GdiTrack>& tracks);

}  // namespace quillet
