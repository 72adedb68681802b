// The one judgement of a file's form over a set of real files: SH programs built with Debian's
// cross-compiler (with a C library and without, one linked where Dreamcast homebrew loads) in all
// three forms, a short pattern planted inside one slice of a scrambled program, and files that are
// no program (text, a picture, archives, this machine's own code) or give no honest answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/window_verdict.h"
#include "inspect/judgement.h"
#include "scramble/scramble.h"
#include "support/temp_folder.h"
#include "sys/file_system.h"
#include "util/byte_source.h"

namespace quillet {
namespace {

using testing::ReadFile;

const std::string kFixtures = QUILLET_SH_FIXTURES;
const std::string kSources = QUILLET_SOURCE_DIR;

std::string Scrambled(std::string bytes, int times = 1) {
  for (int i = 0; i < times; ++i) {
    std::string out(bytes.size(), '\0');
    Scramble({reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()},
             {reinterpret_cast<std::byte*>(out.data()), out.size()});
    bytes.swap(out);
  }
  return bytes;
}

std::string Noise(std::size_t size) {
  std::mt19937 random(11);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// A boot header of our own making: the hardware ID, a boot file name at 0x60, then SH code.
std::string BootSector(const std::string& code) {
  std::string header = "SEGA SEGAKATANA SEGA ENTERPRISES";
  header.resize(0x60, ' ');
  header += "1ST_READ.BIN    ";
  header.resize(0x100, ' ');
  return header + code.substr(0, 0x8000 - header.size());
}

// Machine code of this test's own processor: its own program file, past the headers.
std::string OwnMachineCode() { return ReadFile(ProgramPath()).substr(4096, 256 * 1024); }

TEST(JudgementTest, EachFileOfTheSetGetsItsForm) {
  struct Row {
    std::string name;
    std::string bytes;
    Form form;
  };
  const std::string hello = ReadFile(kFixtures + "/hello.bin");
  const std::string bare = ReadFile(kFixtures + "/bare.bin");
  const std::string kos = ReadFile(kFixtures + "/kos.bin");
  // Pattern N (21 bytes) at the start of a slice in the scrambled program: it survives scrambling
  // whole, so the patterns alone would call the file unscrambled.
  std::string survivor = Scrambled(bare);
  survivor.replace(64 * kSliceSize, 21, "0123456E1789ABCDEABFF");
  const std::string readme = ReadFile(kSources + "/README.md");
  const std::string zip = ReadFile(kFixtures + "/sources.zip");
  std::vector<Row> rows{
      {"C library, unscrambled", hello, Form::Unscrambled},
      {"C library, scrambled", Scrambled(hello), Form::Scrambled},
      {"C library, scrambled twice", Scrambled(hello, 2), Form::ScrambledTwice},
      {"no C library, unscrambled", bare, Form::Unscrambled},
      {"no C library, scrambled", Scrambled(bare), Form::Scrambled},
      {"no C library, scrambled twice", Scrambled(bare, 2), Form::ScrambledTwice},
      {"homebrew's load address, unscrambled", kos, Form::Unscrambled},
      {"homebrew's load address, scrambled", Scrambled(kos), Form::Scrambled},
      {"homebrew's load address, scrambled twice", Scrambled(kos, 2), Form::ScrambledTwice},
      {"a short pattern planted in one slice of a scrambled program", survivor, Form::Scrambled},
      {"text", readme, Form::NotAProgram},
      {"text, scrambled", Scrambled(readme), Form::NotAProgram},
      {"a short text", ReadFile(kSources + "/LICENSE"), Form::NotAProgram},
      {"a PNG picture", ReadFile(kSources + "/resources/hicolor/256x256/quillet.png"), Form::NotAProgram},
      {"a gzip file", ReadFile(kFixtures + "/readme.gz"), Form::NotAProgram},
      {"a zip file", zip, Form::NotAProgram},
      {"a zip file, scrambled", Scrambled(zip), Form::NotAProgram},
      {"a zip file, scrambled twice", Scrambled(zip, 2), Form::NotAProgram},
      {"x86 machine code", OwnMachineCode(), Form::NotAProgram},
      {"random bytes", Noise(300000), Form::Undecided},
      {"zeros", std::string(300000, '\0'), Form::Undecided},
      {"a tiny program", hello.substr(0, 600), Form::Undecided},
      {"an IP.BIN", BootSector(bare), Form::BootSector},
  };
  for (const Row& row : rows) {
    const Judgement judgement = JudgeImage({reinterpret_cast<const std::byte*>(row.bytes.data()), row.bytes.size()});
    EXPECT_EQ(FormText(judgement.form), FormText(row.form)) << row.name;
  }
}

TEST(JudgementTest, WindowShowsTheFormWhereItIsAProgramsAndThePatternsWhereNot) {
  struct Row {
    std::string name;
    std::string bytes;
    ScrambleVerdict window;
  };
  const std::string bare = ReadFile(kFixtures + "/bare.bin");
  std::string survivor = Scrambled(bare);
  survivor.replace(64 * kSliceSize, 21, "0123456E1789ABCDEABFF");
  for (const Row& row : std::vector<Row>{
           {"a program without patterns", bare, ScrambleVerdict::Unscrambled},
           {"the planted survivor", survivor, ScrambleVerdict::Scrambled},
           {"scrambled twice: Convert unscrambles once, which repairs it", Scrambled(bare, 2),
            ScrambleVerdict::Scrambled},
           {"undecided: the patterns' verdict", Noise(5000), ScrambleVerdict::Scrambled},
           {"not a program: the patterns' verdict", ReadFile(kSources + "/README.md"), ScrambleVerdict::Scrambled},
       }) {
    const Judgement judgement = JudgeImage({reinterpret_cast<const std::byte*>(row.bytes.data()), row.bytes.size()});
    EXPECT_EQ(VerdictText(WindowVerdict(judgement)), VerdictText(row.window)) << row.name;
  }
}

TEST(JudgementTest, FullEvidenceNeverChangesTheForm) {
  const std::string hello = ReadFile(kFixtures + "/hello.bin");
  for (const std::string& bytes : {hello, Scrambled(hello), ReadFile(kSources + "/README.md")}) {
    const std::span<const std::byte> image(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    const Judgement brief = JudgeImage(image), full = JudgeImage(image, Evidence::Full);
    EXPECT_EQ(brief.form, full.form);
    EXPECT_EQ(brief.verdict, full.verdict);
    EXPECT_TRUE(full.layout.has_value());
  }
}

// A file read through a buffer a block at a time, as the command line and the page read one.
class ReadThrough final : public ByteSource {
 public:
  explicit ReadThrough(const std::string& bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }

 private:
  void ReadInside(std::uint64_t offset, std::span<std::byte> into) const override {
    std::memcpy(into.data(), bytes_.data() + offset, into.size());
  }
  const std::string& bytes_;
};

// The judgement of `bytes` handed over as the page hands a file: blocks of `block` bytes written
// into a feed.
Judgement FedInBlocks(std::span<const std::byte> bytes, Evidence evidence, std::size_t block) {
  ImageJudge judge(bytes.size(), evidence);
  BlockFeed feed(judge.Overlap(), block);
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    const std::size_t count = std::min(block, bytes.size() - at);
    std::memcpy(feed.Fresh().data(), bytes.data() + at, count);
    if (!feed.Take(count, [&](std::uint64_t offset, std::span<const std::byte> seen, std::size_t fresh) {
          return judge.See(offset, seen, fresh);
        })) {
      break;
    }
  }
  return judge.Finish(MemorySource(bytes));
}

// Programs several blocks long, every pattern planted across a block's edge by one byte, half its
// length and all but one: read through a buffer, or fed in the page's larger blocks, each gets the
// judgement it gets whole in memory.
TEST(JudgementTest, AFileReadABlockAtATimeIsJudgedAsAWholeOne) {
  std::string program;
  const std::string hello = ReadFile(kFixtures + "/hello.bin");
  while (program.size() < 3 * kPassBlock) program += hello;
  struct Row {
    std::string name;
    std::string bytes;
  };
  std::vector<Row> rows{{"a program", program},
                        {"scrambled", Scrambled(program)},
                        {"scrambled twice", Scrambled(program, 2)},
                        {"noise", Noise(3 * kPassBlock + 77)}};
  const std::string base = Scrambled(program);
  for (const Pattern& pattern : AllPatterns()) {
    for (const std::size_t before : {std::size_t{1}, pattern.bytes.size() / 2, pattern.bytes.size() - 1}) {
      std::string bytes = base;
      bytes.replace(2 * kPassBlock - before, pattern.bytes.size(), pattern.bytes);
      rows.push_back(
          {std::string(1, pattern.letter) + " from " + std::to_string(before) + " bytes before an edge", bytes});
    }
  }
  for (const Row& row : rows) {
    const std::span<const std::byte> whole(reinterpret_cast<const std::byte*>(row.bytes.data()), row.bytes.size());
    for (const Evidence evidence : {Evidence::FormOnly, Evidence::Full}) {
      const Judgement expected = JudgeImage(whole, evidence);
      for (const Judgement& streamed :
           {JudgeImage(ReadThrough(row.bytes), evidence), FedInBlocks(whole, evidence, 2 * kPassBlock)}) {
        EXPECT_EQ(FormText(streamed.form), FormText(expected.form)) << row.name;
        EXPECT_EQ(streamed.matches, expected.matches) << row.name;
        EXPECT_EQ(streamed.layout, expected.layout) << row.name;
        if (evidence == Evidence::Full) {
          EXPECT_EQ(streamed.matches, FindSignatures(whole, AllPatterns())) << row.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillet
