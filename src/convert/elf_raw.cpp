#include "convert/elf_raw.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "util/little_endian.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::uint16_t kMachineSh = 42;
constexpr std::uint32_t kSectionNoBits = 8;
constexpr std::uint32_t kSectionAlloc = 0x2;
constexpr std::uint32_t kSectionTls = 0x400;
constexpr std::uint32_t kSegmentLoad = 1;
constexpr std::uint32_t kSegmentTls = 7;
// Far beyond any Dreamcast program (16 MiB of RAM): a sparse address range is no raw binary.
constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 28;

struct Segment {
  std::uint32_t type, offset, virtual_address, physical_address, file_size, memory_size;
};

struct Section {
  std::uint64_t load_address;
  std::span<const std::byte> bytes;
};

// Whether a section lies in a segment, as GNU objcopy decides it: its bytes inside the segment's
// bytes in the file, and its run addresses inside the segment's. A section the segment's bytes
// hold but that runs elsewhere is not loaded with the segment, but where its own address says.
bool InSegment(std::uint32_t flags, std::uint32_t address, std::uint32_t offset, std::uint32_t size,
               const Segment& segment) {
  const bool tls = (flags & kSectionTls) != 0;
  if (segment.type != (tls ? kSegmentTls : kSegmentLoad)) return false;
  return offset >= segment.offset && std::uint64_t{offset - segment.offset} + size <= segment.file_size &&
         address >= segment.virtual_address &&
         std::uint64_t{address - segment.virtual_address} + size <= segment.memory_size;
}

// The loaded sections with contents, each at its load address. Every field is checked against the
// file; a file that is no SH executable is refused.
std::vector<Section> LoadedSections(std::span<const std::byte> elf) {
  const LittleEndianReader file(elf, "the ELF file");
  static constexpr unsigned char kMagic[] = {0x7F, 'E', 'L', 'F'};
  if (elf.size() < 52 || std::memcmp(elf.data(), kMagic, sizeof kMagic) != 0) RefuseAsInvalid("this is no ELF file");
  if (std::to_integer<int>(elf[4]) != 1 || std::to_integer<int>(elf[5]) != 1) {
    RefuseAsInvalid("the ELF file is not 32-bit little-endian, as SH programs for the Dreamcast are");
  }
  if (file.U16At(18, "the machine") != kMachineSh) RefuseAsInvalid("the ELF file is not for the SH processor");

  const std::uint32_t segments_at = file.U32At(28, "the program header table");
  const std::uint16_t segment_size = file.U16At(42, "the program header size");
  const std::uint16_t segment_count = file.U16At(44, "the program header count");
  const std::uint32_t sections_at = file.U32At(32, "the section header table");
  const std::uint16_t section_size = file.U16At(46, "the section header size");
  const std::uint16_t section_count = file.U16At(48, "the section header count");
  if ((segment_count != 0 && segment_size < 32) || (section_count != 0 && section_size < 40)) {
    RefuseAsInvalid("the ELF file's header tables have entries too small to be real");
  }

  std::vector<Segment> segments;
  for (std::uint32_t i = 0; i < segment_count; ++i) {
    const std::uint64_t at = segments_at + std::uint64_t{i} * segment_size;
    segments.push_back({file.U32At(at, "a program header"), file.U32At(at + 4, "a program header"),
                        file.U32At(at + 8, "a program header"), file.U32At(at + 12, "a program header"),
                        file.U32At(at + 16, "a program header"), file.U32At(at + 20, "a program header")});
  }
  // Some linkers leave every physical address zero: with more than one segment to load, sections
  // then load at their run addresses, so that they cannot land on one another.
  const bool run_addresses = std::all_of(segments.begin(), segments.end(),
                                         [](const Segment& segment) { return segment.physical_address == 0; }) &&
                             std::count_if(segments.begin(), segments.end(), [](const Segment& segment) {
                               return segment.type == kSegmentLoad && segment.memory_size != 0;
                             }) > 1;

  std::vector<Section> sections;
  for (std::uint32_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = sections_at + std::uint64_t{i} * section_size;
    const std::uint32_t type = file.U32At(at + 4, "a section header");
    const std::uint32_t flags = file.U32At(at + 8, "a section header");
    const std::uint32_t address = file.U32At(at + 12, "a section header");
    const std::uint32_t offset = file.U32At(at + 16, "a section header");
    const std::uint32_t size = file.U32At(at + 20, "a section header");
    if (!(flags & kSectionAlloc) || type == kSectionNoBits || type == 0 || size == 0) continue;
    // Loaded where the first segment holding it says: its load address keeps its place in that
    // segment's bytes.
    std::uint64_t load_address = address;
    for (const Segment& segment : segments) {
      if (!run_addresses && InSegment(flags, address, offset, size, segment)) {
        load_address = std::uint64_t{segment.physical_address} + (offset - segment.offset);
        break;
      }
    }
    sections.push_back({load_address, file.BytesAt(offset, size, "a section's contents")});
  }
  if (sections.empty()) RefuseAsInvalid("the ELF file has nothing to load");
  return sections;
}

struct Extent {
  std::uint64_t lowest = std::numeric_limits<std::uint64_t>::max(), highest = 0, end = 0;
};

// Where the raw binary starts and ends; refused when its sections lie too far apart to make one.
Extent RequireExtent(const std::vector<Section>& sections) {
  Extent extent;
  for (const Section& section : sections) {
    extent.lowest = std::min(extent.lowest, section.load_address);
    extent.highest = std::max(extent.highest, section.load_address);
    extent.end = std::max(extent.end, section.load_address + section.bytes.size());
  }
  if (extent.end - extent.lowest > kLargestImage) {
    RefuseAsInvalid("the ELF file's sections lie too far apart for a raw binary (0x" + HexDigits(extent.lowest, 8) +
                    " and 0x" + HexDigits(extent.highest, 8) + ")");
  }
  return extent;
}

}  // namespace

void RefuseSectionsTooFarApart(std::span<const std::byte> elf) {
  std::vector<Section> sections;
  try {
    sections = LoadedSections(elf);
  } catch (const RunTimeError&) {
    return;  // objcopy says what else is wrong, in its own words
  }
  RequireExtent(sections);
}

std::vector<std::byte> RawBinaryOfElf(std::span<const std::byte> elf) {
  const std::vector<Section> sections = LoadedSections(elf);
  const auto [lowest, highest, end] = RequireExtent(sections);
  std::vector<std::byte> raw(static_cast<std::size_t>(end - lowest), std::byte{0});
  for (const Section& section : sections) {
    std::copy(section.bytes.begin(), section.bytes.end(),
              raw.begin() + static_cast<std::ptrdiff_t>(section.load_address - lowest));
  }
  return raw;
}

}  // namespace quillet
