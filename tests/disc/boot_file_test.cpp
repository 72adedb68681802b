// The boot file of ISO images that genisoimage made with an IP.BIN of our own: at the root, in a
// later session's addresses, in a folder; and images that are cut, or no disc at all.
#include "disc/boot_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::ReadFile;

const std::string kDisc = QUILLET_SH_FIXTURES "/disc";

std::span<const std::byte> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

TEST(BootFileTest, FoundWhereverTheImageKeepsIt) {
  const std::string program = ReadFile(QUILLET_SH_FIXTURES "/hello.bin");
  struct Row {
    const char* image;
    std::uint32_t lowest_lba;
  };
  for (const Row& row : std::vector<Row>{{"plain.iso", 17}, {"session.iso", 11702 + 17}, {"folder.iso", 17}}) {
    const std::string image = ReadFile(kDisc + "/" + row.image);
    const BootFile boot = BootFileOfIso(Bytes(image));
    EXPECT_EQ(boot.header.boot_file, "1ST_READ.BIN") << row.image;
    EXPECT_EQ(boot.header.product_number, "T-QUILL") << row.image;
    EXPECT_EQ(boot.header.title, "QUILLET TEST DISC") << row.image;
    EXPECT_EQ(boot.name, "1ST_READ.BIN;1") << row.image;
    EXPECT_GE(boot.lba, row.lowest_lba) << row.image;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(boot.bytes.data()), boot.bytes.size()), program) << row.image;
  }
}

TEST(BootFileTest, CutOrForeignImagesAreRefusedWithAReason) {
  const std::string image = ReadFile(kDisc + "/plain.iso");
  std::string renamed = image;
  renamed.replace(0x60, 16, "MISSING.BIN     ");
  struct Row {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"cut inside its bootstrap", image.substr(0, 20000), "it ends inside its bootstrap"},
           {"cut before its file system", image.substr(0, 16 * 2048 + 100), "no ISO 9660 file system"},
           {"cut inside its boot file", image.substr(0, image.size() - 400000), "cut short"},
           {"a boot file it does not hold", renamed, "holds no MISSING.BIN"},
           {"a program, no disc", ReadFile(QUILLET_SH_FIXTURES "/hello.bin"), "no bootstrap"},
       }) {
    try {
      BootFileOfIso(Bytes(row.bytes));
      ADD_FAILURE() << row.name << ": accepted";
    } catch (const RunTimeError& failure) {
      EXPECT_NE(std::string(failure.description()).find(row.reason), std::string::npos)
          << row.name << ": " << failure.description();
    }
  }
}

}  // namespace
}  // namespace quillet
