#include "convert/elf_raw.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "util/run_time_error.h"

namespace quillet {
namespace {

constexpr std::uint16_t kMachineSh = 42;
constexpr std::uint32_t kSectionNoBits = 8;
constexpr std::uint32_t kSectionAlloc = 0x2;
constexpr std::uint32_t kSegmentLoad = 1;
// Far beyond any Dreamcast program (16 MiB of RAM): a sparse address range is no raw binary.
constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 28;

[[noreturn]] void Refuse(const std::string& why) {
  throw RunTimeError(error::kInvalidArgument, "Invalid procedure call or argument: " + why);
}

// Little-endian fields, read only where the file has them.
class Reader {
 public:
  explicit Reader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::uint32_t Word(std::uint64_t offset, int size, const char* what) const {
    if (offset > bytes_.size() || bytes_.size() - offset < static_cast<std::uint64_t>(size)) {
      Refuse(std::string("the ELF file is cut short (") + what + " lies past its end)");
    }
    std::uint32_t value = 0;
    for (int i = size; i-- > 0;) {
      value = value << 8 | std::to_integer<std::uint32_t>(bytes_[offset + static_cast<std::uint64_t>(i)]);
    }
    return value;
  }
  std::uint32_t U32(std::uint64_t offset, const char* what) const { return Word(offset, 4, what); }
  std::uint16_t U16(std::uint64_t offset, const char* what) const {
    return static_cast<std::uint16_t>(Word(offset, 2, what));
  }
  std::span<const std::byte> Range(std::uint64_t offset, std::uint64_t size, const char* what) const {
    if (offset > bytes_.size() || bytes_.size() - offset < size) {
      Refuse(std::string("the ELF file is cut short (") + what + " lies past its end)");
    }
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
  }

 private:
  std::span<const std::byte> bytes_;
};

struct Segment {
  std::uint32_t offset, virtual_address, physical_address, file_size, memory_size;
};

struct Section {
  std::uint64_t load_address;
  std::span<const std::byte> bytes;
};

}  // namespace

std::vector<std::byte> RawBinaryOfElf(std::span<const std::byte> elf) {
  const Reader file(elf);
  static constexpr unsigned char kMagic[] = {0x7F, 'E', 'L', 'F'};
  if (elf.size() < 52 || std::memcmp(elf.data(), kMagic, sizeof kMagic) != 0) Refuse("this is no ELF file");
  if (std::to_integer<int>(elf[4]) != 1 || std::to_integer<int>(elf[5]) != 1) {
    Refuse("the ELF file is not 32-bit little-endian, as SH programs for the Dreamcast are");
  }
  if (file.U16(18, "the machine") != kMachineSh) Refuse("the ELF file is not for the SH processor");

  const std::uint32_t segments_at = file.U32(28, "the program header table");
  const std::uint16_t segment_size = file.U16(42, "the program header size");
  const std::uint16_t segment_count = file.U16(44, "the program header count");
  const std::uint32_t sections_at = file.U32(32, "the section header table");
  const std::uint16_t section_size = file.U16(46, "the section header size");
  const std::uint16_t section_count = file.U16(48, "the section header count");
  if ((segment_count != 0 && segment_size < 32) || (section_count != 0 && section_size < 40)) {
    Refuse("the ELF file's header tables have entries too small to be real");
  }

  std::vector<Segment> segments;
  for (std::uint32_t i = 0; i < segment_count; ++i) {
    const std::uint64_t at = segments_at + std::uint64_t{i} * segment_size;
    if (file.U32(at, "a program header") != kSegmentLoad) continue;
    segments.push_back({file.U32(at + 4, "a program header"), file.U32(at + 8, "a program header"),
                        file.U32(at + 12, "a program header"), file.U32(at + 16, "a program header"),
                        file.U32(at + 20, "a program header")});
  }

  std::vector<Section> sections;
  for (std::uint32_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = sections_at + std::uint64_t{i} * section_size;
    const std::uint32_t type = file.U32(at + 4, "a section header");
    const std::uint32_t flags = file.U32(at + 8, "a section header");
    const std::uint32_t address = file.U32(at + 12, "a section header");
    const std::uint32_t offset = file.U32(at + 16, "a section header");
    const std::uint32_t size = file.U32(at + 20, "a section header");
    if (!(flags & kSectionAlloc) || type == kSectionNoBits || type == 0 || size == 0) continue;
    // Loaded where the segment holding it says: its load address keeps its place in that segment.
    std::uint64_t load_address = address;
    for (const Segment& segment : segments) {
      const bool inside =
          offset >= segment.offset && std::uint64_t{offset} + size <= std::uint64_t{segment.offset} + segment.file_size;
      if (inside && segment.file_size != 0) {
        load_address = std::uint64_t{segment.physical_address} + (offset - segment.offset);
        break;
      }
    }
    sections.push_back({load_address, file.Range(offset, size, "a section's contents")});
  }
  if (sections.empty()) Refuse("the ELF file has nothing to load");

  std::uint64_t lowest = std::numeric_limits<std::uint64_t>::max(), end = 0;
  for (const Section& section : sections) {
    lowest = std::min(lowest, section.load_address);
    end = std::max(end, section.load_address + section.bytes.size());
  }
  if (end - lowest > kLargestImage) Refuse("the ELF file's sections lie too far apart for a raw binary");
  std::vector<std::byte> raw(static_cast<std::size_t>(end - lowest), std::byte{0});
  for (const Section& section : sections) {
    std::copy(section.bytes.begin(), section.bytes.end(),
              raw.begin() + static_cast<std::ptrdiff_t>(section.load_address - lowest));
  }
  return raw;
}

}  // namespace quillet
