// Any bytes as a CHD: its tracks and boot file found, or a refusal with a reason; never a read past
// the bytes, a loop without end, or an allocation that a field sizes past a disc's.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "disc/disc_image.h"
#include "formats/chd.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quillet::MemorySource image(std::span(reinterpret_cast<const std::byte*>(data), size));
  try {
    const quillet::ChdImage chd(image);
    for (const quillet::ChdTrack& track : chd.tracks()) {
      if (track.number < 1 || track.number > 99 || track.padding > track.sectors) __builtin_trap();
    }
    const auto disc =
        quillet::BootOfDisc(image, "fuzz.chd", [](const std::string&) -> std::unique_ptr<quillet::ByteSource> {
          __builtin_trap();  // a CHD is one file
        });
    if (!disc || disc->format != quillet::DiscFormat::Chd) __builtin_trap();
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
