// Any bytes as a .gdi table of tracks: its tracks, each in the high-density area where its LBA
// says so and with a file in the table's folder, or a refusal naming what is wrong.
#include <cstdint>
#include <string_view>

#include "formats/gdi.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto tracks = quillet::ParseGdi(std::string_view(reinterpret_cast<const char*>(data), size));
    if (tracks.empty() || tracks.size() > 99) __builtin_trap();
    for (const quillet::TocTrack& track : tracks) {
      if (track.high_density != (track.start_lba >= 45000) || quillet::PathInsideFolder(track.file) != track.file) {
        __builtin_trap();
      }
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
