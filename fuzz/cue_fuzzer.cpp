// Any bytes as a cue sheet, its track files all of one size: tracks in order, each inside its file
// and beside the sheet, or a refusal naming what is wrong.
#include <cstdint>
#include <string_view>

#include "formats/cue.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint64_t kFileSize = 2352 * 1000;
  try {
    const auto tracks = quillet::ParseCue(std::string_view(reinterpret_cast<const char*>(data), size),
                                          [](const std::string&) { return kFileSize; });
    if (tracks.empty() || tracks.size() > 99) __builtin_trap();
    for (const quillet::TocTrack& track : tracks) {
      if (track.offset + std::uint64_t{track.sectors} * track.sector_size > kFileSize ||
          quillet::PathInsideFolder(track.file) != track.file) {
        __builtin_trap();
      }
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
