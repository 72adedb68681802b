// Any bytes as an ISO image: the boot file is found, or the image is refused with a reason; never
// a read past the bytes, a loop without end or an allocation a field sized.
#include <cstdint>
#include <span>

#include "disc/disc_image.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const quillet::MemorySource image(std::span(reinterpret_cast<const std::byte*>(data), size));
    const quillet::DiscBootFile disc = quillet::BootOfImage(quillet::DiscFormat::Iso, image);
    if (disc.boot.bytes.size() > size) __builtin_trap();  // no more than the image holds
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
