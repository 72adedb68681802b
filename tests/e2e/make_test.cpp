// quillet make's discs, one for each program form, boot code, layout and output form, made of the
// real SH program, the tests' IP.BIN and a file of noise in a folder: each must read back with its
// report, its boot file in the form its boot code starts and first on the disc, the file as given,
// its sessions where a console looks, every track 302 sectors or more, every data sector's error
// codes right, and the same bytes when made again.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/disc_file.h"
#include "core/disc_maker.h"
#include "disc/boot_make.h"
#include "formats/iso9660.h"
#include "formats/sector_codes.h"
#include "scramble/scramble.h"
#include "support/disc_writer.h"
#include "support/refusal.h"
#include "support/temp_folder.h"
#include "support/window_scenarios.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::AsBytes;
using testing::AsText;
using testing::ReadFile;

const std::string kDisc = QUILLET_SH_FIXTURES "/disc";

enum class Code { Stock, Loader, Unknown };

std::string Scrambled(const std::string& bytes) {
  std::string out(bytes.size(), '\0');
  Scramble(AsBytes(bytes), std::as_writable_bytes(std::span(out)));
  return out;
}

// Every file in the folder a disc was made in (the image, or the sheet and its track files), by name.
std::map<std::string, std::string> FilesBeside(const std::string& path) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
    files[entry.path().filename().string()] = ReadFile(entry.path().string());
  }
  return files;
}

