// Will the disc start its boot file? Images the disc writer makes from genisoimage's, each with the
// checks a careful person would make of it: the result, and a word of the sentence.
#include "disc/boot_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
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
  std::string_view word;         // in its sentence
  std::string_view absent = {};  // not in it
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
  // The IP.BIN's boot code taken for stock, for the disc's own, or for a known loader's.
  enum class Code { Stock, Own, Loader };
  using enum Code;
  struct Row {
    const char* label;
    std::function<DiscBootFile()> read;
    Form form;
    Code code;
    std::vector<Expected> expected;
    const char* summary;
  };
  const auto image = [](std::string bytes, DiscFormat format) {
    return [bytes = std::move(bytes), format] { return BootOfImage(format, MemorySource(AsBytes(bytes))); };
  };
  // A GD-ROM dump: its table, and its tracks' files in memory.
  const std::string track01 = testing::Sectors(std::string(300 * 2048, '\0'), 2352, 1);
  const std::string track03 = testing::Sectors(ReadFile(kDisc + "/gdrom.iso"), 2352, 1);
  const std::string gdi = "2\n1 0 4 2352 track01.bin 0\n3 45000 4 2352 track03.bin 0\n";
  const auto dump = [&] {
    return *BootOfDisc(MemorySource(AsBytes(gdi)), "disc.gdi", [&](const std::string& file) {
      return std::make_unique<MemorySource>(AsBytes(file == "track01.bin" ? track01 : track03));
    });
  };
  // A cue sheet, its track files in memory: `files` by name, each the bytes or a count of empty sectors.
  const auto sheet = [](std::string text, std::map<std::string, std::string> files) {
    return [text = std::move(text), files = std::move(files)] {
      return *BootOfDisc(MemorySource(AsBytes(text)), "disc.cue", [&](const std::string& file) {
        return std::make_unique<MemorySource>(AsBytes(files.at(file)));
      });
    };
  };
  const auto file = [](const char* name, const char* mode) {
    return std::string("FILE \"") + name + "\" BINARY\n  TRACK 0" + (name[0] == 'd' ? '1' : name[0]) + " " + mode +
           "\n    INDEX 01 00:00:00\n";
  };
  const std::string raw_session = testing::Sectors(session, 2352, 2);
  const std::string audio(302 * 2352, '\0');
  const std::string session3 = ClaimingRegions(ReadFile(kDisc + "/session3.iso"), "JUE", "JUE");
  const auto oversized = [&] {
    DiscBootFile disc = image(cdi, DiscFormat::Cdi)();
    disc.boot.bytes.resize(16 * 1024 * 1024 - 64 * 1024 + 1);
    return disc;
  };
  for (const Row& row : std::vector<Row>{
           {"audio + data, scrambled",
            image(cdi, DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
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
            Stock,
            {{"form", Problem, "a CD-R boots only a scrambled one"}},
            "will not boot: 1ST_READ.BIN is unscrambled"},
           {"data + data",
            image(testing::DataDataCdi(session), DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"layout", Ok, "data + data"}, {"placement", Ok, "track 2 at LBA 11702"}},
            "will boot from a CD-R"},
           {"a data track shorter than 4 seconds",
            [&] {
              DiscBootFile disc = image(cdi, DiscFormat::Cdi)();
              disc.layout.tracks.back().sectors = 178;
              return disc;
            },
            Form::Scrambled,
            Stock,
            {{"layout", CannotTell, "data track 2 holds 178 sectors, fewer than the 302"}},
            "cannot tell whether it boots: a CD-R of 2 sessions, audio + data, closed; data track 2"},
           {"its file system made for another LBA",
            image(moved, DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"placement", Problem, "made to begin at LBA 11702"}},
            "will not boot: track 2 at LBA 12000"},
           {"left open",
            image(open, DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"layout", CannotTell, "left open"}},
            "cannot tell whether it boots"},
           {"boot code of its own",
            image(cdi, DiscFormat::Cdi),
            Form::Scrambled,
            Own,
            {{"boot code", CannotTell, "of its own"}, {"form", CannotTell, "own boot code starts it"}},
            "cannot tell whether it boots: the IP.BIN carries boot code of its own"},
           {"area symbols and texts disagree",
            image(testing::SelfBootCdi(ClaimingRegions(session, "JUE", "JE"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"regions", Ok,
              "starts on consoles of Japan and Europe; an American console refuses it: the IP.BIN's area symbols at "
              "0x30 and area texts at 0x3700 disagree on the USA (the symbol claims it, the text does not)"}},
            "will boot from a CD-R on consoles of Japan and Europe"},
           {"a published IP.BIN's regions: symbols for two, texts for three",
            image(testing::SelfBootCdi(ClaimingRegions(session, "UE", "JUE"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"regions", Ok,
              "starts on consoles of the USA and Europe; a Japanese console refuses it: the IP.BIN's area symbols at "
              "0x30 and area texts at 0x3700 disagree on Japan (the text claims it, the symbol does not)"}},
            "will boot from a CD-R on consoles of the USA and Europe"},
           {"one region",
            image(testing::SelfBootCdi(ClaimingRegions(session, "E", "E"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"regions", Ok,
              "starts on consoles of Europe; Japanese and American consoles refuse it: the IP.BIN does not claim Japan "
              "or the USA"}},
            "will boot from a CD-R on consoles of Europe"},
           {"no region claimed in both places",
            image(testing::SelfBootCdi(ClaimingRegions(session, "J", "U"), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"regions", Problem, "no console starts the disc: the IP.BIN's area symbols at 0x30 and area texts"},
             {"regions", Problem, "disagree on the USA (the text claims it, the symbol does not)"}},
            "will not boot: no console starts the disc"},
           {"no region",
            image(testing::SelfBootCdi(ClaimingRegions(session, "", ""), 2336, CdiRelease::Version35), DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"regions", Problem, "claims no region"}},
            "will not boot"},
           {"a known loader, its program unscrambled",
            image(cdi, DiscFormat::Cdi),
            Form::Unscrambled,
            Loader,
            {{"boot code", Ok, "carries a patched loader"}, {"form", Ok, "the form its IP.BIN's loader starts"}},
            "will boot from a CD-R (its IP.BIN carries a patched loader that starts an unscrambled program)"},
           {"a known loader, its program scrambled",
            image(cdi, DiscFormat::Cdi),
            Form::Scrambled,
            Loader,
            {{"form", Problem, "which does not start a scrambled one"}},
            "will not boot"},
           {"a data track padded past its file system",
            image(testing::SelfBootCdi(session + std::string(1000 * 2048, '\0'), 2336, CdiRelease::Version35),
                  DiscFormat::Cdi),
            Form::Scrambled,
            Stock,
            {{"size", Ok, "pad the file system's 864.0 KiB with 2.0 MiB more"}},
            "will boot from a CD-R"},
           {"a cue sheet of two sessions",
            sheet("REM SESSION 01\n" + file("1.bin", "AUDIO") + "REM SESSION 02\n" + file("2.bin", "MODE2/2352"),
                  {{"1.bin", audio}, {"2.bin", raw_session}}),
            Form::Scrambled,
            Stock,
            {{"layout", Ok, "a CD-R of 2 sessions, audio + data", "closed"},
             {"placement", Ok, "track 2 at LBA 11702"},
             {"size", Ok, "without padding"}},
            "will boot from a CD-R"},
           {"chdman extractcd's sheet, its session lines lost",
            sheet(file("disc.bin", "AUDIO") + "  TRACK 02 MODE2/2352\n    INDEX 01 00:04:02\n",
                  {{"disc.bin", audio + raw_session}}),
            Form::Scrambled,
            Stock,
            {{"placement", Problem, "put the line REM SESSION 02 before track 2 in the sheet", "make the image again"}},
            "will not boot"},
           {"that sheet, its session line put back",
            sheet(file("disc.bin", "AUDIO") + "REM SESSION 02\n  TRACK 02 MODE2/2352\n    INDEX 01 00:04:02\n",
                  {{"disc.bin", audio + raw_session}}),
            Form::Scrambled,
            Stock,
            {{"placement", Ok, "track 2 at LBA 11702"}},
            "will boot from a CD-R"},
           {"three sessions: a later one's lead-out is shorter",
            sheet("REM SESSION 01\n" + file("1.bin", "AUDIO") + "REM SESSION 02\n" + file("2.bin", "MODE1/2048") +
                      "REM SESSION 03\n" + file("3.bin", "MODE1/2048"),
                  {{"1.bin", audio}, {"2.bin", std::string(302 * 2048, '\0')}, {"3.bin", session3}}),
            Form::Scrambled,
            Stock,
            {{"placement", Ok, "track 3 at LBA 18904"}, {"layout", Ok, "3 sessions, audio + data + data"}},
            "will boot from a CD-R"},
           {"a sheet whose only session is numbered 2",
            sheet("REM SESSION 02\n" + file("2.bin", "MODE2/2352"), {{"2.bin", raw_session}}),
            Form::Scrambled,
            Stock,
            {{"layout", CannotTell, "a CD-R of 1 session, data:"}},
            "will not boot: track 2 at LBA 0"},
           {"a raw data track alone",
            image(testing::Sectors(ClaimingRegions(ReadFile(kDisc + "/plain.iso"), "JUE", "JUE"), 2352, 1),
                  DiscFormat::Iso),
            Form::Scrambled,
            Stock,
            {{"layout", CannotTell, "a raw data track is one track alone"}},
            "cannot tell whether it boots"},
           {"a boot file too large",
            oversized,
            Form::Scrambled,
            Stock,
            {{"boot file", Problem, "16711680 bytes from 0x8C010000"}},
            "will not boot"},
           {"an ISO image",
            image(ClaimingRegions(ReadFile(kDisc + "/plain.iso"), "JUE", "JUE"), DiscFormat::Iso),
            Form::Scrambled,
            Stock,
            {{"layout", CannotTell, "one data track"},
             {"placement", CannotTell, "made to begin at LBA 0"},
             {"bootstrap", Ok, "begins the image"}},
            "cannot tell whether it boots"},
           {"a GD-ROM dump",
            dump,
            Form::Unscrambled,
            Stock,
            {{"layout", Ok, "a GD-ROM dump of 2 tracks"},
             {"placement", Ok, "track 3 at LBA 45000"},
             {"form", Ok, "the form a GD-ROM starts"},
             {"size", Ok, "the image's track files hold"}},
            "will boot as a GD-ROM"},
       }) {
    SCOPED_TRACE(row.label);
    const DiscBootFile disc = row.read();
    const std::uint64_t own_code[] = {disc.boot.header.boot_code};
    const KnownLoader loader[] = {
        {disc.boot.header.boot_code, Form::Unscrambled, "a patched loader that starts an unscrambled program"}};
    const BootCodes codes = row.code == Stock ? BootCodes{own_code, {}}
                            : row.code == Own ? BootCodes{{}, {}}
                                              : BootCodes{{}, loader};
    const std::vector<BootCheck> checks = CheckBoot(disc, row.form, codes);
    for (const Expected& expected : row.expected) {
      const auto check = std::find_if(checks.begin(), checks.end(),
                                      [&](const BootCheck& each) { return each.name == expected.check; });
      ASSERT_NE(check, checks.end()) << row.label << ": " << expected.check;
      EXPECT_EQ(check->result, expected.result) << row.label << ": " << expected.check << ": " << check->sentence;
      EXPECT_NE(check->sentence.find(expected.word), std::string::npos)
          << row.label << ": " << expected.check << ": " << check->sentence;
      if (!expected.absent.empty()) {
        EXPECT_EQ(check->sentence.find(expected.absent), std::string::npos) << row.label << ": " << check->sentence;
      }
    }
    // Problems first, then what cannot be told.
    EXPECT_TRUE(std::is_sorted(checks.begin(), checks.end(), [](const BootCheck& a, const BootCheck& b) {
      return a.result == CheckResult::Problem && b.result != CheckResult::Problem;
    })) << row.label;
    const std::string summary = BootSummary(disc, checks, codes);
    EXPECT_TRUE(summary.starts_with(row.summary)) << row.label << ": " << summary;
    EXPECT_EQ(BootsByChecks(checks), summary.starts_with("will boot")  ? std::optional(true)
                                     : summary.starts_with("will not") ? std::optional(false)
                                                                       : std::nullopt)
        << row.label;
  }
}

}  // namespace
}  // namespace quillet
