// The layout judgement and `quillet convert` on genuine SH programs, one with a C library and one
// without (no patterns at all), each in its three forms; and on data with no layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <vector>

#include "cli/convert_command.h"
#include "cli/quillet_command.h"
#include "convert/tool_commands.h"
#include "inspect/layout.h"
#include "scramble/scramble.h"
#include "support/disc_writer.h"
#include "support/temp_folder.h"
#include "sys/file_system.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

const std::string kFixtures = QUILLET_SH_FIXTURES;

std::string Permuted(const std::string& bytes, bool scramble) {
  std::string result(bytes.size(), '\0');
  const std::span<const std::byte> in(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
  const std::span<std::byte> out(reinterpret_cast<std::byte*>(result.data()), result.size());
  scramble ? Scramble(in, out) : Unscramble(in, out);
  return result;
}
std::string Scrambled(const std::string& bytes, int times = 1) {
  std::string result = bytes;
  for (int i = 0; i < times; ++i) result = Permuted(result, true);
  return result;
}

Layout LayoutOf(const std::string& bytes) {
  return JudgeLayout({reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()});
}

std::string Noise(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(LayoutTest, EachFormOfARealProgramIsToldAndDataWithoutLayoutIsNot) {
  struct Row {
    std::string name;
    std::string bytes;
    Layout layout;
  };
  const std::string hello = ReadFile(kFixtures + "/hello.bin");
  const std::string bare = ReadFile(kFixtures + "/bare.bin");
  for (const Row& row : std::vector<Row>{
           {"C library, unscrambled", hello, Layout::Unscrambled},
           {"C library, scrambled", Scrambled(hello), Layout::Scrambled},
           {"C library, scrambled twice", Scrambled(hello, 2), Layout::ScrambledTwice},
           {"no C library, unscrambled", bare, Layout::Unscrambled},
           {"no C library, scrambled", Scrambled(bare), Layout::Scrambled},
           {"no C library, scrambled twice", Scrambled(bare, 2), Layout::ScrambledTwice},
           {"random bytes", Noise(300000), Layout::Undecided},
           {"zeros", std::string(300000, '\0'), Layout::Undecided},
           {"a tiny file", hello.substr(0, 600), Layout::Undecided},
       }) {
    EXPECT_EQ(LayoutText(LayoutOf(row.bytes)), LayoutText(row.layout)) << row.name;
  }
}

class ConvertTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  Result Quillet(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int status = RunQuillet(arguments, out, err);
    return {status, out.str(), err.str()};
  }
  std::string Write(const std::string& name, const std::string& bytes) { return folder.Write(name, bytes); }

  TempFolder folder;
  const std::string hello = ReadFile(kFixtures + "/hello.bin");
  const std::string bare = ReadFile(kFixtures + "/bare.bin");
};

TEST_F(ConvertTest, EachFormToEachForm) {
  struct Row {
    std::string input;
    std::vector<std::string> options;
    std::string says;     // what the line says after the input's path
    std::string written;  // empty: nothing
  };
  const std::string in = folder.PathOf("game.bin");
  for (const Row& row : std::vector<Row>{
           {hello,
            {"--to", "scrambled"},
            ": wrote " + folder.PathOf("game_scrambled.bin") + " (scrambled)",
            Scrambled(hello)},
           {Scrambled(bare),
            {"--to", "unscrambled"},
            ": wrote " + folder.PathOf("game_unscrambled.bin") + " (unscrambled)",
            bare},
           {Scrambled(bare, 2),
            {"--to", "unscrambled"},
            ": wrote " + folder.PathOf("game_unscrambled.bin") + " (unscrambled twice: it was scrambled twice)",
            bare},
           {Scrambled(hello, 2),
            {"--to", "scrambled"},
            ": wrote " + folder.PathOf("game_scrambled.bin") + " (unscrambled once: it was scrambled twice)",
            Scrambled(hello)},
           {bare, {"--to", "unscrambled"}, ": already unscrambled; nothing written (--force converts it anyway)", ""},
           {Scrambled(hello),
            {"--to", "scrambled"},
            ": already scrambled; nothing written (--force converts it anyway)",
            ""},
           {Scrambled(hello),
            {"--to", "scrambled", "--force"},
            ": wrote " + folder.PathOf("game_scrambled.bin") + " (scrambled again, as forced)",
            Scrambled(hello, 2)},
           {bare,
            {"--to", "scrambled", "-o", folder.PathOf("1ST_READ.BIN")},
            ": wrote " + folder.PathOf("1ST_READ.BIN") + " (scrambled)",
            Scrambled(bare)},
       }) {
    for (const auto& entry : fs::directory_iterator(folder.path())) fs::remove(entry);
    Write("game.bin", row.input);
    std::vector<std::string> arguments{"convert"};
    arguments.insert(arguments.end(), row.options.begin(), row.options.end());
    arguments.push_back(in);
    const Result result = Quillet(arguments);
    EXPECT_EQ(result.status, 0) << row.says << result.err;
    EXPECT_EQ(result.out, in + row.says + "\n");
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder.path())) files.push_back(entry.path().filename().string());
    EXPECT_EQ(files.size(), row.written.empty() ? 1u : 2u) << row.says;
    if (!row.written.empty()) {
      const std::size_t open = row.says.find("wrote ") + 6;
      EXPECT_EQ(ReadFile(row.says.substr(open, row.says.find(" (") - open)), row.written) << row.says;
    }
  }
}

