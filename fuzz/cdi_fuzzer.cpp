// Any bytes as a DiscJuggler image: its tracks and boot file found, or the image refused with a
// reason; never a read past the bytes, a loop without end or an allocation a field sized.
#include <cstdint>
#include <span>

#include "disc/disc_image.h"
#include "formats/cdi.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quillet::MemorySource image(std::span(reinterpret_cast<const std::byte*>(data), size));
  try {
    for (const quillet::TocTrack& track : quillet::CdiContents(image).tracks) {
      if (track.session < 1 || track.number < 1 || track.number > 99) __builtin_trap();
    }
    const quillet::DiscBootFile disc = quillet::BootOfImage(quillet::DiscFormat::Cdi, image);
    if (disc.boot.bytes.size() > size) __builtin_trap();  // no more than the image holds
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
