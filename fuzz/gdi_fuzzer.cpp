// Any bytes as a .gdi table of tracks: its data tracks in the high-density area, each with a file
// beside the table, or a refusal naming what is wrong.
#include <cstdint>
#include <span>

#include "disc/disc_image.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto tracks =
        quillet::GdiDataTracks(quillet::BytesSource(std::span(reinterpret_cast<const std::byte*>(data), size)));
    if (tracks.empty() || tracks.size() > 99) __builtin_trap();
    for (const quillet::GdiTrack& track : tracks) {
      if (!track.data || track.lba < 45000 || quillet::PathInsideFolder(track.file) != track.file) __builtin_trap();
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
