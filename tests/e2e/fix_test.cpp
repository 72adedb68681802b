// quillet fix against images broken on purpose: each image kind is made twice from ISOs that
// genisoimage wrote, once as it boots and once broken (its boot file in the other form, or an area
// text gone), every raw sector carrying the error codes a drive reads. Fixing the broken one must
// give back the one that boots, byte for byte, every file of a set; what cannot be mended without
// a guess, or would be written over the image, is refused with nothing written.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/fix_command.h"
#include "core/disc_file.h"
#include "support/disc_writer.h"
#include "support/temp_folder.h"
#include "support/window_scenarios.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kDisc = QUILLET_SH_FIXTURES "/disc";

enum class Kind {
  Cdi2352,
  Cdi2336,
  CdiNoCodes,
  Iso,
  RawIso,
  Gdi,
  Cue,
  Split,
  DataData,
  HeaderSession,
  ChdOfCue,
  ChdOfGdi,
  ChdOfDataData,
  ChdOfHeaderSession
};
enum class Broken { Nothing, Form, AreaText, FormAndText };
enum class Outcome { Fixed, LeftAlone, Refused };

// The boot code a row's disc has: the rule of stock code, a loader's that starts unscrambled, or
// code of its own nobody knows.
enum class Code { Stock, Loader, Unknown };

// What stands beside the broken image before the fix: nothing; an earlier copy at the result's
// place, the fix asked to replace it or not; a folder of that name with a file of the user's in it.
// Or the image is the user's alone to read and write (0600), which the copy keeps.
enum class Beside { Nothing, EarlierCopy, EarlierCopyReplaced, UsersFolder, PrivateImage };

bool FromChd(Kind kind) {
  return kind == Kind::ChdOfCue || kind == Kind::ChdOfGdi || kind == Kind::ChdOfDataData ||
         kind == Kind::ChdOfHeaderSession;
}

// The ISO a kind of image holds: a CD-R's session at LBA 11702, a GD-ROM's high-density area.
std::string IsoOf(Kind kind) {
  if (kind == Kind::Gdi || kind == Kind::ChdOfGdi) return ReadFile(kDisc + "/gdrom.iso");
  if (kind == Kind::Split) return ReadFile(kDisc + "/split.iso");
  if (kind == Kind::HeaderSession || kind == Kind::ChdOfHeaderSession) return ReadFile(kDisc + "/plain.iso");
  return ReadFile(kDisc + "/session.iso");
}
bool GdRom(Kind kind) { return kind == Kind::Gdi || kind == Kind::Split || kind == Kind::ChdOfGdi; }

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The files of `set` in `folder`; returns the path of its table, the first.
std::string WriteSet(const testing::FileSet& set, const fs::path& folder) {
  for (const auto& [name, bytes] : set) Write(folder / name, bytes);
  return (folder / set.front().first).string();
}

