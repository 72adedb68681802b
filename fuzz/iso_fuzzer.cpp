// Any bytes as an ISO image: the boot file is found, or the image is refused with a reason; never
// a read past the bytes, a loop without end or an allocation a field sized.
#include <cstdint>
#include <span>

#include "disc/boot_file.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const quillet::BootFile boot = quillet::BootFileOfIso(std::span(reinterpret_cast<const std::byte*>(data), size));
    if (boot.bytes.data() < reinterpret_cast<const std::byte*>(data) ||
        boot.bytes.data() + boot.bytes.size() > reinterpret_cast<const std::byte*>(data) + size) {
      __builtin_trap();
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