TEST_F(ConvertTest, ElfGoesThroughObjcopy) {
  const std::string elf = Write("my game.elf", ReadFile(kFixtures + "/hello.elf"));
  const Result scrambled = Quillet({"convert", "--to", "scrambled", elf});
  EXPECT_EQ(scrambled.status, 0) << scrambled.err;
  EXPECT_EQ(ReadFile(folder.PathOf("my game_scrambled.bin")), Scrambled(hello));
  const Result unscrambled = Quillet({"convert", "--to", "unscrambled", elf});
  EXPECT_EQ(unscrambled.out,
            elf + ": wrote " + folder.PathOf("my game_unscrambled.bin") + " (an ELF file, through sh-elf-objcopy)\n");
  EXPECT_EQ(ReadFile(folder.PathOf("my game_unscrambled.bin")), hello);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 3) << "no intermediate left";
}

TEST_F(ConvertTest, FailuresAreNamedAndTheRestIsConverted) {
  // Looks like an ELF file to anyone who reads four bytes, but objcopy knows better.
  const std::string broken = Write("broken.elf", std::string("\x7F"
                                                             "ELF") +
                                                     Noise(5000));
  const std::string unknown = Write("noise.bin", Noise(300000));
  const std::string text = Write("notes.bin", ReadFile(QUILLET_SOURCE_DIR "/README.md"));
  // A boot header under another name: refused even when forced.
  std::string ip_bin = "SEGA SEGAKATANA " + std::string(0x50, ' ') + "1ST_READ.BIN    " + bare;
  ip_bin.resize(32768, ' ');
  const std::string boot = Write("boot.bin", ip_bin);
  const std::string good = Write("good.bin", hello);
  const Result result =
      Quillet({"convert", "--to", "scrambled", broken, unknown, text, boot, folder.PathOf("gone.bin"), good});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, good + ": wrote " + folder.PathOf("good_scrambled.bin") + " (scrambled)\n");
  EXPECT_EQ(result.err,
            "quillet: " + broken + ": Path/File access error: " + ToolFileName(Tool::Objcopy, NativePathStyle()) +
                " failed with exit code 1: " + broken + ": file format not recognized\n" + "quillet: " + unknown +
                ": Invalid procedure call or argument: its form cannot be told (no patterns, no telling layout); "
                "--force makes it scrambled anyway\n" +
                "quillet: " + text +
                ": Invalid procedure call or argument: it is not a Dreamcast program (no SH-4 machine code in any "
                "form); --force makes it scrambled anyway\n" +
                "quillet: " + boot + ": Please select a 1st_read.bin, not an Ip.bin!\n" +
                "quillet: " + folder.PathOf("gone.bin") + ": File not found\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 6) << "nothing half-written left";
  EXPECT_EQ(Quillet({"convert", "--to", "scrambled", "--force", unknown}).status, 0);
  EXPECT_EQ(Quillet({"convert", "--to", "scrambled", "--force", boot}).status, 1);
}

TEST_F(ConvertTest, OneRunNeverReplacesItsOwnResultsOrInputs) {
  const std::string disc1 = Write("game.disc1.bin", Scrambled(bare)), disc2 = Write("game.disc2.bin", Scrambled(bare));
  const std::string result = folder.PathOf("game_unscrambled.bin");
  Result run = Quillet({"convert", "--to", "unscrambled", disc1, disc2});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, disc1 + ": wrote " + result + " (unscrambled)\n");
  EXPECT_EQ(run.err, "quillet: " + disc2 + ": " + result + " is the result of " + disc1 +
                         ", written earlier in this run; nothing written\n");
  // A result that a later input is: refused before that input is read.
  const std::string input = Write("a.bin", Scrambled(hello)), later = Write("a_unscrambled.bin", Scrambled(bare));
  run = Quillet({"convert", "--to", "unscrambled", input, later});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
            "quillet: " + input + ": its result " + later + " is an input of this run, " + later + "; nothing written");
  EXPECT_EQ(ReadFile(later), Scrambled(bare));
}

