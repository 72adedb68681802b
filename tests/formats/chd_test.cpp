// CHDs as chdman makes them: a CD's one track in each codec, a GD-ROM dump from its .gdi and from
// Redump's cue sheet with its file system split over two data tracks, a two-session CD-R; each
// hunk read and checked, the boot file the one burned. Then damaged, cut, older and dependent
// CHDs, each refused in one sentence.
#include "formats/chd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/file_source.h"
#include "disc/boot_report.h"
#include "disc/disc_image.h"
#include "formats/chd_codecs.h"
#include "support/refusal.h"
#include "util/little_endian.h"

namespace quillet {
namespace {

const std::string kDisc = QUILLET_DISC_FIXTURES;

std::vector<std::byte> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const auto* begin = reinterpret_cast<const std::byte*>(bytes.data());
  return {begin, begin + bytes.size()};
}

DiscBootFile BootOf(const ByteSource& source, const std::string& name) {
  const std::optional<DiscBootFile> boot =
      BootOfDisc(source, name, [](const std::string& file) -> std::unique_ptr<ByteSource> {
        throw RunTimeError(error::kFileNotFound, "a CHD asked for a track file: " + file);
      });
  if (!boot) throw std::runtime_error(name + " is no disc image");
  return *boot;
}

// Every sector of every track, so that every hunk is decompressed and its CRC checked.
std::vector<std::vector<std::byte>> ReadEveryTrack(const ByteSource& file) {
  const ChdImage chd(file);
  std::vector<std::vector<std::byte>> tracks;
  for (const ChdTrack& track : chd.tracks()) {
    const std::unique_ptr<ByteSource> data = chd.TrackData(track);
    std::vector<std::byte>& bytes = tracks.emplace_back(data->size());
    for (std::uint64_t at = 0; at < data->size(); at += track.sector_size) {
      data->Read(at, std::span(bytes).subspan(at, track.sector_size));
    }
  }
  return tracks;
}

TEST(ChdTest, EveryHunkReadsAndTheBootFileIsTheOneBurned) {
  const std::vector<std::byte> payload = ReadBytes(QUILLET_DISC_PAYLOAD);
  struct Row {
    std::string file;
    bool gd_rom;
    int boot_track;
    std::vector<std::uint32_t> track_lbas;
    std::vector<std::string> track_files;  // where given, the files each track was made from
    std::string placement = {};            // where given, the placement check's words: the command line's, the page's
    std::string plain_placement = {};
  };
  std::vector<Row> rows = {
      {"track-cdlz.chd", false, 1, {0}, {}},
      {"track-cdzl.chd", false, 1, {0}, {}},
      {"track-none.chd", false, 1, {0}, {}},
      {"track-cdfl.chd", false, 1, {0}, {}},
      {"cdr-flac.chd", false, 2, {0, 302}, {}},  // its silent audio track's hunks in FLAC
#ifndef _WIN32
      {"gdi.chd", true, 3, {0, 450, 45000}, {"gdi/track01.bin", "gdi/track02.raw", "gdi/track 03 boot.bin"}},
      {"split.chd", true, 3, {0, 450, 45000, 45270, 45645}, {}},
      {"cdr.chd",
       false,
       2,
       {0, 302},
       {"cue/Track 1.bin", "cue/Track 2.bin"},
       "a CHD keeps no sessions, so where the track lies is the reading program's to place",
       "a CHD does not record the disc's sessions, so whether it boots depends on the program that burns or loads it"},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const FileSource file(kDisc + "/chd/" + row.file);
    ASSERT_EQ(DiscFormatOf(file, row.file), DiscFormat::Chd);
    ASSERT_EQ(DiscFormatOf(file), DiscFormat::Chd) << "told by its content";
    const DiscBootFile disc = BootOf(file, row.file);
    EXPECT_EQ(disc.gd_rom, row.gd_rom);
    EXPECT_EQ(disc.track, row.boot_track);
    EXPECT_EQ(disc.boot.bytes, payload);
    std::vector<std::uint32_t> lbas;
    for (const TocTrack& track : disc.layout.tracks) lbas.push_back(track.start_lba);
    EXPECT_EQ(lbas, row.track_lbas);
    for (const auto& [words, placement] :
         {std::pair{Words::Command, row.placement}, {Words::Plain, row.plain_placement}}) {
      for (const BootCheck& check : CheckBoot(disc, Form::Scrambled, {}, words)) {
        if (check.name == "placement" && !placement.empty()) {
          EXPECT_TRUE(check.sentence.ends_with(placement)) << check.sentence;
        }
      }
    }
    const std::vector<std::vector<std::byte>> tracks = ReadEveryTrack(file);
    // A GD-ROM's tracks come padded with the empty sectors of the gaps between them.
    for (std::size_t index = 0; index < row.track_files.size(); ++index) {
      const std::vector<std::byte> made_from = ReadBytes(kDisc + "/" + row.track_files[index]);
      ASSERT_GE(tracks.at(index).size(), made_from.size());
      EXPECT_TRUE(std::equal(made_from.begin(), made_from.end(), tracks[index].begin())) << row.track_files[index];
    }
  }
}

// A run reads hunks again and again (the boot file to judge it, then to rewrite it, then its track to
// copy it): each is decompressed once.
TEST(ChdTest, EachHunkIsDecompressedOnceARun) {
  const FileSource file(kDisc + "/chd/track-cdlz.chd");
  const ChdImage chd(file);
  const auto read_all = [&] {
    for (const ChdTrack& track : chd.tracks()) {
      const std::unique_ptr<ByteSource> data = chd.TrackData(track);
      std::vector<std::byte> sector(track.sector_size);
      for (std::uint64_t at = 0; at < data->size(); at += track.sector_size) data->Read(at, sector);
    }
  };
  read_all();
  const std::uint64_t once = chd.decompressions();
  read_all();
  EXPECT_GT(once, 0u);
  EXPECT_EQ(chd.decompressions(), once);
}

// A map of one hunk, written here bit by bit, whose hunk claims more bytes than it could hold: refused
// before any memory is taken for it.
TEST(ChdTest, AHunkLongerThanItsFramesIsRefused) {
  std::vector<std::byte> chd(124);
  const auto put = [&](std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) chd[at + i] = static_cast<std::byte>(value >> (8 * (size - 1 - i)));
  };
  std::memcpy(chd.data(), "MComprHD", 8);
  put(8, 124, 4);
  put(12, 5, 4);
  put(16, ChdCodec("cdzl"), 4);
  put(32, kChdFrameSize * 8, 8);  // one hunk of 8 frames
  put(40, 124, 8);                // the map, right after the header
  put(56, kChdFrameSize * 8, 4);
  put(60, kChdFrameSize, 4);
  // Its code: all 16 codes 4 bits long; then the hunk's kind (codec 0), its length in 24 bits, its CRC.
  const std::uint32_t length = 0xFFFFFF;
  const std::vector<std::uint8_t> bits = {0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44,
                                          0x44, 0x0F, 0xFF, 0xFF, 0xF0, 0x00, 0x00};
  std::array<std::byte, 12> plain{};
  for (std::size_t i = 0; i < 3; ++i) plain[1 + i] = static_cast<std::byte>(length >> (8 * (2 - i)));
  plain[8] = std::byte{0x10};  // the hunk at offset 0x1000
  chd.resize(124 + 16);
  put(124, bits.size(), 4);
  put(128, 0x1000, 6);
  put(134, ChdCrc16(plain), 2);
  chd[136] = std::byte{24};
  for (const std::uint8_t byte : bits) chd.push_back(std::byte{byte});
  const MemorySource source(chd);
  testing::ExpectRefusal("a hunk of 16 MiB", "the CHD's map of hunks is damaged", [&] { ChdImage image(source); });
}

