#include "formats/gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/refusal.h"

namespace quillet {
namespace {

TEST(GdiTest, TracksAndTheirAreas) {
  const std::vector<TocTrack> tracks = ParseGdi(
      "3\r\n"
      "1 0 4 2352 track01.bin 0\r\n"
      "2 450 0 2352 tracks\\track02.raw 0\r\n"
      "3 45000 4 2048 \"my game track 03.iso\" 0\r\n");
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(tracks[1].data, false);
  EXPECT_EQ(tracks[1].file, "tracks/track02.raw") << "in a folder of the table's, by either separator";
  EXPECT_EQ(tracks[2].file, "my game track 03.iso");
  EXPECT_EQ(tracks[2].sector_size, 2048u);
  EXPECT_EQ(tracks[2].start_lba, 45000u);
  EXPECT_TRUE(tracks[2].high_density);
  EXPECT_FALSE(tracks[0].high_density);
}

TEST(GdiTest, MalformedTablesAreRefusedNamingWhatIsWrong) {
  struct Row {
    const char* text;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"", "number of tracks"},
           {"100\n", "number of tracks"},
           {"2\n1 0 4 2352 a.bin 0\n", "lists 1 tracks of the 2"},
           {"1\n1 0 7 2352 a.bin 0\n", "line 2 of the .gdi file is no track"},
           {"1\n1 zero 4 2352 a.bin 0\n", "line 2"},
           {"1\n1 0 4 2352 \"unclosed.bin 0\n", "line 2"},
           {"1\n1 0 4 2352\n", "line 2"},
           {"1\n1 45000 4 2352 ../../secret.bin 0\n", "line 2 of the .gdi file names a track file outside its folder"},
           {"1\n1 45000 4 2352 \"C:\\disc\\track.bin\" 0\n", "outside its folder"},
           // Lines are counted as an editor counts them, blank ones too, after a byte-order mark.
           {"\xEF\xBB\xBF"
            "2\r\n\r\n1 0 4 2352 a.bin 0\r\n\r\n2 zero 4 2352 b.bin 0\r\n",
            "line 5 of the .gdi file"},
       }) {
    testing::ExpectRefusal(row.text, row.reason, [&] { ParseGdi(row.text); });
  }
}

}  // namespace
}  // namespace quillet