TEST_F(ConvertTest, ErrorsNameTheFileTheyConcernAndHiddenNamesKeepTheirDot) {
  const std::string input = Write("s.bin", hello);
  fs::create_directory(folder.path() / "adir");
  struct Row {
    std::vector<std::string> arguments;
    std::string error;
  };
  const std::string folder_error = ": Path/File access error: the path names a folder, not a file\n";
  const std::string earlier = Write("s_scrambled.bin", "another program");
  for (const Row& row : std::vector<Row>{
           {{input}, input + ": its result " + earlier + " exists: --force replaces it; nothing written\n"},
           {{"-o", folder.PathOf("nodir/x.bin"), input}, input + ": cannot write " + folder.PathOf("nodir/x.bin")},
           {{"-o", folder.PathOf("adir"), input}, input + ": cannot write " + folder.PathOf("adir") + folder_error},
           {{folder.PathOf("adir") + "/"}, folder.PathOf("adir") + "/" + folder_error},
       }) {
    std::vector<std::string> arguments{"convert", "--to", "scrambled"};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    const Result result = Quillet(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with("quillet: " + row.error)) << result.err;
  }
  EXPECT_EQ(ReadFile(earlier), "another program");
  Write(".game.bin", hello);
  EXPECT_EQ(Quillet({"convert", "--to", "scrambled", folder.PathOf(".game.bin")}).status, 0);
  EXPECT_EQ(ReadFile(folder.PathOf(".game_scrambled.bin")), Scrambled(hello));
}

TEST_F(ConvertTest, EachLineIsOutBeforeTheNextFileStarts) {
  // A stream that notes what had been written each time it was flushed.
  class Recorder : public std::stringbuf {
   public:
    std::vector<std::string> flushed;

   protected:
    int sync() override {
      flushed.push_back(str());
      return 0;
    }
  };
  Recorder recorder;
  std::ostream out(&recorder);
  std::ostringstream err;
  const std::string one = Write("one.bin", hello), two = Write("two.bin", hello);
  ConvertOptions options;
  options.target = Form::Scrambled;
  EXPECT_EQ(RunConvert({one, two}, options, out, err), 0);
  ASSERT_GE(recorder.flushed.size(), 2u);
  EXPECT_EQ(recorder.flushed[0], one + ": wrote " + folder.PathOf("one_scrambled.bin") + " (scrambled)\n");
}

