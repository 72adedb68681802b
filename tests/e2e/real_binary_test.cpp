// The detector on genuine SH machine code: a static program built with Debian's SH4 cross
// compiler and turned into a raw binary with GNU objcopy, as a Dreamcast developer does.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "cli/quillet_command.h"
#include "convert/elf_raw.h"
#include "inspect/signatures.h"
#include "sys/file_system.h"

namespace quillet {
namespace {

const std::string kFixtures = QUILLET_SH_FIXTURES;

TEST(RealBinaryTest, RawBinaryAndElfAreUnscrambled) {
  for (const char* name : {"/hello.bin", "/hello.elf"}) {
    const FileContents image = ReadWholeFile(kFixtures + name);
    ASSERT_GT(image.size(), 10000u) << name;
    EXPECT_EQ(ScanSignatures(image.bytes(), BrowseSignatures()), ScrambleVerdict::Unscrambled) << name;
    EXPECT_EQ(ScanSignatures(image.bytes(), StartupSignatures()), ScrambleVerdict::Unscrambled) << name;
  }
}

TEST(RealBinaryTest, TheCLibraryDigitTablesAreWhatGiveItAway) {
  const FileContents image = ReadWholeFile(kFixtures + "/hello.bin");
  std::string letters;
  for (const SignatureMatch& match : FindSignatures(image.bytes(), AllPatterns())) letters += match.letter;
  // glibc's digit tables for printf's %x and %X: "0123456789abcdefghijklmnopqrstuvwxyz".
  EXPECT_NE(letters.find('E'), std::string::npos) << letters;
}

TEST(RealBinaryTest, ElfToRawBinaryIsWhatObjcopyMakes) {
  for (const char* name : {"/hello", "/bare", "/kos"}) {
    const FileContents elf = ReadWholeFile(kFixtures + name + ".elf");
    const FileContents objcopy = ReadWholeFile(kFixtures + name + ".bin");
    const std::vector<std::byte> raw = RawBinaryOfElf(elf.bytes());
    EXPECT_TRUE(std::ranges::equal(raw, objcopy.bytes()))
        << name << ": " << raw.size() << " bytes, objcopy made " << objcopy.size();
  }
}

TEST(RealBinaryTest, CommandLineCallsTheRawBinaryUnscrambledAndTheElfElf) {
  std::ostringstream out, err;
  const std::vector<std::string> arguments{"scan", kFixtures + "/hello.bin", kFixtures + "/hello.elf"};
  EXPECT_EQ(RunQuillet(arguments, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "UNSCRAMBLED\t" + kFixtures + "/hello.bin\nELF\t" + kFixtures + "/hello.elf\n");
}

}  // namespace
}  // namespace quillet
