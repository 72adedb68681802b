// Any bytes as a disc image (CDI or ISO, told by content) whose boot code is taken for stock, fixed
// for the regions its first byte picks: the plan is made, or the image refused with a reason; every
// sector the plan rewrites lies whole inside its file and outside the image's own table, and the
// copy those sectors make is read back. Never a read past the bytes, a loop without end or an
// allocation a field sized.
#include <cstdint>
#include <span>
#include <vector>

#include "disc/disc_fix.h"
#include "disc/disc_image.h"
#include "formats/disc_formats.h"
#include "util/run_time_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr const char* kRegions[] = {nullptr, "J", "U", "E", "JUE"};
  const char* regions = kRegions[data[0] % 5];
  const std::span image(reinterpret_cast<const std::byte*>(data) + 1, size - 1);
  try {
    const quillet::MemorySource source(image);
    const std::optional<quillet::DiscFormat> format = quillet::DiscFormatOf(source);
    if (!format || (*format != quillet::DiscFormat::Cdi && *format != quillet::DiscFormat::Iso)) return 0;
    quillet::TrackFiles files(source);
    const quillet::TableOfContents toc = quillet::RowOf(*format).contents(files);
    const std::uint64_t code[] = {quillet::BootOfContents(toc, files).boot.header.boot_code};
    quillet::FixRequest request;
    if (regions) request.area_symbols = quillet::AreaSymbolsOf(regions);
    const quillet::DiscFix fix = quillet::PlanFix(toc, files, request, {code, {}});
    if (fix.outcome != quillet::FixOutcome::Mended) return 0;
    std::vector<std::byte> copy(image.begin(), image.end());
    for (const quillet::FilePatches& patches : fix.files) {
      if (!patches.file.empty()) __builtin_trap();  // a CDI or ISO is one file
      for (const quillet::SectorPatch& sector : patches.sectors) {
        const std::uint64_t end = sector.offset + sector.bytes.size();
        if (end > copy.size() || (toc.table_start && end > *toc.table_start)) __builtin_trap();
      }
      quillet::ApplyPatches(copy, 0, patches);
    }
    const quillet::MemorySource fixed(copy);
    quillet::TrackFiles fixed_files(fixed);
    quillet::ReadBack(fix, quillet::RowOf(*format).contents(fixed_files), fixed_files);
  } catch (const quillet::RunTimeError&) {
    // A refusal with a reason is a fine answer to hostile bytes.
  }
  return 0;
}
