// DiscJuggler images made here from genisoimage's session image, in every release's table and
// every sector size; the formats told apart by content; cut and malformed tables refused with a
// reason.
#include "formats/cdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc/disc_image.h"
#include "support/disc_writer.h"
#include "support/refusal.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::AsBytes;
using testing::AsText;
using testing::CdiRelease;
using testing::ReadFile;

const std::string kDisc = QUILLET_DISC_FIXTURES;

TEST(CdiTest, TheBootFileOfEachReleaseAndSectorSize) {
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  const std::string iso = ReadFile(kDisc + "/session.iso");
  struct Row {
    CdiRelease release;
    std::uint32_t sector_size;
  };
  for (const Row& row : std::vector<Row>{{CdiRelease::Version2, 2048},
                                         {CdiRelease::Version3, 2336},
                                         {CdiRelease::Version3Build780, 2352},
                                         {CdiRelease::Version35, 2336},
                                         {CdiRelease::Version35, 2352},
                                         {CdiRelease::Version35, 2368},
                                         {CdiRelease::Version35, 2448}}) {
    const std::string image = testing::SelfBootCdi(iso, row.sector_size, row.release);
    const MemorySource source(AsBytes(image));
    ASSERT_EQ(DiscFormatOf(source), DiscFormat::Cdi) << row.sector_size;
    const DiscBootFile disc = BootOfImage(DiscFormat::Cdi, source);
    EXPECT_EQ(disc.track, 2) << row.sector_size;
    EXPECT_GE(disc.boot.lba, 11702u) << row.sector_size;
    EXPECT_EQ(disc.boot.header.title, "QUILLET TEST DISC");
    EXPECT_EQ(AsText(disc.boot.bytes), program)
        << "release " << static_cast<int>(row.release) << ", sectors of " << row.sector_size;
  }
}

TEST(CdiTest, TheFileSystemGoesOnIntoTheSessionsLaterDataTrack) {
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  const std::string iso = ReadFile(kDisc + "/session.iso");
  const std::size_t split = iso.find(program) / 2048;  // the boot file begins the second track
  // Its audio track and the data track that holds the boot file have CD-Text and a third index
  // point, as a pressed CD's tracks may.
  const testing::CdiTrackLayout audio{2352, 0, 150, 300, 0, "A SONG"};
  const testing::CdiTrackLayout first{2336, 2, 150, static_cast<std::uint32_t>(split), 11702, {}};
  const testing::CdiTrackLayout second{2336,
                                       2,
                                       0,
                                       static_cast<std::uint32_t>(iso.size() / 2048 - split),
                                       static_cast<std::uint32_t>(11702 + split),
                                       "THE BOOT FILE"};
  std::string image((150 + 300) * 2352 + 150 * 2336, '\0');
  image += testing::Sectors(iso, 2336, 2);
  image += testing::CdiTable({{audio}, {first, second}}, CdiRelease::Version35, image.size());
  const DiscBootFile disc = BootOfImage(DiscFormat::Cdi, MemorySource(AsBytes(image)));
  EXPECT_EQ(disc.track, 2);
  EXPECT_EQ(AsText(disc.boot.bytes), program);
}

// Data+data discs: a later session's file system may name what the first session holds, at the
// first session's own addresses.
TEST(CdiTest, AnEarlierSessionMayHoldTheBootFileOrTheRootDirectory) {
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  const std::string session = ReadFile(kDisc + "/session.iso");
  const auto little_endian = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t byte = 4; byte-- > 0;) value = value << 8 | static_cast<unsigned char>(session[at + byte]);
    return value;
  };
  const auto at_lba = [](std::string bytes, std::size_t record, std::uint32_t lba) {
    for (std::size_t byte = 0; byte < 4; ++byte) {
      bytes[record + 2 + byte] = bytes[record + 9 - byte] = static_cast<char>((lba >> (8 * byte)) & 0xFF);
    }
    return bytes;
  };
  constexpr std::uint32_t kSessionStart = 11702, kRootThere = 28;
  const std::size_t root_record = 16 * 2048 + 156;
  const std::size_t root = (little_endian(root_record + 2) - kSessionStart) * 2048;
  // The boot file's extent moved to LBA 0, where the first session holds the program.
  const std::string boot_file_first = at_lba(session, session.find("1ST_READ.BIN;1") - 33, 0);
  std::string program_track = program;
  program_track.resize((program.size() + 2047) / 2048 * 2048, '\0');
  // The root directory moved to LBA 28 of the first session, its "." entry saying so.
  const std::string root_first = at_lba(session, root_record, kRootThere);
  std::string root_track((kRootThere + 1) * 2048, '\0');
  root_track.replace(kRootThere * 2048, 2048, at_lba(session.substr(root, 2048), 0, kRootThere));
  struct Row {
    const char* name;
    std::string first_track, second_track;
  };
  for (const Row& row : std::vector<Row>{{"the boot file", program_track, boot_file_first},
                                         {"the root directory", root_track, root_first}}) {
    const auto sectors = [](const std::string& track) { return static_cast<std::uint32_t>(track.size() / 2048); };
    const testing::CdiTrackLayout first{2352, 1, 150, sectors(row.first_track), 0, {}};
    const testing::CdiTrackLayout second{2336, 2, 150, sectors(row.second_track), kSessionStart, {}};
    std::string image(150 * 2352, '\0');
    image += testing::Sectors(row.first_track, 2352, 1) + std::string(150 * 2336, '\0') +
             testing::Sectors(row.second_track, 2336, 2);
    image += testing::CdiTable({{first}, {second}}, CdiRelease::Version35, image.size());
    const DiscBootFile disc = BootOfImage(DiscFormat::Cdi, MemorySource(AsBytes(image)));
    EXPECT_EQ(disc.track, 2) << row.name;
    EXPECT_EQ(AsText(disc.boot.bytes), program) << row.name;
  }
}

