// Will the disc start its boot file? Images the disc writer makes from genisoimage's, each with the
// checks a careful person would make of it: the result, and a word of the sentence.
#include "disc/boot_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/disc_writer.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::AsBytes;
using testing::CdiRelease;
using testing::ReadFile;

const std::string kDisc = QUILLET_DISC_FIXTURES;

// `iso` with an IP.BIN that claims the regions `symbols` by area symbol and `texts` by area text.
std::string ClaimingRegions(std::string iso, std::string_view symbols, std::string_view texts) {
  constexpr std::string_view kTexts[] = {"For JAPAN,TAIWAN,PHILIPINES.", "For USA and CANADA.", "For EUROPE."};
  for (std::size_t region = 0; region < 3; ++region) {
    iso[0x30 + region] = symbols.find("JUE"[region]) == std::string_view::npos ? ' ' : "JUE"[region];
    std::string text = texts.find("JUE"[region]) == std::string_view::npos ? "" : std::string(kTexts[region]);
    iso.replace(0x3704 + 32 * region, 28, text + std::string(28 - text.size(), ' '));
  }
  return iso;
}

struct Expected {
  std::string_view check;
  CheckResult result;
  std::string_view word;  // in its sentence
};

TEST(BootReportTest, EachImageChecked) {
  const std::string session = ClaimingRegions(ReadFile(kDisc + "/session.iso"), "JUE", "JUE");
  const std::string cdi = testing::SelfBootCdi(session, 2336, CdiRelease::Version35);
  const testing::SelfBootLayout layout(static_cast<std::uint32_t>(session.size() / 2048), 2336);
  // The same CD-R, its data track moved where its file system was not made for.
  testing::SelfBootLayout moved_layout = layout;
  moved_layout.data.start_lba = 12000;
  const std::string moved = cdi.substr(0, layout.data_end()) + moved_layout.Table(CdiRelease::Version35);
  // Left open: the table announces one more session, of no tracks.
  std::string open = cdi;
  open[layout.data_end()] = 3;
  using enum CheckResult;
  struct Row {
    const char* label;
    std::function<DiscBootFile()> read;
    Form form;
    bool stock;  // the IP.BIN's boot code taken for stock
    std::vector<Expected> expected;
    const char* summary;
  };
  const auto image = [](std::string bytes, DiscFormat format) {
    return [bytes = std::move(bytes), format] { return BootOfImage(format, BytesSource(AsBytes(bytes))); };
  };
  // A GD-ROM dump: its table, and its tracks' files in memory.
  const std::string track01 = testing::Sectors(std::string(300 * 2048, '\0'), 2352, 1);
  const std::string track03 = testing::Sectors(ReadFile(kDisc + "/gdrom.iso"), 2352, 1);
  const std::string gdi = "2\n1 0 4 2352 track01.bin 0\n3 45000 4 2352 track03.bin 0\n";
  const auto dump = [&] {
    return *BootOfDisc(BytesSource(AsBytes(gdi)), "disc.gdi", [&](const std::string& file) {
      return std::make_unique<BytesSource>(AsBytes(file == "track01.bin" ? track01 : track03));
    });
  };
  const auto oversized = [&] {
    DiscBootFile disc = image(cdi, DiscFormat::Cdi)();
    disc.boot.bytes.resize(16 * 1024 * 1024 - 64 * 1024 + 1);
    return disc;
  };
  for (const Row& row : std::vector<Row>{
           {"audio + data, scrambled",
            image(cdi, DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"bootstrap", Ok, "track 2 at LBA 11702"},
             {"boot code", Ok, "stock"},
             {"boot file", Ok, "fits"},
             {"form", Ok, "scrambled"},
             {"layout", Ok, "2 sessions, audio + data, closed"},
             {"placement", Ok, "made to begin there"},
             {"regions", Ok, "Japan, the USA and Europe"},
             {"size", Ok, "without padding"}},
            "will boot from a CD-R"},
           {"audio + data, unscrambled",
            image(cdi, DiscFormat::Cdi),
            Form::Unscrambled,
            true,
            {{"form", Problem, "a CD-R boots only a scrambled one"}},
            "will not boot: 1ST_READ.BIN is unscrambled"},
           {"data + data",
            image(testing::DataDataCdi(session), DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"layout", Ok, "data + data"}, {"placement", Ok, "track 2 at LBA 11702"}},
            "will boot from a CD-R"},
           {"its file system made for another LBA",
            image(moved, DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"placement", Problem, "made to begin at LBA 11702"}},
            "will not boot: track 2 at LBA 12000"},
           {"left open",
            image(open, DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"layout", CannotTell, "left open"}},
            "cannot tell whether it boots"},
           {"boot code of its own",
            image(cdi, DiscFormat::Cdi),
            Form::Scrambled,
            false,
            {{"boot code", CannotTell, "of its own"}, {"form", CannotTell, "own boot code starts it"}},
            "cannot tell whether it boots: the IP.BIN carries boot code of its own"},
           {"area symbols and texts disagree",
            image(testing::SelfBootCdi(ClaimingRegions(session, "JUE", "JE"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"regions", Problem, "disagree on the USA"}},
            "will not boot"},
           {"one region",
            image(testing::SelfBootCdi(ClaimingRegions(session, "E", "E"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"regions", Ok, "claims Europe; a console of another region"}},
            "will boot from a CD-R"},
           {"no region",
            image(testing::SelfBootCdi(ClaimingRegions(session, "", ""), 2336, CdiRelease::Version35), DiscFormat::Cdi),
            Form::Scrambled,
            true,
            {{"regions", Problem, "claims no region"}},
            "will not boot"},
           {"a boot file too large",
            oversized,
            Form::Scrambled,
            true,
            {{"boot file", Problem, "16711680 bytes from 0x8C010000"}},
            "will not boot"},
           {"an ISO image",
            image(ClaimingRegions(ReadFile(kDisc + "/plain.iso"), "JUE", "JUE"), DiscFormat::Iso),
            Form::Scrambled,
            true,
            {{"layout", CannotTell, "one data track"},
             {"placement", CannotTell, "made to begin at LBA 0"},
             {"bootstrap", Ok, "begins the image"}},
            "cannot tell whether it boots"},
           {"a GD-ROM dump",
            dump,
            Form::Unscrambled,
            true,
            {{"layout", Ok, "a GD-ROM dump of 2 tracks"},
             {"placement", Ok, "track 3 at LBA 45000"},
             {"form", Ok, "the form a GD-ROM starts"},
             {"size", Ok, "the image's track files hold"}},
            "will boot as a GD-ROM"},
       }) {
    SCOPED_TRACE(row.label);
    const DiscBootFile disc = row.read();
    const std::uint64_t own_code[] = {disc.boot.header.boot_code};
    const std::vector<BootCheck> checks = CheckBoot(
        disc, row.form, row.stock ? std::span<const std::uint64_t>(own_code) : std::span<const std::uint64_t>());
    for (const Expected& expected : row.expected) {
      const auto check = std::find_if(checks.begin(), checks.end(),
                                      [&](const BootCheck& each) { return each.name == expected.check; });
      ASSERT_NE(check, checks.end()) << row.label << ": " << expected.check;
      EXPECT_EQ(check->result, expected.result) << row.label << ": " << expected.check << ": " << check->sentence;
      EXPECT_NE(check->sentence.find(expected.word), std::string::npos)
          << row.label << ": " << expected.check << ": " << check->sentence;
    }
    // Problems first, then what cannot be told.
    EXPECT_TRUE(std::is_sorted(checks.begin(), checks.end(), [](const BootCheck& a, const BootCheck& b) {
      return a.result == CheckResult::Problem && b.result != CheckResult::Problem;
    })) << row.label;
    EXPECT_TRUE(BootSummary(disc, checks).starts_with(row.summary)) << row.label << ": " << BootSummary(disc, checks);
  }
}

}  // namespace
}  // namespace quillet
