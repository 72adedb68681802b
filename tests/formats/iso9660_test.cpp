// The boot file of ISO images that genisoimage made with an IP.BIN of our own: at the root, in a
// later session's addresses, in a folder; and images that are cut, or no disc at all.
#include "disc/boot_file.h"
#include "disc/disc_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/disc_writer.h"
#include "support/refusal.h"
#include "support/temp_folder.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::AsBytes;
using testing::AsText;
using testing::ReadFile;

const std::string kDisc = QUILLET_DISC_FIXTURES;

TEST(Iso9660Test, FoundWhereverTheImageKeepsIt) {
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  struct Row {
    const char* image;
    std::uint32_t lowest_lba;
    std::string title = {};  // where given, the IP.BIN's title field as written
  };
  std::string nuls("\0QUILLET\x01TEST DISC", 19);
  nuls.resize(128, '\0');
  for (const Row& row :
       std::vector<Row>{{"plain.iso", 17}, {"session.iso", 11702 + 17}, {"folder.iso", 17}, {"plain.iso", 17, nuls}}) {
    std::string image = ReadFile(kDisc + "/" + row.image);
    if (!row.title.empty()) image.replace(0x80, row.title.size(), row.title);
    const DiscBootFile disc = BootOfImage(DiscFormat::Iso, MemorySource(AsBytes(image)));
    EXPECT_FALSE(disc.gd_rom) << row.image;  // a CD-R's session, wherever it begins
    const BootFile& boot = disc.boot;
    EXPECT_EQ(boot.header.boot_file, "1ST_READ.BIN") << row.image;
    EXPECT_EQ(boot.header.product_number, "T-QUILL") << row.image;
    EXPECT_EQ(boot.header.title, "QUILLET TEST DISC") << row.image;
    EXPECT_GE(boot.lba, row.lowest_lba) << row.image;
    EXPECT_EQ(AsText(boot.bytes), program) << row.image;
  }
}

TEST(Iso9660Test, EachSectorSizeOfAGdRomBootTrack) {
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  const std::string iso = ReadFile(kDisc + "/gdrom.iso");
  struct Row {
    std::size_t size;
    int mode;
  };
  for (const Row& row : std::vector<Row>{{2048, 1}, {2352, 1}, {2352, 2}, {2336, 2}, {2368, 1}, {2448, 2}}) {
    const std::string bytes = row.size == 2048 ? iso : testing::Sectors(iso, row.size, row.mode);
    const MemorySource source(AsBytes(bytes));
    const BootFile boot = BootFileOfTrack(Track(source, 0, source.size(), row.size, 45000));
    EXPECT_EQ(boot.header.boot_file, "1ST_READ.BIN") << row.size;
    EXPECT_GE(boot.lba, 45000u) << row.size;
    EXPECT_EQ(AsText(boot.bytes), program) << row.size << ", mode " << row.mode;
    // The track file alone, as a dump keeps it: told by its content, its addresses found.
    ASSERT_EQ(DiscFormatOf(source, "track03.bin"), DiscFormat::Iso) << row.size << ", mode " << row.mode;
    const DiscBootFile alone = BootOfImage(DiscFormat::Iso, source);
    EXPECT_TRUE(alone.gd_rom && alone.track == 3) << row.size << ", mode " << row.mode;
    EXPECT_EQ(AsText(alone.boot.bytes), program) << row.size << ", mode " << row.mode;
  }
}

TEST(Iso9660Test, CutOrForeignImagesAreRefusedWithAReason) {
  const std::string image = ReadFile(kDisc + "/plain.iso");
  std::string renamed = image;
  renamed.replace(0x60, 16, "MISSING.BIN     ");
  const std::string gd_rom = ReadFile(kDisc + "/gdrom.iso");
  // A second session's image whose root directory, as genisoimage -M leaves it, is in the first.
  std::string later = ReadFile(kDisc + "/session.iso");
  later.replace(16 * 2048 + 156 + 2, 8, std::string("\x64\0\0\0\0\0\0\x64", 8));
  struct Row {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"cut inside its bootstrap", image.substr(0, 20000), "no ISO 9660 file system"},
           {"cut before its file system", image.substr(0, 16 * 2048 + 100), "no ISO 9660 file system"},
           {"cut inside its boot file", image.substr(0, image.size() - 400000), "cut short"},
           {"a boot file it does not hold", renamed, "holds no MISSING.BIN"},
           {"a GD-ROM's boot track without the track that holds the boot file",
            gd_rom.substr(0, gd_rom.size() - 400000), "the image is one track of a GD-ROM: scan the dump's .gdi"},
           {"no bootstrap", std::string(32768, '\0') + image.substr(32768), "no bootstrap"},
           {"a program, no disc", ReadFile(QUILLET_DISC_PAYLOAD), "no ISO 9660 file system"},
           {"a later session's root in an earlier one", later,
            "root directory lies in an earlier session of its disc, which this image does not hold"},
       }) {
    testing::ExpectRefusal(row.name, row.reason,
                           [&] { BootOfImage(DiscFormat::Iso, MemorySource(AsBytes(row.bytes))); });
  }
  // The page says what to do with a lone GD-ROM track in the words of someone choosing files.
  try {
    BootOfImage(DiscFormat::Iso, MemorySource(AsBytes(gd_rom.substr(0, gd_rom.size() - 400000))));
    ADD_FAILURE() << "a lone GD-ROM track cut short was taken";
  } catch (const RunTimeError& failure) {
    EXPECT_TRUE(
        PlainReason(failure).ends_with("(the image is one track of a GD-ROM: choose the dump's .gdi with all "
                                       "its track files)"))
        << PlainReason(failure);
  }
}

}  // namespace
}  // namespace quillet
