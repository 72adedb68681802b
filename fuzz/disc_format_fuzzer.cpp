// Any bytes as a file of unknown kind: its format told by content, a container Quillet does not
// read or disc data without a table refused, and a format told read through; never a read past the
// bytes, whatever a probe finds at a sector's edge.
#include <cstdint>
#include <span>

#include "disc/disc_image.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const quillet::BytesSource source(bytes);
  try {
    const std::optional<quillet::DiscFormat> format = quillet::DiscFormatOf(source, "file");
    if (!format) {
      quillet::RefuseUnreadableDisc(bytes, "file");
    } else if (*format == quillet::DiscFormat::Gdi) {
      quillet::GdiDataTracks(source);
    } else {
      const quillet::DiscBootFile disc = quillet::BootOfImage(*format, source);
      if (disc.boot.bytes.size() > size) __builtin_trap();  // no more than the image holds
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
