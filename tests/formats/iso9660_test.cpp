// The boot file of ISO images that genisoimage made with an IP.BIN of our own: at the root, in a
// later session's addresses, in a folder; and images that are cut, or no disc at all. Then the
// file systems Quillet writes, read back by the same reader.
#include "formats/iso9660.h"
#include "disc/boot_file.h"
#include "disc/disc_image.h"
#include "formats/iso9660_writer.h"

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

TEST(Iso9660Test, WrittenFileSystemsReadBackOrAreRefusedNamingTheFile) {
  struct Row {
    const char* label;
    std::vector<std::string> paths;  // the boot file's first
    const char* refusal = nullptr;
  };
  std::vector<std::string> crowded = {"1ST_READ.BIN"};  // a directory of several sectors
  for (int file = 0; file < 120; ++file) crowded.push_back("DATA/F" + std::to_string(1000 + file) + ".BIN");
  const Row rows[] = {
      {"a folder of 120 files", crowded},
      {"folders 8 levels deep, names in lower case", {"1ST_READ.BIN", "a/b/c/d/e/f/g/level.dat", "readme.txt"}},
      {"folders 9 levels deep", {"1ST_READ.BIN", "A/B/C/D/E/F/G/H/X.BIN"}, "8 levels deep at most"},
      {"a name of 9 letters", {"1ST_READ.BIN", "LONGNAMES.BIN"}, "\"LONGNAMES.BIN\" is no name"},
      {"an extension of 4", {"1ST_READ.BIN", "X.DATA"}, "\"X.DATA\" is no name"},
      {"a hyphen", {"1ST_READ.BIN", "my-map.bin"}, "\"my-map.bin\" is no name"},
      {"a folder with a dot", {"1ST_READ.BIN", "V1.0/X.BIN"}, "\"V1.0\" is no name"},
      {"names that differ in case", {"1ST_READ.BIN", "map.bin", "MAP.BIN"}, "two files or folders named MAP.BIN"},
      {"the boot file's name again", {"1ST_READ.BIN", "1st_read.bin"}, "two files or folders named 1ST_READ.BIN"},
      {"a file and a folder of one name",
       {"1ST_READ.BIN", "DATA", "DATA/X.BIN"},
       "a file and a folder both named DATA"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    std::vector<IsoFileEntry> entries;
    std::vector<std::string> contents;
    for (std::size_t index = 0; index < row.paths.size(); ++index) {
      contents.push_back(std::string(1 + index * 997 % 5000, static_cast<char>('a' + index % 26)));
      entries.push_back({row.paths[index], contents.back().size(), row.paths[index]});
    }
    IsoVolumeRequest request{{}, 0, 1700000000, "TEST", 0};
    const std::string ip = ReadFile(kDisc + "/IP.BIN");
    request.system_area.assign(AsBytes(ip).begin(), AsBytes(ip).end());
    if (row.refusal) {
      testing::ExpectRefusal(row.label, row.refusal, [&] { IsoImage(request, entries); });
      continue;
    }
    const IsoImage volume(request, entries);
    std::string image(std::size_t{volume.sectors()} * 2048, '\0');
    volume.Read(0, std::as_writable_bytes(std::span(image)), [&](std::size_t entry, std::uint64_t offset, auto into) {
      std::copy_n(AsBytes(contents[entry]).begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
    });
    const MemorySource source(AsBytes(image));
    const Track track(source, 0, image.size(), 2048, 0);
    EXPECT_EQ(IsoVolumeSectors(track), volume.sectors());
    for (std::size_t index = 0; index < row.paths.size(); ++index) {
      const std::string& path = row.paths[index];
      const std::optional<IsoFile> file = FindIsoFile(track, path.substr(path.rfind('/') + 1));
      ASSERT_TRUE(file) << path;
      EXPECT_EQ(file->lba, volume.EntrySector(index)) << path;
      EXPECT_GE(file->lba, volume.EntrySector(0)) << path;  // the boot file first
      EXPECT_EQ(image.substr(std::size_t{file->lba} * 2048, file->size), contents[index]) << path;
    }
  }
}

}  // namespace
}  // namespace quillet