// `iso` as an image of `kind` in `folder`; returns the path of the image or its sheet. A CHD is made
// by chdman (its default codecs) from the set of the kind it is of, in `folder`/set.
std::string MakeImage(Kind kind, const std::string& iso, const fs::path& folder) {
  using testing::Sectors;
  switch (kind) {
    case Kind::ChdOfCue:
    case Kind::ChdOfGdi:
    case Kind::ChdOfDataData:
    case Kind::ChdOfHeaderSession: {
      const Kind of = kind == Kind::ChdOfCue        ? Kind::Cue
                      : kind == Kind::ChdOfGdi      ? Kind::Gdi
                      : kind == Kind::ChdOfDataData ? Kind::DataData
                                                    : Kind::HeaderSession;
      const std::string set = MakeImage(of, iso, folder / "set");
      const std::string command = std::string(QUILLET_CHDMAN) + " createcd -i '" + set + "' -o '" +
                                  (folder / "dk.chd").string() + "' > /dev/null 2>&1";
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
      return (folder / "dk.chd").string();
    }
    case Kind::Cdi2352:
    case Kind::CdiNoCodes: {
      std::string image = testing::SelfBootCdi(iso, 2352, testing::CdiRelease::Version2);
      if (kind == Kind::CdiNoCodes) {
        // As some burning programs keep a CD-R: every sector's EDC and parity left as zeros.
        const testing::SelfBootLayout layout(static_cast<std::uint32_t>(iso.size() / 2048), 2352);
        for (std::uint64_t at = layout.data_start(); at < layout.data_end(); at += 2352) {
          image.replace(at + 24 + 2048, 2352 - 24 - 2048, 2352 - 24 - 2048, '\0');
        }
      }
      Write(folder / "dk.cdi", image);
      return (folder / "dk.cdi").string();
    }
    case Kind::Cdi2336:
      Write(folder / "dk.cdi", testing::SelfBootCdi(iso, 2336, testing::CdiRelease::Version35));
      return (folder / "dk.cdi").string();
    case Kind::Iso: Write(folder / "game.iso", iso); return (folder / "game.iso").string();
    case Kind::RawIso: Write(folder / "game.iso", Sectors(iso, 2352, 1, 11702)); return (folder / "game.iso").string();
    case Kind::Gdi: return WriteSet(testing::GdiSet(iso, 2352, "tracks/track 03.bin"), folder);
    case Kind::Cue: return WriteSet(testing::CueSet(iso), folder);
    case Kind::Split: return WriteSet(testing::SplitSet(iso), folder);
    case Kind::DataData: return WriteSet(testing::DataDataSet(iso), folder);
    case Kind::HeaderSession: return WriteSet(testing::HeaderSessionSet(iso), folder);
  }
  return {};
}

