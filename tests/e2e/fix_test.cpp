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
#include "disc/disc_file.h"
#include "support/disc_writer.h"
#include "support/temp_folder.h"
#include "support/window_scenarios.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kDisc = QUILLET_SH_FIXTURES "/disc";

enum class Kind { Cdi2352, Cdi2336, CdiNoCodes, Iso, RawIso, Gdi, Cue, Split, ChdOfCue, ChdOfGdi };
enum class Broken { Nothing, Form, AreaText, FormAndText };
enum class Outcome { Fixed, LeftAlone, Refused };

// The boot code a row's disc has: the rule of stock code, a loader's that starts unscrambled, or
// code of its own nobody knows.
enum class Code { Stock, Loader, Unknown };

// The ISO a kind of image holds: a CD-R's session at LBA 11702, a GD-ROM's high-density area.
std::string IsoOf(Kind kind) {
  if (kind == Kind::Gdi || kind == Kind::ChdOfGdi) return ReadFile(kDisc + "/gdrom.iso");
  if (kind == Kind::Split) return ReadFile(kDisc + "/split.iso");
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
    case Kind::ChdOfGdi: {
      const std::string set = MakeImage(kind == Kind::ChdOfCue ? Kind::Cue : Kind::Gdi, iso, folder / "set");
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
    const char* output = nullptr;   // -o, inside the broken image's folder
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
           {"CHD of a CD-R, as a cue sheet in two sessions", Kind::ChdOfCue, Broken::FormAndText},
           {"CHD of a GD-ROM", Kind::ChdOfGdi, Broken::Form},
           {"an area text gone", Kind::Cdi2352, Broken::AreaText},
           {"a known loader's", Kind::Cue, Broken::Form, Outcome::Fixed, Code::Loader},
           {"--regions U", Kind::Gdi, Broken::Nothing, Outcome::Fixed, Code::Stock, " U "},
           {"-o names the result", Kind::Cdi2352, Broken::Form, Outcome::Fixed, Code::Stock, nullptr, "out.cdi"},
           {"one that boots", Kind::Cue, Broken::Nothing, Outcome::LeftAlone},
           {"boot code of its own", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Unknown},
           {"-o onto the image", Kind::Cdi2352, Broken::Form, Outcome::Refused, Code::Stock, nullptr, "dk.cdi"},
           {"-o onto a track file", Kind::Gdi, Broken::Form, Outcome::Refused, Code::Stock, nullptr,
            "tracks/track 03.bin"},
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
    const std::string image = MakeImage(row.kind, broken, folder.path() / "broken");
    const fs::path good_image = MakeImage(row.kind, good, folder.path() / "good");
    const auto before = FilesUnder(folder.path() / "broken");

    FixOptions options;
    if (row.output) options.output = (folder.path() / "broken" / row.output).string();
    if (row.regions) options.area_symbols = row.regions;
    if (row.code == Code::Stock) options.codes = {stock, {}};
    if (row.code == Code::Loader) options.codes = {{}, loader};
    if (row.code == Code::Unknown) options.codes = {{}, {}};
    std::ostringstream out, err;
    const int status = RunFix({image}, options, out, err);

    EXPECT_EQ(status, row.outcome == Outcome::Refused ? 1 : 0) << err.str();
    if (row.outcome != Outcome::Fixed) {
      EXPECT_EQ(FilesUnder(folder.path() / "broken"), before) << "nothing written, nothing changed";
      EXPECT_NE((row.outcome == Outcome::LeftAlone ? out : err).str().find("nothing written"), std::string::npos);
      continue;
    }
    // A lone track's report cannot tell where it will be burned.
    const bool lone = row.kind == Kind::Iso || row.kind == Kind::RawIso;
    EXPECT_NE(out.str().find(lone              ? ": cannot tell whether it boots: "
                             : GdRom(row.kind) ? ": will boot as a GD-ROM"
                                               : ": will boot from a CD-R"),
              std::string::npos)
        << out.str();
    if (row.kind == Kind::ChdOfCue || row.kind == Kind::ChdOfGdi) {
      // The boot track, in a file of Redump's name beside a sheet of its own.
      const bool gdi = row.kind == Kind::ChdOfGdi;
      const fs::path set = folder.path() / "broken" / "dk_fixed";
      EXPECT_TRUE(fs::exists(set / "dk.cue"));
      EXPECT_TRUE(ReadFile((set / (gdi ? "dk (Track 3).bin" : "dk (Track 2).bin")).string()) ==
                  ReadFile((folder.path() / "good" / "set" / (gdi ? "tracks/track 03.bin" : "Track 2.bin")).string()))
          << "the boot track, byte for byte";
    } else if (row.kind == Kind::Gdi || row.kind == Kind::Split || row.kind == Kind::Cue) {
      const fs::path set = folder.path() / "broken" / (fs::path(image).stem().string() + "_fixed");
      EXPECT_EQ(FilesUnder(set), FilesUnder(folder.path() / "good")) << "every file of the set";
    } else {
      const fs::path result = row.output ? folder.path() / "broken" / row.output
                                         : fs::path(image).parent_path() / (fs::path(image).stem().string() + "_fixed" +
                                                                            fs::path(image).extension().string());
      EXPECT_TRUE(ReadFile(result.string()) == ReadFile(good_image.string())) << "the image, byte for byte";
    }
    if (row.kind != Kind::ChdOfCue && row.kind != Kind::ChdOfGdi) {
      EXPECT_EQ(FilesUnder(folder.path() / "broken").size(), before.size() * 2) << "the originals kept, no more";
    }
  }
}

}  // namespace
}  // namespace quillet
