// Any bytes as a .gdi table of tracks: read, or refused naming the line; the boot track, where
// there is one, a data track in the high-density area whose file lies beside the table.
#include <cstdint>
#include <span>

#include "disc/disc_image.h"
#include "disc/gdi.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto tracks = quillet::ParseGdi(quillet::GdiText(std::span(reinterpret_cast<const std::byte*>(data), size)));
    if (tracks.empty() || tracks.size() > 99) __builtin_trap();
    if (const auto boot = quillet::GdiBootTrack(tracks)) {
      if (!boot->data || boot->lba < 45000 || boot->file.find_first_of("/\\") != std::string::npos) __builtin_trap();
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