TEST(MakeTest, EachDiscReadsBackBootingWithItsFilesAndRightCodes) {
  const std::string program = ReadFile(QUILLET_SH_FIXTURES "/hello.bin");  // unscrambled
  const std::string ip = ReadFile(kDisc + "/IP.BIN");
  const std::uint64_t fixture_code = DiscBootAt(kDisc + "/session.iso")->boot.header.boot_code;
  const std::array<std::uint64_t, 1> stock = {fixture_code};
  const std::array<KnownLoader, 1> loader = {{{fixture_code, Form::Unscrambled, "a loader of the tests"}}};
  std::string noise(300000, '\0');
  std::mt19937 random(49);
  for (char& byte : noise) byte = static_cast<char>(random());

  struct Row {
    const char* label;
    Form program;
    Code code;
    MadeLayout layout;
    const char* output;
    const char* refusal = nullptr;
  };
  const Row rows[] = {
      {"unscrambled, stock code, audio + data, CDI", Form::Unscrambled, Code::Stock, MadeLayout::AudioData, "game.cdi"},
      {"scrambled, stock code, audio + data, cue", Form::Scrambled, Code::Stock, MadeLayout::AudioData, "game.cue"},
      {"scrambled twice, stock code, data + data, CDI", Form::ScrambledTwice, Code::Stock, MadeLayout::DataData,
       "game.cdi"},
      {"unscrambled, a known loader, data + data, cue", Form::Unscrambled, Code::Loader, MadeLayout::DataData,
       "game.cue"},
      {"scrambled, a known loader, ISO", Form::Scrambled, Code::Loader, MadeLayout::AudioData, "game.iso"},
      {"boot code nobody knows", Form::Unscrambled, Code::Unknown, MadeLayout::AudioData, "game.cdi",
       "the IP.BIN carries boot code of its own (a loader)"},
      {"data + data as an ISO", Form::Scrambled, Code::Stock, MadeLayout::DataData, "game.iso",
       "a data + data disc is two sessions, and an .iso holds one track"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const BootCodes codes = row.code == Code::Stock    ? BootCodes{stock, {}}
                            : row.code == Code::Loader ? BootCodes{{}, loader}
                                                       : BootCodes{{}, {}};
    const std::string given = row.program == Form::Unscrambled ? program
                              : row.program == Form::Scrambled ? Scrambled(program)
                                                               : Scrambled(Scrambled(program));
    testing::TempFolder folder;
    const std::string level = folder.Write("level1.dat", noise);
    std::map<std::string, std::string> first;
    const bool iso = std::string(row.output).ends_with(".iso"), cdi = std::string(row.output).ends_with(".cdi");
    for (const char* made_in : {"one", "two"}) {
      std::filesystem::create_directory(folder.path() / made_in);
      const std::string output = folder.PathOf(std::string(made_in) + "/" + row.output);
      const auto make = [&] {
        BootRequest request{{AsBytes(ip).begin(), AsBytes(ip).end()},
                            {AsBytes(given).begin(), AsBytes(given).end()},
                            std::nullopt,
                            {"1ST_READ.BIN", "A GAME OF THE TESTS", "20231114"},
                            std::string(" U ")};
        DiscMaker maker({MakeBoot(std::move(request), codes),
                         {{"DATA/LEVEL1.DAT", level}},
                         row.layout,
                         1700000000,
                         output,
                         false,
                         codes});
        return maker.Write();
      };
      if (row.refusal) {
        testing::ExpectRefusal(row.label, row.refusal, make);
        EXPECT_TRUE(std::filesystem::is_empty(folder.path() / made_in));
        break;
      }
      const MadeDisc made = make();
      const JudgedDisc& judged = made.judged;
      const std::string summary = BootSummary(judged.disc, judged.checks, codes);
      EXPECT_EQ(summary, iso ? "cannot tell whether it boots: an ISO image is one data track: its disc's sessions are "
                               "made when it is burned"
                         : row.code == Code::Loader
                             ? "will boot from a CD-R on consoles of the USA (its IP.BIN carries a loader of the tests)"
                             : "will boot from a CD-R on consoles of the USA");
      EXPECT_EQ(AsText(judged.disc.boot.bytes), row.code == Code::Loader ? program : Scrambled(program));
      const BootHeader& header = judged.disc.boot.header;
      EXPECT_EQ(header.title, "A GAME OF THE TESTS");
      EXPECT_EQ(header.area_symbols, " U ");
      const std::string bootstrap = AsText(judged.disc.boot.bootstrap);
      EXPECT_EQ(bootstrap.substr(0x20, 4), "3D5C");  // CRC-16/CCITT-FALSE of "T-QUILL   V1.000"
      EXPECT_EQ(bootstrap.substr(0x300), ip.substr(0x300, 0x3700 - 0x300) + bootstrap.substr(0x3700, 0x100) +
                                             ip.substr(0x3800));  // the bootstrap as given

      // The file as given, after the boot file; the sessions where a console looks for them.
      const std::unique_ptr<OpenedDisc> disc = OpenedDisc::Open(made.path);
      const TableOfContents& toc = disc->Contents();
      const DiscBoot boot = BootAreaOfContents(toc, disc->files());
      const std::optional<IsoFile> asset = FindIsoFile(boot.area, "LEVEL1.DAT");
      ASSERT_TRUE(asset);
      EXPECT_GT(asset->lba, judged.disc.boot.lba);
      std::string read;
      for (std::uint32_t sector = 0; read.size() < asset->size; ++sector) {
        const SectorData data = *boot.area.Sector(asset->lba + sector);
        read.append(reinterpret_cast<const char*>(data.data()), data.size());
      }
      EXPECT_EQ(read.substr(0, asset->size), noise);
      if (!iso) {
        ASSERT_EQ(toc.tracks.size(), 2u);
        EXPECT_EQ(toc.tracks[0].session, 1);
        EXPECT_EQ(toc.tracks[1].session, 2);
        EXPECT_EQ(toc.tracks[0].data, row.layout == MadeLayout::DataData);
        EXPECT_EQ(toc.tracks[1].start_lba, toc.tracks[0].sectors + 11400);
        EXPECT_EQ(toc.tracks[1].start_lba, row.layout == MadeLayout::AudioData ? 11702u : toc.tracks[1].start_lba);
      }
      for (const TocTrack& track : toc.tracks) {
        SCOPED_TRACE("track " + std::to_string(track.number));
        EXPECT_GE(track.sectors, iso ? 0u : 302u);
        EXPECT_EQ(track.pregap, cdi ? 150u : track.pregap);
        if (!track.data || iso) continue;
        // Every data sector, a CDI's pregap's among them, carries its codes.
        const ByteSource& file = disc->files().Open(track.file);
        const std::uint64_t from = track.offset - (cdi ? std::uint64_t{track.pregap} * track.sector_size : 0);
        std::vector<std::byte> sector(track.sector_size);
        int wrong = 0;
        for (std::uint64_t at = from; at < track.offset + std::uint64_t{track.sectors} * track.sector_size;
             at += track.sector_size) {
          file.Read(at, sector);
          wrong += HasValidSectorCodes(sector) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0);
      }
      // The same inputs give the same bytes.
      if (first.empty()) {
        first = FilesBeside(made.path);
      } else {
        EXPECT_TRUE(FilesBeside(made.path) == first);
      }
    }
  }
}

}  // namespace
}  // namespace quillet
