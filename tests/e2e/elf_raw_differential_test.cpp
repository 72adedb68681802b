// The page's ELF reader against GNU objcopy on real SH executables whose headers are mutated: where
// objcopy makes a raw binary, the reader makes the same bytes. Bounded: a fixed number of mutants
// from a fixed seed, and objcopy's output capped in size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "convert/elf_raw.h"
#include "support/temp_folder.h"
#include "sys/file_system.h"
#include "sys/tool_runner.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempFolder;

std::uint32_t Get(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}
void Put(std::string& bytes, std::size_t at, int size, std::uint32_t value) {
  for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

// Where the header fields of one executable lie.
struct Headers {
  std::vector<std::size_t> segments;        // each program header's offset
  std::vector<std::size_t> alloc_sections;  // each loaded section's header offset
};
Headers HeadersOf(const std::string& elf) {
  Headers headers;
  for (std::uint32_t i = 0; i < Get(elf, 44, 2); ++i) headers.segments.push_back(Get(elf, 28, 4) + i * Get(elf, 42, 2));
  for (std::uint32_t i = 0; i < Get(elf, 48, 2); ++i) {
    const std::size_t at = Get(elf, 32, 4) + i * Get(elf, 46, 2);
    if (Get(elf, at + 8, 4) & 2) headers.alloc_sections.push_back(at);
  }
  return headers;
}

// One change of the kind a linker script or a hand-edited header makes.
void Mutate(std::string& elf, const Headers& headers, std::mt19937& random) {
  const auto pick = [&](const std::vector<std::size_t>& from) { return from[random() % from.size()]; };
  const std::uint32_t deltas[] = {4, 32, 0x100, 0x1000, 0x10000, 0x800000};
  const std::uint32_t delta = deltas[random() % std::size(deltas)];
  const auto nudge = [&](std::size_t at) { Put(elf, at, 4, Get(elf, at, 4) + (random() % 2 ? delta : -delta)); };
  switch (random() % 9) {
    case 0: nudge(pick(headers.alloc_sections) + 12); break;                    // a section's run address
    case 1: Put(elf, pick(headers.alloc_sections) + 12, 4, 0x8cf00000); break;  // ... far from its segment's
    case 2: nudge(pick(headers.segments) + 12); break;                          // a segment's load address
    case 3: nudge(pick(headers.segments) + 8); break;                           // its run address
    case 4: nudge(pick(headers.segments) + 16 + 4 * (random() % 2)); break;     // its file or memory size
    case 5: nudge(pick(headers.segments) + 4); break;                           // its place in the file
    case 6:
      for (const std::size_t at : headers.segments) Put(elf, at + 12, 4, 0);  // every load address zero
      break;
    case 7: Put(elf, pick(headers.alloc_sections) + 8, 4, Get(elf, pick(headers.alloc_sections) + 8, 4) ^ 0x400); break;
    case 8:
      Put(elf, pick(headers.segments), 4, static_cast<std::uint32_t>(1 + random() % 7));
      break;  // a segment's type
  }
}

TEST(ElfRawDifferentialTest, MutatedHeadersGiveWhatObjcopyGives) {
  TempFolder folder;
  std::mt19937 random(2026);
  const std::vector<std::string> programs{ReadFile(QUILLET_SH_FIXTURES "/hello.elf"),
                                          ReadFile(QUILLET_SH_FIXTURES "/bare.elf"),
                                          ReadFile(QUILLET_SH_FIXTURES "/kos.elf")};
  int compared = 0;
  for (int mutant = 0; mutant < 240; ++mutant) {
    const std::string& original = programs[static_cast<std::size_t>(mutant) % programs.size()];
    std::string elf = original;
    for (unsigned changes = 1 + random() % 2; changes-- > 0;) Mutate(elf, HeadersOf(original), random);
    std::vector<std::byte> ours;
    std::string refusal;
    try {
      ours = RawBinaryOfElf({reinterpret_cast<const std::byte*>(elf.data()), elf.size()});
    } catch (const RunTimeError& failure) {
      refusal = failure.description();
    }
    // The reader's own limit: objcopy would go on to write up to gigabytes. And for time's sake, no
    // raw binary larger than a Dreamcast's memory is compared.
    if (refusal.find("too far apart") != std::string::npos || ours.size() > (16u << 20)) continue;
    const std::string in = folder.Write("mutant.elf", elf), out = folder.PathOf("mutant.bin");
    if (FileExists(out)) RemoveFile(out);
    const ToolOutcome outcome =
        RunToolAndWait({"/usr/bin/prlimit", {"--fsize=16777216", QUILLET_SH_OBJCOPY, "-O", "binary", in, out}, ""});
    if (!outcome.started || outcome.exit_code != 0 || !FileExists(out)) continue;  // objcopy refused it too
    ++compared;
    ASSERT_EQ(refusal, "") << "mutant " << mutant << ": objcopy made a raw binary";
    const FileContents theirs = ReadWholeFile(out);
    ASSERT_TRUE(std::equal(ours.begin(), ours.end(), theirs.bytes().begin(), theirs.bytes().end()))
        << "mutant " << mutant << ": " << ours.size() << " bytes, objcopy's " << theirs.size();
  }
  EXPECT_GT(compared, 100) << "too few mutants that objcopy accepts to tell anything";
}

}  // namespace
}  // namespace quillet
