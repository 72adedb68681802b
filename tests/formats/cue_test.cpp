// Cue sheets as Redump and rippers write them: one file or one per track, a CD-R's sessions, a
// GD-ROM's two areas, pregaps in and out of the files; and sheets that are wrong, refused naming
// the line.
#include "formats/cue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/refusal.h"

namespace quillet {
namespace {

struct Expected {
  int session, number;
  bool data;
  std::uint32_t sector_size, start_lba;
  std::uint64_t offset, length;
  bool high_density;
};

TEST(CueTest, TracksArePlacedAsOnTheDisc) {
  // The track files' sizes, in 2352-byte sectors.
  const std::map<std::string, std::uint64_t> sectors = {
      {"game.bin", 1000},          {"Track 1.bin", 300},
      {"Track 2.bin", 450},        {"Track 3.bin", 1000},
      {"Track 4.bin", 400},        {"Track 5.bin", 2000},
      {"boot.iso", 500},           {"tracks/Track 1.bin", 300},
      {"tracks/Track 2.bin", 450}, {"huge.bin", (11ull << 40) / 2352}};
  const TrackFileSize size = [&](const std::string& file) {
    const std::uint32_t sector = file.ends_with(".iso") ? 2048 : 2352;
    return sectors.at(file) * sector;
  };
  struct Row {
    const char* label;
    std::string sheet;
    std::vector<Expected> tracks;
  };
  for (const Row& row : std::vector<Row>{
           {"one file, data then audio with its pregap in the file",
            "FILE \"game.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
            "    INDEX 00 00:10:00\n    INDEX 01 00:12:00\n",
            {{1, 1, true, 2352, 0, 0, 900 * 2352, false}, {1, 2, false, 2352, 900, 900 * 2352, 100 * 2352, false}}},
           {"Redump's GD-ROM: a file a track, the high-density area from LBA 45000",
            "REM SINGLE-DENSITY AREA\r\nFILE \"Track 1.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 "
            "00:00:00\r\n"
            "FILE \"Track 2.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"
            "REM HIGH-DENSITY AREA\r\nFILE \"Track 3.bin\" BINARY\r\n  TRACK 03 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
            "FILE \"Track 4.bin\" BINARY\r\n  TRACK 04 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"
            "FILE \"Track 5.bin\" BINARY\r\n  TRACK 05 MODE1/2352\r\n    INDEX 00 00:00:00\r\n    INDEX 01 "
            "00:03:00\r\n",
            {{1, 1, true, 2352, 0, 0, 300 * 2352, false},
             {1, 2, false, 2352, 450, 150 * 2352, 300 * 2352, false},
             {1, 3, true, 2352, 45000, 0, 1000 * 2352, true},
             {1, 4, false, 2352, 46150, 150 * 2352, 250 * 2352, true},
             {1, 5, true, 2352, 46625, 225 * 2352, 1775 * 2352, true}}},
           {"a CD-R of two sessions, keywords in any case",
            "rem session 01\nfile \"Track 1.bin\" binary\n track 01 audio\n  index 01 00:00:00\n"
            "REM SESSION 02\nFILE \"Track 2.bin\" BINARY\n TRACK 02 MODE2/2352\n  INDEX 01 00:00:00\n",
            {{1, 1, false, 2352, 0, 0, 300 * 2352, false}, {2, 2, true, 2352, 300 + 11400, 0, 450 * 2352, false}}},
           {"a pregap the file does not hold",
            "FILE \"Track 1.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\nFILE \"Track 2.bin\" BINARY\n"
            " TRACK 02 AUDIO\n  PREGAP 00:02:00\n  INDEX 01 00:00:00\n",
            {{1, 1, true, 2352, 0, 0, 300 * 2352, false}, {1, 2, false, 2352, 450, 0, 450 * 2352, false}}},
           {"three sessions: a later one's lead-out is shorter",
            "REM SESSION 01\nFILE \"Track 1.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
            "REM SESSION 02\nFILE \"Track 2.bin\" BINARY\n TRACK 02 MODE2/2352\n  INDEX 01 00:00:00\n"
            "REM SESSION 03\nFILE \"Track 3.bin\" BINARY\n TRACK 03 MODE2/2352\n  INDEX 01 00:00:00\n",
            {{1, 1, false, 2352, 0, 0, 300 * 2352, false},
             {2, 2, true, 2352, 11700, 0, 450 * 2352, false},
             {3, 3, true, 2352, 11700 + 450 + 6900, 0, 1000 * 2352, false}}},
           {"a dumper's record of the gap: its lead-out, lead-in and pregap",
            "FILE \"Track 1.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nREM LEAD-OUT 01:30:00\n"
            "REM SESSION 02\nREM LEAD-IN 00:59:00\nREM PREGAP 00:02:00\n"
            "FILE \"Track 2.bin\" BINARY\n TRACK 02 MODE2/2352\n  INDEX 01 00:00:00\n",
            {{1, 1, false, 2352, 0, 0, 300 * 2352, false},
             {2, 2, true, 2352, 300 + 6750 + 4425 + 150, 0, 450 * 2352, false}}},
           {"a session line inside a file, as one restored to chdman's one-file sheet",
            "FILE game.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nREM SESSION 02\n TRACK 02 MODE2/2352\n"
            "  INDEX 01 00:04:00\n",
            {{1, 1, false, 2352, 0, 0, 300 * 2352, false}, {2, 2, true, 2352, 11700, 300 * 2352, 700 * 2352, false}}},
           {"a sheet whose first session line names session 2: one session",
            "REM SESSION 02\nFILE \"Track 2.bin\" BINARY\n TRACK 02 MODE2/2352\n  INDEX 01 00:00:00\n",
            {{1, 2, true, 2352, 0, 0, 450 * 2352, false}}},
           {"track files in a folder of their own, by either separator",
            "FILE \"tracks\\Track 1.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n"
            "FILE \"./tracks//Track 2.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n",
            {{1, 1, true, 2352, 0, 0, 300 * 2352, false}, {1, 2, false, 2352, 300, 0, 450 * 2352, false}}},
           {"an ISO's sectors",
            "FILE boot.iso BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n",
            {{1, 1, true, 2048, 0, 0, 500 * 2048, false}}},
       }) {
    const std::vector<TocTrack> tracks = ParseCue(row.sheet, size);
    ASSERT_EQ(tracks.size(), row.tracks.size()) << row.label;
    for (std::size_t index = 0; index < tracks.size(); ++index) {
      const TocTrack& got = tracks[index];
      const std::uint64_t length = std::uint64_t{got.sectors} * got.sector_size;
      const Expected& want = row.tracks[index];
      EXPECT_TRUE(got.session == want.session && got.number == want.number && got.data == want.data &&
                  got.sector_size == want.sector_size && got.start_lba == want.start_lba && got.offset == want.offset &&
                  length == want.length && got.high_density == want.high_density)
          << row.label << ", track " << want.number << ": session " << got.session << ", LBA " << got.start_lba
          << ", offset " << got.offset << ", length " << length;
    }
  }
  for (const auto& [sheet, reason] : std::vector<std::pair<std::string, std::string>>{
           {"FILE \"../game.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n",
            "line 1 of the cue sheet names a track file outside its folder: ../game.bin"},
           {"FILE \"/game.bin\" BINARY\n", "outside its folder: /game.bin"},
           {"FILE \"C:\\game.bin\" BINARY\n", "outside its folder"},
           {"FILE \"tracks\\..\\..\\game.bin\" BINARY\n", "outside its folder"},
           {"REM SESSION 2x\n", "line 1 of the cue sheet is no session number"},
           {"FILE huge.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nREM SESSION 02\nFILE \"Track 2.bin\" BINARY\n"
            " TRACK 02 MODE2/2352\n  INDEX 01 00:00:00\n",
            "line 7 of the cue sheet places track 2 at LBA 5142285169, past the end of any disc (LBA 549150)"},
           {"TRACK 01 MODE1/2352\n", "line 1 of the cue sheet is a track before any FILE line"},
           {"FILE game.bin BINARY\n TRACK 01 CDG\n", "line 2 of the cue sheet is no track"},
           {"FILE game.bin BINARY\n TRACK 01 MODE1/2352\n TRACK 02 AUDIO\n  INDEX 01 00:01:00\n", "has no INDEX 01"},
           {"FILE game.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:60:00\n", "line 3 of the cue sheet is no index"},
           {"FILE game.bin BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 20:00:00\n", "past the end of game.bin"},
           {"REM SESSION 02\nREM SESSION 01\n", "no session number"},
           {"FILE game.bin BINARY\n", "lists no tracks"},
       }) {
    testing::ExpectRefusal(sheet, reason, [&] { ParseCue(sheet, size); });
  }
  // Told by content: a sheet's FILE and TRACK lines, not a text's lines that begin with the words.
  EXPECT_TRUE(LooksLikeCue("file \"a b.bin\" binary\r\n  track 01 mode1/2352\r\n"));
  EXPECT_FALSE(LooksLikeCue("File systems differ.\nTrack the changes.\n"));
}

}  // namespace
}  // namespace quillet