#ifndef _WIN32
TEST(ChdTest, AGdRomsLaterDataTrackLiesWhereItsSectorsSay) {
  // The table of tracks off by one sector before track 5, which holds the boot file.
  std::vector<std::byte> bytes = ReadBytes(kDisc + "/chd/split.chd");
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::size_t postgap = text.find("POSTGAP:0", text.find("TRACK:4 "));
  ASSERT_NE(postgap, std::string_view::npos);
  bytes[postgap + 8] = std::byte{'1'};
  const MemorySource source(bytes);
  const DiscBootFile disc = BootOf(source, "split.chd");
  EXPECT_EQ(disc.boot.bytes, ReadBytes(QUILLET_DISC_PAYLOAD));
  EXPECT_EQ(disc.layout.tracks.back().start_lba, 45645u);
}
#endif

TEST(ChdTest, DamagedCutOlderAndDependentChdsAreRefused) {
  const std::vector<std::byte> whole = ReadBytes(kDisc + "/chd/track-cdlz.chd");
  const std::size_t map = BigEndian(whole, 40, 8), first_hunk = BigEndian(whole, map + 4, 6);
  const auto set = [](std::size_t at, std::uint8_t value) {
    return [=](std::vector<std::byte>& bytes) { bytes[at] = std::byte{value}; };
  };
  struct Row {
    const char* label;
    std::function<void(std::vector<std::byte>&)> damage;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"a byte flipped in a hunk", [&](auto& bytes) { bytes[(first_hunk + map) / 2] ^= std::byte{0xFF}; },
            "of the CHD is damaged"},
           {"a byte flipped in the map", [&](auto& bytes) { bytes[map + 20] ^= std::byte{0xFF}; },
            "the CHD's map of hunks is damaged"},
           {"cut in half", [](auto& bytes) { bytes.resize(bytes.size() / 2); }, "cut short"},
           {"version 4", set(15, 4), "the CHD is of version 4, which Quillet does not read: make it version 5"},
           {"a parent's checksum", set(110, 1), "only what differs from a parent CHD"},
           {"units of 656 bytes", set(62, 2), "the CHD is not of a CD or GD-ROM"},
           {"no metadata", [](auto& bytes) { std::fill(bytes.begin() + 48, bytes.begin() + 56, std::byte{0}); },
            "it holds no table of tracks"},
       }) {
    std::vector<std::byte> bytes = whole;
    row.damage(bytes);
    const MemorySource source(bytes);
    testing::ExpectRefusal(row.label, row.reason, [&] { ReadEveryTrack(source); });
  }
#ifndef _WIN32
  const FileSource child(kDisc + "/chd/child.chd");
  testing::ExpectRefusal("chdman's child", "make a whole one with chdman copy and the parent (-ip)",
                         [&] { BootOf(child, "child.chd"); });
#endif
}

}  // namespace
}  // namespace quillet
