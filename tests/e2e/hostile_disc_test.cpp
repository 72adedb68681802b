// Disc images made hostile, through quillet scan: each is answered at once in one sentence that
// says what is wrong (or judged, where nothing is), without the window's prefix; names read from
// inside an image come out with their control characters escaped; and an image of a format
// Quillet does not read is refused by its content, whatever its name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/quillet_command.h"
#include "core/disc_file.h"
#include "core/file_source.h"
#include "disc/boot_rule.h"
#include "disc/disc_image.h"
#include "support/disc_writer.h"
#include "support/temp_folder.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::CdiRelease;
using testing::DirectoryRecord;
using testing::ReadFile;

const std::string kDisc = QUILLET_SH_FIXTURES "/disc";

std::string With(std::string bytes, std::size_t at, const std::string& part) {
  return bytes.replace(at, part.size(), part);
}

TEST(HostileDiscTest, EachIsAnsweredInOneSentence) {
  const testing::TempFolder folder;
  const std::string plain = ReadFile(kDisc + "/plain.iso");
  const std::string session = ReadFile(kDisc + "/session.iso");
  const std::size_t record = plain.find("1ST_READ.BIN;1") - 33;  // the boot file's directory record
  const auto renamed = [&](const std::string& name, char flags) {
    std::string changed = With(plain, record + 33, name);
    changed[record + 25] = flags;
    return changed;
  };
  const auto sized = [](std::string bytes, std::size_t size) {
    bytes.resize(size, '\0');
    return bytes;
  };
  const auto gdi = [&](const std::string& name, const std::string& track_file) {
    return folder.Write(
        name, "3\n1 0 4 2352 track01.bin 0\n2 450 0 2352 track02.raw 0\n3 45000 4 2048 " + track_file + " 0\n");
  };
  // A GD-ROM dump of 99 tracks, each naming one sparse file.
  { std::ofstream(folder.PathOf("sparse.bin")).flush(); }
  fs::resize_file(folder.PathOf("sparse.bin"), 20 << 20);
  fs::create_directory(folder.PathOf("folder.iso"));
  ASSERT_EQ(::mkfifo(folder.PathOf("fifo.iso").c_str(), 0600), 0);
  fs::create_symlink("loop.iso", folder.PathOf("loop.iso"));
  // A raw sector's sync at the start and where sector 16 would begin, its header past the end.
  const std::string sync("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
  const std::string probe = With(With(std::string(37644, '\0'), 0, sync), 37632, sync);
  // Formats Quillet does not read, whatever the name: Nero's chunk table is named by its last 12 or 8
  // bytes. A program that merely ends in "NER5" is still a program.
  const std::string program = ReadFile(QUILLET_SH_FIXTURES "/hello.bin");
  const auto nero = [&](const std::string& id, std::size_t width, std::uint64_t table) {
    std::string footer = id + std::string(width, '\0');
    for (std::size_t byte = 0; byte < width; ++byte)
      footer[footer.size() - 1 - byte] = static_cast<char>(table >> (8 * byte));
    return program + "CUEX" + std::string(4, '\0') + footer;
  };
  const std::string reads = "; Quillet reads CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images";
  // CHDs as chdman -c none writes them, made hostile: metadata that claims 16 MiB, runs in a circle
  // or holds one entry of 16 MiB; a GD-ROM whose last track has no frames and begins at the end
  // of the last hunk; three hunks of 16 MiB (more than the reader keeps) that a file system of 4,000
  // folders reads by turns.
  const auto frames = [](const std::string& sectors, std::size_t size) {
    std::string framed;
    for (std::size_t at = 0; at < sectors.size(); at += size)
      framed += sectors.substr(at, size) + std::string(2448 - size, '\0');
    return framed;
  };
  testing::PlainChd tiny{8 * 2448, {""}, {"TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:8"}};
  std::string claims = tiny.Bytes().substr(0, tiny.metadata_offset() + 16);
  claims[tiny.metadata_offset() + 5] = claims[tiny.metadata_offset() + 6] = claims[tiny.metadata_offset() + 7] = '\xFF';
  std::string circle = tiny.Bytes();
  circle[tiny.metadata_offset() + 15] = static_cast<char>(tiny.metadata_offset());
  tiny.tracks = {std::string(16777214, 'A')};
  const testing::PlainChd empty_last{
      8 * 2448,
      std::vector<std::string>(56, std::string()),
      {"TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:8", "TRACK:2 TYPE:AUDIO SUBTYPE:NONE FRAMES:8",
       "TRACK:3 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:432", "TRACK:4 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:0"},
      "CHGD"};
  testing::PlainChd gd_rom = empty_last;
  const std::string boot_track = frames(testing::Sectors(ReadFile(kDisc + "/gdrom.iso"), 2352, 1, 45000), 2352);
  for (std::size_t hunk = 2; hunk < 56; ++hunk) gd_rom.hunks[hunk] = boot_track.substr((hunk - 2) * 8 * 2448, 8 * 2448);
  constexpr std::uint32_t kHunkFrames = 6853;
  std::string root;
  const auto add = [&root](const std::string& entry) {
    if (root.size() / 2048 != (root.size() + entry.size() - 1) / 2048) root.resize((root.size() / 2048 + 1) * 2048);
    root += entry;
  };
  add(DirectoryRecord(24, 0, true, std::string(1, '\0')));
  add(DirectoryRecord(24, 0, true, std::string(1, '\1')));
  for (std::uint32_t folder_number = 0; folder_number < 4000; ++folder_number) {
    const std::uint32_t lba = folder_number % 3 * kHunkFrames + 200 + folder_number / 3;
    add(DirectoryRecord(lba, 2048, true, std::to_string(folder_number)));
  }
  root.resize((root.size() + 2047) / 2048 * 2048, '\0');
  std::string thrashing_iso = plain.substr(0, 24 * 2048) + root;
  const std::string self = DirectoryRecord(24, static_cast<std::uint32_t>(root.size()), true, std::string(1, '\0'));
  thrashing_iso.replace(16 * 2048 + 156, self.size(), self);
  std::string first_hunk = frames(thrashing_iso, 2048);
  first_hunk.resize(kHunkFrames * 2448, '\0');
  const testing::PlainChd thrashing{kHunkFrames * 2448,
                                    {first_hunk, "", ""},
                                    {"TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:" + std::to_string(3 * kHunkFrames)}};

  struct Row {
    std::string path;
    std::string said;  // after "quillet: PATH: ", or the line judged
  };
  for (const Row& row : std::vector<Row>{
           {folder.Write("bomb.iso", sized(testing::DirectoryBomb(plain, 4095, 0x7FF00000), 16 << 20)),
            "a directory of the image claims 2146435072 bytes, more than any disc's (1 MiB): the image is malformed"},
           {folder.Write("deep.iso", sized(testing::DirectoryBomb(plain, 9, 1 << 20), 12 << 20)),
            "the image's directories run to more than 8 MiB before its boot file is found: it is malformed"},
           {folder.Write("tracks.gdi", testing::GdiOf99Tracks("sparse.bin")),
            "the disc has no bootstrap (no IP.BIN with a boot file name)"},
           {gdi("missing.gdi", "track03.iso"), "its track file track03.iso: File not found"},
           {gdi("folder.gdi", "folder.iso"),
            "its track file folder.iso: Path/File access error: the path names a folder, not a file"},
           {gdi("fifo.gdi", "fifo.iso"),
            "its track file fifo.iso: Path/File access error: the path names a device or pipe, not a file"},
           {gdi("loop.gdi", "loop.iso"),
            "its track file loop.iso: Path/File access error: Too many levels of symbolic links"},
           {folder.Write("empty.gdi", ""), "the .gdi file does not begin with its number of tracks (1 to 99)"},
           {folder.Write("probe.bin", probe), "UNDECIDED\t" + folder.PathOf("probe.bin")},
           {folder.Write("escape.iso", renamed("1ST_READ.BIN;\x1b", '\x80')),
            "1ST_READ.BIN;\\x1b is stored in several extents, which Quillet does not read"},
           {folder.Write("newline.iso", renamed("1ST_READ.BIN;\n", 0).substr(0, plain.size() - 400000)),
            "1ST_READ.BIN;\\x0a lies past the image's end (the image is cut short)"},
           {folder.Write("utopia.nrg", nero("NER5", 8, program.size())), "utopia.nrg is a Nero image" + reads},
           {folder.Write("utopia.iso", nero("NERO", 4, program.size())), "utopia.iso is a Nero image" + reads},
           {folder.Write("ends.bin", nero("NER5", 8, 1 << 30)), "UNSCRAMBLED\t" + folder.PathOf("ends.bin")},
           {folder.Write("game.chd", "MComprHD" + std::string("\0\0\0\x78\0\0\0\x04", 8) + program),
            "the CHD is of version 4, which Quillet does not read: make it version 5 with chdman copy"},
           {folder.Write("game.cdi", "MEDIA DESCRIPTOR" + program), "game.cdi is an Alcohol image (.mds)" + reads},
           {folder.Write("game.ccd", "[CloneCD]\r\nVersion=3\r\n"),
            "game.ccd is a CloneCD control file (.ccd)" + reads},
           {folder.Write("blank.ccd", "\r\n[CloneCD]\r\nVersion=3\r\n"),
            "blank.ccd is a CloneCD control file (.ccd)" + reads},
           {folder.Write("twice.cue",
                         "\xEF\xBB\xBF\xEF\xBB\xBF" + std::string("FILE \"twice.cue\" BINARY\n  TRACK 01 MODE1/2352\n"
                                                                  "    INDEX 01 00:00:00\n")),
            "line 2 of the cue sheet is a track before any FILE line"},
           {folder.Write("outside.cue", "FILE \"../game.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"),
            "line 1 of the cue sheet names a track file outside its folder: ../game.bin"},
           {folder.Write("claims.chd", claims),
            "the CHD is cut short: an entry of its metadata runs past the file's end"},
           {folder.Write("circle.chd", circle), "the CHD's metadata is damaged: its entries run in a circle"},
           {folder.Write("long.chd", tiny.Bytes()),
            "the CHD's table of tracks is damaged: an entry is 16777215 bytes long, where a track's takes a hundred"},
           {folder.Write("empty.chd", gd_rom.Bytes()),
            "UNSCRAMBLED\t" + folder.PathOf("empty.chd") + "\t1ST_READ.BIN\n" + folder.PathOf("empty.chd") +
                ": its IP.BIN carries boot code of its own: whether it starts an unscrambled 1ST_READ.BIN depends on "
                "that code; try the disc on an emulator before burning it"},
           {folder.Write("thrash.chd", thrashing.Bytes()),
            "the CHD is malformed: reading its file system decompresses hunk after hunk of 16776144 bytes for a few "
            "sectors of each"},
           {folder.Write("inside.iso", With(plain, record + 2, std::string(8, '\0'))),
            "1ST_READ.BIN;1 lies in the disc's bootstrap (its IP.BIN), where no program can be: the image is "
            "malformed"},
       }) {
    std::ostringstream out, err;
    const std::vector<std::string> arguments{"scan", row.path};
    RunQuillet(arguments, out, err);
    const std::string said = err.str().empty() ? out.str() : err.str();
    EXPECT_EQ(said, (err.str().empty() ? "" : "quillet: " + row.path + ": ") + row.said + "\n");
  }
  // Images whose boot file's sectors are also another thing's, or whose table lies about where its
  // sectors end: quillet fix would change more than the boot file, so it writes nothing. Their boot
  // code is taken for stock, and each boot file is unscrambled, so that the fix would scramble it.
  TrustBootCode(DiscBootAt(kDisc + "/plain.iso")->boot.header.boot_code);
  const std::size_t after_boot_record = record + static_cast<unsigned char>(plain[record]);
  const auto adding = [&](const std::string& name, std::uint32_t lba, std::uint32_t size) {
    return With(plain, after_boot_record, DirectoryRecord(lba, size, false, name));
  };
  const auto at_lba = [&](std::uint32_t lba) {
    std::string moved = plain;
    for (std::size_t byte = 0; byte < 4; ++byte) {  // both-endian: little, then big
      moved[record + 2 + byte] = moved[record + 9 - byte] = static_cast<char>((lba >> (8 * byte)) & 0xFF);
    }
    return moved;
  };
  // A CDI whose data track holds one sector less than its table claims, the last of the boot file's:
  // the table (of a disc with many short audio tracks before it, as long as a sector) begins where
  // that sector would be.
  const auto boot_end = static_cast<std::uint32_t>((session.find(program) + program.size() + 2047) / 2048);
  const std::vector<testing::CdiTrackLayout> short_tracks(14, {2352, 0, 0, 1, 0, {}});
  std::string lying =
      std::string((14 + 150) * 2352, '\0') + testing::Sectors(session.substr(0, (boot_end - 1) * 2048), 2352, 2);
  const std::size_t table_start = lying.size();
  lying += testing::CdiTable({short_tracks, {{2352, 2, 150, boot_end, 11702, {}}}}, CdiRelease::Version35, 0);
  ASSERT_GT(lying.size() - table_start, 2352u) << "a table as long as a sector";
  const std::string overwrites = "rewriting them would change it too; nothing written";
  for (const Row& row : std::vector<Row>{
           {folder.Write("descriptor.iso", at_lba(16)),
            "not fixed: 1ST_READ.BIN's sectors (LBA 16 to 273) are also a volume descriptor's (LBA 16): " + overwrites},
           {folder.Write("root.iso", at_lba(23)),
            "not fixed: 1ST_READ.BIN's sectors (LBA 23 to 280) are also the root directory's (LBA 23): " + overwrites},
           {folder.Write("other.iso", adding("OTHER.BIN;1", 100, 4096)),
            "not fixed: 1ST_READ.BIN's sectors (LBA 24 to 281) are also the file OTHER.BIN;1's (LBA 100 to 101): " +
                overwrites},
           {folder.Write("shared.iso", adding("COPY.BIN;1", 24, static_cast<std::uint32_t>(program.size()))),
            "not fixed: 1ST_READ.BIN's sectors (LBA 24 to 281) are also the file COPY.BIN;1's (LBA 24 to 281): " +
                overwrites},
           {folder.Write("lying.cdi", lying),
            "not fixed: the image's table of tracks claims sectors that its own table takes (from byte " +
                std::to_string(table_start) + "): rewriting them would overwrite the table; nothing written"},
       }) {
    std::ostringstream out, err;
    const std::vector<std::string> arguments{"fix", row.path};
    EXPECT_EQ(RunQuillet(arguments, out, err), 1) << out.str();
    EXPECT_EQ(err.str(), "quillet: " + row.path + ": " + row.said + "\n");
  }
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    EXPECT_EQ(entry.path().filename().string().find("_fixed"), std::string::npos) << "written: " << entry.path();
  }
  // A CDI whose trailer is no longer last, in each sector's framing, and with the all-zero
  // subheaders DiscJuggler writes: never judged as a program.
  for (const std::uint32_t sector_size : {2048u, 2336u, 2352u, 0u}) {
    std::string cdi = testing::SelfBootCdi(session, sector_size ? sector_size : 2336, CdiRelease::Version2);
    if (sector_size == 0) {
      const testing::SelfBootLayout layout(static_cast<std::uint32_t>(session.size() / 2048), 2336);
      for (std::uint64_t at = layout.data_start(); at < layout.data_end(); at += 2336) cdi.replace(at, 8, 8, '\0');
    }
    const std::string path = folder.Write("padded.bin", cdi + "x");
    std::ostringstream out, err;
    const std::vector<std::string> arguments{"scan", path};
    EXPECT_EQ(RunQuillet(arguments, out, err), 1) << sector_size << ": " << out.str();
    EXPECT_TRUE(err.str().starts_with("quillet: " + path +
                                      ": padded.bin is a disc image that cannot be read: it holds a Dreamcast "
                                      "bootstrap in a data sector at byte "))
        << err.str();
  }
  // An image that shrinks while it is read changed; it is not one that lacks its boot file.
  const std::string shrinking = folder.Write("shrinking.iso", plain);
  const FileSource source(shrinking);
  fs::resize_file(shrinking, 40000);
  try {
    BootOfImage(DiscFormat::Iso, source);
    ADD_FAILURE() << "accepted";
  } catch (const RunTimeError& failure) {
    EXPECT_EQ(failure.number(), 57) << failure.description();
  }
}

}  // namespace
}  // namespace quillet