TEST_F(ConvertTest, DiscImagesTheirBootFileJudgedAndWrittenInEitherForm) {
  const std::string disc = kFixtures + "/disc";
  const std::string iso = Write("game.iso", ReadFile(disc + "/session.iso"));
  // DiscJuggler images of a session image: as genisoimage made it, and with its boot file
  // scrambled in place (the same size, so the file system stays as it was).
  const std::string session = ReadFile(disc + "/session.iso");
  std::string scrambled_session = session;
  scrambled_session.replace(session.find(hello), hello.size(), Scrambled(hello));
  const std::string cdi =
      Write("selfboot.cdi", testing::SelfBootCdi(scrambled_session, 2352, testing::CdiRelease::Version2));
  const std::string renamed =  // known by its content
      Write("selfboot.img", testing::SelfBootCdi(session, 2336, testing::CdiRelease::Version35));
  Write("track 03.iso", ReadFile(disc + "/gdrom.iso"));
  const std::string gdi = Write("game.gdi",
                                "3\r\n1 0 4 2352 track01.bin 0\r\n2 450 0 2352 track02.raw 0\r\n"
                                "3 45000 4 2048 \"track 03.iso\" 0\r\n");
  // A GD-ROM whose file system spans two data tracks, the boot file in the second.
  const std::string gdrom = ReadFile(disc + "/gdrom.iso");
  const std::size_t split = gdrom.find(hello) / 2048 * 2048;
  Write("split 03.iso", gdrom.substr(0, split));
  Write("split04.iso", gdrom.substr(split));
  const std::string spanning = Write("split.gdi",
                                     "4\n1 0 4 2352 track01.bin 0\n2 450 0 2352 track02.raw 0\n"
                                     "3 45000 4 2048 \"split 03.iso\" 0\n4 " +
                                         std::to_string(45000 + split / 2048) + " 4 2048 split04.iso 0\n");
  const std::string cut = Write("cut.iso", ReadFile(disc + "/plain.iso").substr(0, 300000));
  const std::string images_before = ReadFile(iso) + ReadFile(cdi) + ReadFile(renamed);
  Result result = Quillet({"scan", iso, gdi, spanning, cdi, renamed, cut});
  EXPECT_EQ(result.status, 1);
  // The tests' bootstrap carries no stock boot code: of no disc is it claimed that it boots.
  const auto own_code = [](const std::string& form) {
    return ": its IP.BIN carries boot code of its own: whether it starts " + form +
           " 1ST_READ.BIN depends on that code; try the disc on an emulator before burning it\n";
  };
  const std::string unscrambled = own_code("an unscrambled");
  EXPECT_EQ(result.out, "UNSCRAMBLED\t" + iso + "\t1ST_READ.BIN\n" + iso + unscrambled +                //
                            "UNSCRAMBLED\t" + gdi + "\t1ST_READ.BIN\n" + gdi + unscrambled +            //
                            "UNSCRAMBLED\t" + spanning + "\t1ST_READ.BIN\n" + spanning + unscrambled +  //
                            "SCRAMBLED\t" + cdi + "\t1ST_READ.BIN\n" + cdi + own_code("a scrambled") +  //
                            "UNSCRAMBLED\t" + renamed + "\t1ST_READ.BIN\n" + renamed + unscrambled);
  EXPECT_NE(result.err.find("quillet: " + cut + ": 1ST_READ.BIN;1 lies past the image's end"), std::string::npos)
      << result.err;
  result = Quillet({"scan", "--json", gdi, cdi});
  EXPECT_NE(result.out.find("\"image\": {\"format\": \"gdi\", \"description\": \"a GD-ROM (GDI) image\", "
                            "\"boot_file\": \"1ST_READ.BIN\", \"size\": " +
                            std::to_string(hello.size()) + ", \"track\": 3, \"lba\": 450"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\"title\": \"QUILLET TEST DISC\", \"product_number\": \"T-QUILL\", \"boots\": null"),
            std::string::npos);
  EXPECT_NE(result.out.find(
                "\"format\": \"cdi\", \"description\": \"a CDI image\", \"boot_file\": \"1ST_READ.BIN\", \"size\": " +
                std::to_string(hello.size()) + ", \"track\": 2, \"lba\": 117"),
            std::string::npos);

  // Either form of each image's boot file, the one it holds included: a new file each time.
  struct Row {
    std::string image;
    Form target;
    std::string result;
    std::string bytes;
  };
  for (const Row& row : std::vector<Row>{
           {cdi, Form::Unscrambled, "selfboot_unscrambled.bin", hello},
           {cdi, Form::Scrambled, "selfboot_scrambled.bin", Scrambled(hello)},
           {gdi, Form::Scrambled, "game_scrambled.bin", Scrambled(hello)},
           {spanning, Form::Unscrambled, "split_unscrambled.bin", hello},
           {renamed, Form::Unscrambled, "selfboot_unscrambled.bin", hello},
       }) {
    const std::string output = folder.PathOf(row.result);
    if (fs::exists(output)) fs::remove(output);
    result = Quillet({"convert", "--to", std::string(FormText(row.target)), row.image});
    EXPECT_EQ(result.status, 0) << row.image << ": " << result.err;
    EXPECT_TRUE(result.out.starts_with(row.image + ": wrote " + output + " (its 1ST_READ.BIN, ")) << result.out;
    EXPECT_TRUE(ReadFile(output) == row.bytes) << row.image << " to " << FormText(row.target);
  }
  EXPECT_TRUE(ReadFile(iso) + ReadFile(cdi) + ReadFile(renamed) == images_before) << "an image was written";
}

TEST_F(ConvertTest, UsageErrors) {
  struct Row {
    std::vector<std::string> arguments;
    std::string problem;
  };
  for (const Row& row : std::vector<Row>{
           {{"convert", "a.bin"}, "convert needs --to scrambled or --to unscrambled"},
           {{"convert", "--to", "sideways", "a.bin"}, "--to takes scrambled or unscrambled, not 'sideways'"},
           {{"convert", "--to", "scrambled", "-o", "out.bin", "a.bin", "b.bin"},
            "-o names the output of a single file"},
           {{"convert", "--to", "scrambled", "a.bin", "-o"}, "option '-o' needs a value"},
           {{"convert", "--to", "scrambled", "--json", "a.bin"}, "unknown option '--json'"},
           {{"scan", "--force", "a.bin"}, "unknown option '--force'"},
       }) {
    const Result result = Quillet(row.arguments);
    EXPECT_EQ(result.status, 2) << row.problem;
    EXPECT_TRUE(result.err.starts_with("quillet: " + row.problem + "\n")) << result.err;
  }
}

TEST_F(ConvertTest, ScanSaysTheFormWhereThePatternsAloneWouldSayOtherwise) {
  const std::string plain = Write("bare.bin", bare);
  const std::string twice = Write("twice.bin", Scrambled(hello, 2));
  const Result result = Quillet({"scan", plain, twice});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "UNSCRAMBLED\t" + plain + "\nSCRAMBLED TWICE\t" + twice + "\n");
  EXPECT_EQ(result.err, "");
  const Result json = Quillet({"scan", "--json", twice});
  EXPECT_NE(json.out.find("\"form\": \"scrambled twice\", \"verdict\": \"SCRAMBLED\", \"layout\": \"scrambled twice\""),
            std::string::npos)
      << json.out;
}

}  // namespace
}  // namespace quillet