TEST(CdiTest, FormatsAreToldByNameElseByContent) {
  const std::string iso = ReadFile(kDisc + "/plain.iso");
  struct Row {
    const char* name;  // the file's, where it is not "image"
    std::string bytes;
    std::optional<DiscFormat> format;
  };
  const std::string program = ReadFile(QUILLET_DISC_PAYLOAD);
  for (const Row& row : std::vector<Row>{
           {"cdi", testing::SelfBootCdi(ReadFile(kDisc + "/session.iso"), 2336, CdiRelease::Version35),
            DiscFormat::Cdi},
           {"iso", iso, DiscFormat::Iso},
           {"gdi", "3\n1 0 4 2352 track01.bin 0\n2 450 0 2352 track02.raw 0\n3 45000 4 2352 track03.bin 0\n",
            DiscFormat::Gdi},
           {"program", program, std::nullopt},
           {"a program that ends like a trailer", program + std::string("\x06\0\0\x80\x40\0\0\0", 8), std::nullopt},
           {"named game.Cdi", program, DiscFormat::Cdi},
           {"named disc.GDI", program, DiscFormat::Gdi},
           {"named game.iso.bin", iso, DiscFormat::Iso},
           {"a number and no tracks", "3\n", std::nullopt},
           {"empty", "", std::nullopt},
       }) {
    const std::string_view name(row.name);
    const std::string_view file = name.starts_with("named ") ? name.substr(6) : "image";
    EXPECT_EQ(DiscFormatOf(MemorySource(AsBytes(row.bytes)), file), row.format) << row.name;
  }
}

TEST(CdiTest, CutAndMalformedImagesAreRefusedWithAReason) {
  const std::string iso = ReadFile(kDisc + "/session.iso");
  const std::string image = testing::SelfBootCdi(iso, 2352, CdiRelease::Version3);
  const testing::SelfBootLayout layout(static_cast<std::uint32_t>(iso.size() / 2048), 2352);
  std::vector<testing::CdiEntryFields> fields;
  layout.Table(CdiRelease::Version3, &fields);
  const std::size_t table = layout.data_end();
  const testing::CdiEntryFields& first = fields.front();  // the audio track's, counted from the table's start
  const auto with = [&](std::size_t at, const std::string& bytes) {
    std::string changed = image;
    changed.replace(at, bytes.size(), bytes);
    return changed;
  };
  // A table that announces one session and ends there: the trailer points 2 bytes before itself.
  std::string cut_table = with(image.size() - 10, std::string("\x01\x00", 2));
  for (std::size_t byte = 0, start = image.size() - 10; byte < 4; ++byte, start >>= 8) {
    cut_table[image.size() - 4 + byte] = static_cast<char>(start & 0xFF);
  }
  struct Row {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"cut at the end", image.substr(0, image.size() - 3), "no DiscJuggler trailer"},
           {"a trailer past the end", with(image.size() - 4, "\xFF\xFF\xFF\x7F"), "no DiscJuggler trailer"},
           {"no sessions", with(table, std::string(2, '\0')), "announces 0 sessions"},
           {"only a session left open", with(table + 2, std::string(2, '\0')), "lists no tracks"},
           {"a track without its start mark", with(table + first.start_mark, "\x07"), "lacks its start mark"},
           {"a session of 300 tracks", with(table + 2, "\x2C\x01"), "300 tracks"},
           {"a track of one index point", with(table + first.index_points, std::string("\x01\x00", 2)),
            "lacks its index points"},
           {"2^32 - 1 blocks of CD-Text", with(table + first.text_blocks, "\xFF\xFF\xFF\xFF"),
            "4294967295 blocks of CD-Text"},
           {"a pregap longer than its track", with(table + first.pregap, "\xFF\xFF\x00\x00"), "pregap longer"},
           {"an audio track of 2^31 sectors", with(table + first.length, "\xFF\xFF\xFF\x7F"), "before its boot track"},
           {"the table cut short", cut_table, "cut short"},
       }) {
    testing::ExpectRefusal(row.name, row.reason,
                           [&] { BootOfImage(DiscFormat::Cdi, MemorySource(AsBytes(row.bytes))); });
  }
  // A disc left open ends its table in a session of no tracks; the one before it boots.
  const std::string open = with(table, std::string("\x03\x00", 2));
  EXPECT_EQ(AsText(BootOfImage(DiscFormat::Cdi, MemorySource(AsBytes(open))).boot.bytes),
            ReadFile(QUILLET_DISC_PAYLOAD));
}

}  // namespace
}  // namespace quillet