// Every file under `folder`, by its path inside it, with its bytes.
std::vector<std::pair<std::string, std::string>> FilesUnder(const fs::path& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files.emplace_back(fs::relative(entry.path(), folder).string(), ReadFile(entry.path().string()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FixTest, EachKindOfImageIsMendedBackToTheOneThatBoots) {
  const std::string payload = ReadFile(QUILLET_SH_FIXTURES "/hello.bin");
  const std::string scrambled = testing::ContentBytes(testing::Content::kScrambledProgram, [](const char* name) {
    return ReadFile(QUILLET_SH_FIXTURES "/" + std::string(name));
  });
  const auto with_form = [&](std::string iso, bool scramble) {
    const std::size_t at = iso.find(payload);
    return iso.replace(at, payload.size(), scramble ? scrambled : payload);
  };
  // The IP.BIN's area texts (for Japan, the USA and Europe) and symbols, as the ISO holds them.
  const auto with_regions = [](std::string iso, const std::string& symbols, const std::array<bool, 3>& texts) {
    constexpr std::array<const char*, 3> kTexts = {"For JAPAN,TAIWAN,PHILIPINES.", "For USA and CANADA.",
                                                   "For EUROPE."};
    iso.replace(0x30, 3, symbols);
    for (std::size_t region = 0; region < 3; ++region) {
      std::string text = texts[region] ? kTexts[region] : "";
      text.resize(28, ' ');
      iso.replace(0x3704 + 32 * region, 28, text);
    }
    return iso;
  };
  const std::uint64_t fixture_code = DiscBootAt(kDisc + "/session.iso")->boot.header.boot_code;
  const std::array<std::uint64_t, 1> stock = {fixture_code};
  const std::array<KnownLoader, 1> loader = {{{fixture_code, Form::Unscrambled, "a loader of the tests"}}};

  struct Row {
    const char* label;
    Kind kind;
    Broken broken;
    Outcome outcome = Outcome::Fixed;
    Code code = Code::Stock;
    const char* regions = nullptr;  // --regions, as area symbols
    const char* output = nullptr;   // -o, inside the broken image's folder (or a path of its own)
    Beside beside = Beside::Nothing;
  };
  for (const Row& row : std::vector<Row>{
           {"CDI, raw mode 2", Kind::Cdi2352, Broken::Form},
           {"CDI, 2336-byte sectors", Kind::Cdi2336, Broken::Form},
           {"CDI whose sectors carry no codes", Kind::CdiNoCodes, Broken::Form},
           {"ISO", Kind::Iso, Broken::Form},
           {"raw ISO", Kind::RawIso, Broken::FormAndText},
           {"GD-ROM .gdi, its boot track in a folder", Kind::Gdi, Broken::Form},
           {"cue sheet of a CD-R", Kind::Cue, Broken::FormAndText},
           {"GD-ROM cue, its boot file across two tracks", Kind::Split, Broken::Form},
           {"cue sheet of a data + data CD-R", Kind::DataData, Broken::Form},
           {"CHD of a CD-R, as a cue sheet in two sessions", Kind::ChdOfCue, Broken::FormAndText},
           {"CHD of a GD-ROM", Kind::ChdOfGdi, Broken::Form},
           {"CHD of a data + data CD-R", Kind::ChdOfDataData, Broken::FormAndText},
           // (Its first session's IP.BIN, which no console reads, keeps its area texts.)
           {"CHD of a data + data CD-R whose second session is its IP.BIN", Kind::ChdOfHeaderSession, Broken::Form},
           {"an area text gone", Kind::Cdi2352, Broken::AreaText},
           {"a known loader's", Kind::Cue, Broken::Form, Outcome::Fixed, Code::Loader},
           {"--regions U", Kind::Gdi, Broken::Nothing, Outcome::Fixed, Code::Stock, " U "},
           {"-o names the result", Kind::Cdi2352, Broken::Form, Outcome::Fixed, Code::Stock, nullptr, "out.cdi"},
           {"an image for its owner alone", Kind::Cdi2352, Broken::Form, Outcome::Fixed, Code::Stock, nullptr, nullptr,
            Beside::PrivateImage},
           {"--force replaces an earlier copy", Kind::Iso, Broken::Form, Outcome::Fixed, Code::Stock, nullptr, nullptr,
            Beside::EarlierCopyReplaced},
           {"one that boots", Kind::Cue, Broken::Nothing, Outcome::LeftAlone},
           {"boot code of its own", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Unknown},
           {"-o onto the image", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Stock, nullptr, "dk.cdi"},
           {"-o onto a track file", Kind::Gdi, Broken::Form, Outcome::Refused, Code::Stock, nullptr,
            "tracks/track 03.bin"},
           {"-o naming another format", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Stock, nullptr, "out.iso"},
           {"-o naming standard output", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Stock, nullptr,
            "/dev/stdout"},
           {"an earlier copy", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Stock, nullptr, nullptr,
            Beside::EarlierCopy},
           {"a folder of the user's where the set goes", Kind::Gdi, Broken::Form, Outcome::Refused, Code::Stock,
            nullptr, nullptr, Beside::UsersFolder},
       }) {
    SCOPED_TRACE(row.label);
    const testing::TempFolder folder;
    // The form each boots in: a CD-R's stock code starts it scrambled, a GD-ROM's and the loader unscrambled.
    const bool scrambled_boots = !GdRom(row.kind) && row.code != Code::Loader;
    const std::string iso = IsoOf(row.kind);
    const std::string boots = with_form(iso, scrambled_boots);
    const std::string good = row.regions ? with_regions(boots, row.regions, {false, true, false}) : boots;
    std::string broken = boots;
    if (row.broken == Broken::Form || row.broken == Broken::FormAndText) broken = with_form(iso, !scrambled_boots);
    if (row.broken == Broken::AreaText || row.broken == Broken::FormAndText) {
      broken = with_regions(broken, "JUE", {true, false, true});
    }
    const fs::path broken_folder = folder.path() / "broken";
    const std::string image = MakeImage(row.kind, broken, broken_folder);
    const fs::path good_image = MakeImage(row.kind, good, folder.path() / "good");
    const bool single = !FromChd(row.kind) && (row.kind < Kind::Gdi || row.kind > Kind::HeaderSession);
    const std::string title = fs::path(image).stem().string();
    const fs::path result = row.output ? broken_folder / row.output
                            : single   ? broken_folder / (title + "_fixed" + fs::path(image).extension().string())
                                       : broken_folder / (title + "_fixed");
    if (row.beside == Beside::EarlierCopy || row.beside == Beside::EarlierCopyReplaced) {
      Write(result, "an earlier copy");
    }
    if (row.beside == Beside::UsersFolder) Write(result / "notes.txt", "the user's own");
    if (row.beside == Beside::PrivateImage) fs::permissions(image, fs::perms::owner_read | fs::perms::owner_write);
    const auto before = FilesUnder(broken_folder);

    FixOptions options;
    if (row.output) options.output = result.string();
    if (row.regions) options.area_symbols = row.regions;
    if (row.code == Code::Stock) options.codes = {stock, {}};
    if (row.code == Code::Loader) options.codes = {{}, loader};
    if (row.code == Code::Unknown) options.codes = {{}, {}};
    options.force = row.beside == Beside::EarlierCopyReplaced || row.beside == Beside::UsersFolder;
    std::ostringstream out, err;
    const int status = RunFix({image}, options, out, err);

    EXPECT_EQ(status, row.outcome == Outcome::Refused ? 1 : 0) << err.str();
    if (row.outcome != Outcome::Fixed) {
      EXPECT_EQ(FilesUnder(broken_folder), before) << "nothing written, nothing changed";
      EXPECT_NE((row.outcome == Outcome::LeftAlone ? out : err).str().find("nothing written"), std::string::npos)
          << err.str();
      continue;
    }
    // A lone track's report cannot tell where it will be burned.
    const bool lone = row.kind == Kind::Iso || row.kind == Kind::RawIso;
    EXPECT_NE(out.str().find(lone              ? ": cannot tell whether it boots: "
                             : GdRom(row.kind) ? ": will boot as a GD-ROM"
                                               : ": will boot from a CD-R"),
              std::string::npos)
        << out.str();
    if (FromChd(row.kind)) {
      // Each track in a file of Redump's name beside a sheet of its own, a CD-R's audio in a track
      // file's byte order, and the sessions the CHD did not keep put back; a GD-ROM's boot track.
      const fs::path set = broken_folder / "dk_fixed";
      if (row.kind == Kind::ChdOfGdi) {
        EXPECT_TRUE(ReadFile((set / "dk (Track 3).bin").string()) ==
                    ReadFile((folder.path() / "good" / "set" / "tracks/track 03.bin").string()))
            << "the boot track, byte for byte";
      } else {
        EXPECT_NE(ReadFile((set / "dk.cue").string()).find("REM SESSION 02"), std::string::npos);
        for (const char* track : {"1", "2"}) {
          EXPECT_TRUE(ReadFile((set / ("dk (Track " + std::string(track) + ").bin")).string()) ==
                      ReadFile((folder.path() / "good" / "set" / ("Track " + std::string(track) + ".bin")).string()))
              << "track " << track << ", byte for byte";
        }
      }
    } else if (!single) {
      EXPECT_EQ(FilesUnder(result), FilesUnder(folder.path() / "good")) << "every file of the set";
    } else {
      EXPECT_TRUE(ReadFile(result.string()) == ReadFile(good_image.string())) << "the image, byte for byte";
      EXPECT_EQ(fs::status(result).permissions(), fs::status(image).permissions())
          << "the image's mode, as cp keeps it";
    }
    if (!FromChd(row.kind)) {
      const std::size_t earlier = row.beside == Beside::EarlierCopyReplaced ? 1 : 0;
      EXPECT_EQ(FilesUnder(broken_folder).size(), (before.size() - earlier) * 2) << "the originals kept, no more";
    }
  }
}

}  // namespace
}  // namespace quillet
