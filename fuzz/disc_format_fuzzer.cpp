// Any bytes as a file of unknown kind: its format told by content, a container Quillet does not
// read or disc data without a table refused, and a format told read through; never a read past the
// bytes, whatever a probe finds at a sector's edge.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "disc/disc_image.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const quillet::MemorySource source(bytes);
  try {
    // The file alone: a table's track files are not there.
    const std::optional<quillet::DiscBootFile> disc =
        quillet::BootOfDisc(source, "file", [](const std::string&) -> std::unique_ptr<quillet::ByteSource> {
          quillet::RefuseAsInvalid("no track file is there");
        });
    if (!disc) {
      quillet::RefuseUnreadableDisc(bytes, "file");
    } else if (disc->format != quillet::DiscFormat::Chd && disc->boot.bytes.size() > size) {
      __builtin_trap();  // no more than the image holds, where nothing is decompressed
    }
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
