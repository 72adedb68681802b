// Every raw sector the tests' images hold carries the codes a drive reads, made here the way the
// standard makes them: what chdman leaves out of a CHD is then made again, and checked by its CRC.
#include "formats/sector_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/cdi.h"
#include "formats/sector.h"
#include "support/disc_writer.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::AsBytes;
using testing::ReadFile;

const std::string kDisc = QUILLET_DISC_FIXTURES;

// The EDC against CRC-32/CD-ROM-EDC's published check value; the codes of a mode 1 and a mode 2 form 1
// sector (at 00:02:22) against those chdman takes for right and leaves out of a CHD, by their EDC.
TEST(SectorCodesTest, CodesAreTheOnesTheToolsMake) {
  const std::string check = "123456789";
  EXPECT_EQ(SectorEdc(std::as_bytes(std::span(check))), 0x6EC2EDC4u);
  for (const auto& [mode, codes] : {std::pair{1, 0xF945B851u}, std::pair{2, 0x1C80C836u}}) {
    std::string sector(2352, '\0');
    sector.replace(0, kSectorSync.size(), kSectorSync);
    sector[13] = 0x02, sector[14] = 0x16, sector[15] = static_cast<char>(mode);
    for (std::size_t at = 16; at < 2072; ++at) sector[at] = static_cast<char>(at * 7 % 251);
    if (mode == 2) sector.replace(16, 8, std::string("\0\0\x08\0\0\0\x08\0", 8));  // form 1 data
    const auto bytes = std::as_writable_bytes(std::span(sector));
    WriteSectorCodes(bytes);
    EXPECT_EQ(SectorEdc(bytes.subspan(2064)), codes) << "mode " << mode;
    EXPECT_TRUE(HasValidSectorCodes(bytes));
    sector[2200] ^= 1;
    EXPECT_FALSE(HasValidSectorCodes(bytes));
  }
}

// The images the tests make themselves, which the Windows build does not make.
#ifndef _WIN32
TEST(SectorCodesTest, EveryRawSectorOfEveryTestImageCarriesItsCodes) {
  struct Row {
    std::string name, bytes;
    std::size_t sector_size;
  };
  std::vector<Row> rows;
  for (const char* file : {"gdi/track 03 boot.bin", "cue/Track 2.bin", "split/track03.bin", "split/track05.bin"}) {
    rows.push_back({file, ReadFile(kDisc + "/" + file), 2352});
  }
  // A CDI's data tracks, where its table places them.
  for (const char* cdi : {"selfboot.cdi", "scrambled.cdi"}) {
    const std::string bytes = ReadFile(kDisc + "/" + cdi);
    for (const TocTrack& track : CdiContents(MemorySource(AsBytes(bytes))).tracks) {
      if (track.data) {
        rows.push_back(
            {cdi, bytes.substr(track.offset, std::size_t{track.sectors} * track.sector_size), track.sector_size});
      }
    }
  }
  for (const Row& row : rows) {
    std::size_t checked = 0;
    for (std::size_t at = 0; at + row.sector_size <= row.bytes.size(); at += row.sector_size) {
      if (row.sector_size == 2352 && row.bytes.compare(at, kSectorSync.size(), kSectorSync) != 0) continue;
      ASSERT_TRUE(HasValidSectorCodes(AsBytes(row.bytes).subspan(at, row.sector_size)))
          << row.name << ": the sector at byte " << at;
      ++checked;
    }
    EXPECT_GT(checked, 16u) << row.name;
  }
}

#endif

}  // namespace
}  // namespace quillet
