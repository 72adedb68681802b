#include "cli/quillet_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "inspect/signatures.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::TempFolder;

using Result = testing::ProgramResult;

Result Quillet(const std::vector<std::string>& arguments) { return testing::RunProgram(RunQuillet, arguments); }

// A path as a JSON string's contents: Windows paths have backslashes to escape.
std::string Json(std::string path) {
  for (std::size_t at = 0; (at = path.find('\\', at)) != std::string::npos; at += 2) path.insert(at, 1, '\\');
  return path;
}

std::string Pattern(char letter) { return std::string(AllPatterns()[static_cast<std::size_t>(letter - 'A')].bytes); }

// Bytes with no plain run in them.
std::string Noise(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 167 + (i >> 5) * 91) & 0xFF);
  return bytes;
}

class ScanCommandTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string unscrambled = folder.Write("1ST_READ.BIN", Noise(100) + Pattern('E') + Noise(50) + Pattern('M'));
  // Too small for its layout to tell, and without patterns: its form cannot be told.
  std::string noise = folder.Write("noise.bin", Noise(1000));
  std::string elf = folder.Write("GAME.ELF",
                                 "\x7f"
                                 "ELF and more");
  std::string ip_bin = folder.Write("Ip.Bin", Pattern('C'));
  // A boot header under another name, known by its content.
  std::string boot = folder.Write(
      "boot.bin", "SEGA SEGAKATANA " + std::string(0x50, ' ') + "1ST_READ.BIN    " + std::string(0x80, '\0'));
  std::string missing = folder.PathOf("missing.bin");
};

TEST_F(ScanCommandTest, OneLinePerFileInArgumentOrder) {
  const Result result = Quillet({"scan", unscrambled, noise, elf});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "UNSCRAMBLED\t" + unscrambled + "\nUNDECIDED\t" + noise + "\nELF\t" + elf + "\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(ScanCommandTest, FailuresGoToStandardErrorAndTheRestIsStillScanned) {
  const Result result = Quillet({"scan", missing, ip_bin, noise, boot, folder.PathOf("")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "UNDECIDED\t" + noise + "\n");
  EXPECT_EQ(result.err, "quillet: " + missing + ": File not found\n" + "quillet: " + ip_bin +
                            ": Please select a 1st_read.bin, not an Ip.bin!\n" + "quillet: " + boot +
                            ": Please select a 1st_read.bin, not an Ip.bin!\n" + "quillet: " + folder.PathOf("") +
                            ": Path/File access error: the path names a folder, not a file\n");
}

// What a file is, in the one order every program keeps: a name of IP.BIN first (an ELF so named is
// refused), then a disc image, then an ELF by its content, then the judgement (which knows an IP.BIN
// by its content, whatever its name).
TEST_F(ScanCommandTest, ElfIsKnownByItsContentNotItsName) {
  struct Row {
    const char* name;
    std::string bytes;
    const char* verdict;  // nothing: refused as an IP.BIN
  };
  for (const Row& row : std::vector<Row>{
           {"myself", Noise(100), "UNDECIDED"},
           {"plain.elf", Pattern('A'), "UNSCRAMBLED"},
           {"game.bin",
            std::string("\x7F"
                        "ELF") +
                Pattern('A'),
            "ELF"},
           {"short",
            "\x7F"
            "EL",
            "UNDECIDED"},
           {"ip.bin",
            std::string("\x7F"
                        "ELF") +
                Pattern('A'),
            nullptr},
           {"1st_read.bin", "SEGA SEGAKATANA " + std::string(0x50, ' ') + "1ST_READ.BIN    " + Noise(0x7F90), nullptr},
       }) {
    const std::string path = folder.Write(row.name, row.bytes);
    const Result result = Quillet({"scan", path});
    EXPECT_EQ(result.out, row.verdict ? std::string(row.verdict) + "\t" + path + "\n" : "") << row.name;
    if (!row.verdict) {
      EXPECT_EQ(result.err, "quillet: " + path + ": Please select a 1st_read.bin, not an Ip.bin!\n");
    }
  }
}

TEST_F(ScanCommandTest, MissingElfIsAnError) {
  const Result result = Quillet({"scan", folder.PathOf("gone.elf")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "quillet: " + folder.PathOf("gone.elf") + ": File not found\n");
}

TEST_F(ScanCommandTest, JsonHasSizeMatchesAndErrors) {
  const Result result = Quillet({"scan", "--json", unscrambled, noise, elf, missing});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(
      result.out,
      "[\n"
      "  {\"path\": \"" +
          Json(unscrambled) +
          "\", \"form\": \"unscrambled\", \"verdict\": \"UNSCRAMBLED\", \"layout\": \"undecided\", \"size\": 215, "
          "\"matches\": [{\"pattern\": \"E\", \"offset\": 100}, {\"pattern\": \"M\", \"offset\": 186}]},\n"
          "  {\"path\": \"" +
          Json(noise) +
          "\", \"form\": \"undecided\", \"verdict\": \"SCRAMBLED\", \"layout\": \"undecided\", \"size\": 1000, "
          "\"matches\": []},\n"
          "  {\"path\": \"" +
          Json(elf) +
          "\", \"form\": \"elf\", \"verdict\": \"ELF\", \"size\": 13},\n"
          "  {\"path\": \"" +
          Json(missing) +
          "\", \"error\": \"File not found\"}\n"
          "]\n");
  EXPECT_EQ(result.err, "quillet: " + missing + ": File not found\n");
}

TEST_F(ScanCommandTest, OptionsMayFollowFilesAndDoubleDashEndsThem) {
  const std::string dashed = folder.Write("--json", Noise(10));
  EXPECT_EQ(Quillet({"scan", noise, "--json"}).out.front(), '[');
  const Result result = Quillet({"scan", "--", dashed});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "UNDECIDED\t" + dashed + "\n");
}

TEST(QuilletCommandLineTest, UsageErrorsHelpAndVersion) {
  struct Row {
    std::vector<std::string> arguments;
    int status;
    const char* out_starts;
    const char* err_starts;
  };
  for (const Row& row : std::vector<Row>{
           {{}, 2, "", "quillet: no command given\nUsage: quillet scan [--json] FILE...\n"},
           {{"scan"}, 2, "", "quillet: no file given\nUsage: quillet scan [--json] FILE...\n"},
           {{"scan", "--json"}, 2, "", "quillet: no file given\n"},
           {{"scna", "a.bin"}, 2, "", "quillet: unknown command 'scna'\n"},
           {{"scan", "--jsn", "a.bin"}, 2, "", "quillet: unknown option '--jsn'\n"},
           {{"--help"}, 0, "Usage: quillet scan [--json] FILE...\n", ""},
           {{"scan", "--help"}, 0, "Usage: quillet scan [--json] FILE...\n", ""},
           {{"--version"}, 0, "quillet 1.3.0.1\n", ""},
       }) {
    const Result result = Quillet(row.arguments);
    const std::string context = row.arguments.empty() ? "(none)" : row.arguments.front();
    EXPECT_EQ(result.status, row.status) << context;
    EXPECT_TRUE(result.out.starts_with(row.out_starts)) << context << ": " << result.out;
    EXPECT_TRUE(result.err.starts_with(row.err_starts)) << context << ": " << result.err;
    if (row.status == 2) {
      EXPECT_NE(result.err.find("Try 'quillet --help'"), std::string::npos) << context;
    }
  }
}

}  // namespace
}  // namespace quillet
