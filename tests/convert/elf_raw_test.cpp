#include "convert/elf_raw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/refusal.h"

namespace quillet {
namespace {

// A minimal SH executable: one loadable section of four bytes at 0x8c010000, and room after it.
std::vector<std::byte> TinyElf() {
  std::vector<unsigned char> bytes(52 + 2 * 40 + 4, 0);
  const auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
      bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
  };
  std::memcpy(bytes.data(),
              "\x7F"
              "ELF\x01\x01\x01",
              7);
  put(18, 42, 2);  // SH
  put(32, 52, 4);  // section headers right after the file header
  put(46, 40, 2);  // of 40 bytes
  put(48, 2, 2);   // two: the null section and ours
  const std::size_t ours = 52 + 40;
  put(ours + 4, 1, 4);    // PROGBITS
  put(ours + 8, 0x6, 4);  // ALLOC | EXECINSTR
  put(ours + 12, 0x8c010000, 4);
  put(ours + 16, 52 + 80, 4);
  put(ours + 20, 4, 4);
  std::memcpy(bytes.data() + 52 + 80, "\x09\x00\x0b\x00", 4);
  std::vector<std::byte> elf(bytes.size());
  std::memcpy(elf.data(), bytes.data(), bytes.size());
  return elf;
}

TEST(ElfRawTest, RefusesWhatIsNoSmallEndianShExecutable) {
  struct Row {
    const char* name;
    std::size_t at;  // the byte changed
    unsigned char value;
    const char* says;
  };
  for (const Row& row : std::vector<Row>{
           {"not ELF", 1, 'X', "this is no ELF file"},
           {"64-bit", 4, 2, "not 32-bit little-endian"},
           {"big-endian", 5, 2, "not 32-bit little-endian"},
           {"another processor", 18, 3, "not for the SH processor"},
           {"contents past the end", 52 + 40 + 20, 200, "cut short"},
           {"headers past the end", 32, 200, "cut short"},
           {"tiny header entries", 46, 8, "too small to be real"},
           {"nothing loaded", 52 + 40 + 8, 0, "nothing to load"},
       }) {
    std::vector<std::byte> elf = TinyElf();
    elf[row.at] = std::byte{row.value};
    testing::ExpectRefusal(row.name, row.says, [&] { RawBinaryOfElf(elf); });
  }
  EXPECT_EQ(RawBinaryOfElf(TinyElf()).size(), 4u);
}

}  // namespace
}  // namespace quillet
