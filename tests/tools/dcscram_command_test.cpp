#include "tools/dcscram/dcscram_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "scramble/scramble.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempFolder;

using Result = testing::ProgramResult;

Result Dcscram(const std::vector<std::string>& arguments) { return testing::RunProgram(RunDcscram, arguments); }

std::string RandomText(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string text(size, '\0');
  for (char& c : text) c = static_cast<char>(random() & 0xFF);
  return text;
}

std::string Permuted(const std::string& text, ScrambleDirection direction) {
  std::string result(text.size(), '\0');
  const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(text.data()), text.size());
  const std::span<std::byte> output(reinterpret_cast<std::byte*>(result.data()), result.size());
  direction == ScrambleDirection::Scramble ? Scramble(input, output) : Unscramble(input, output);
  return result;
}

TEST(DcscramTest, ArgumentsHelpAndVersion) {
  struct Row {
    std::vector<std::string> arguments;
    int status;
    const char* out_starts;
    const char* err;
  };
  for (const Row& row : std::vector<Row>{
           {{}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"in.bin"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"-d", "in.bin"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"-x", "in.bin", "out.bin"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"in.bin", "out.bin", "-d"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"-d", "-d", "out.bin"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"in.bin", "--help"}, 1, "", "Usage: dcscram [-d] IN OUT\n"},
           {{"--help"}, 0, "Usage: dcscram [-d] IN OUT\n", ""},
           {{"--version"}, 0, "dcscram (Quillet) 1.3.0.1\n", ""},
       }) {
    const Result result = Dcscram(row.arguments);
    EXPECT_EQ(result.status, row.status) << ::testing::PrintToString(row.arguments);
    EXPECT_TRUE(result.out.starts_with(row.out_starts)) << result.out;
    EXPECT_EQ(result.err, row.err) << ::testing::PrintToString(row.arguments);
  }
}

TEST(DcscramTest, ScramblesAndUnscramblesSilently) {
  TempFolder folder;
  const std::string plain = RandomText(300000);
  const std::string input = folder.Write("1ST_READ.BIN", plain);
  const std::string output = folder.PathOf("1ST_READ_scrambled.bin");
  const Result scrambled = Dcscram({input, output});
  EXPECT_EQ(scrambled.status, 0);
  EXPECT_EQ(scrambled.out + scrambled.err, "");
  EXPECT_EQ(ReadFile(output), Permuted(plain, ScrambleDirection::Scramble));

  const std::string back = folder.PathOf("back.bin");
  EXPECT_EQ(Dcscram({"-d", output, back}).status, 0);
  EXPECT_EQ(ReadFile(back), plain);
}

TEST(DcscramTest, InputAndOutputMayBeTheSameFile) {
  TempFolder folder;
  const std::string plain = RandomText(70000);
  const std::string file = folder.Write("game.bin", plain);
  ASSERT_EQ(Dcscram({file, file}).status, 0);
  EXPECT_EQ(ReadFile(file), Permuted(plain, ScrambleDirection::Scramble));
  ASSERT_EQ(Dcscram({"-d", file, file}).status, 0);
  EXPECT_EQ(ReadFile(file), plain);
}

TEST(DcscramTest, FailuresNameTheFileAndLeaveTheOutputUntouched) {
  TempFolder folder;
  const std::string input = folder.Write("in.bin", RandomText(1000));
  const std::string output = folder.Write("out.bin", "the user's earlier result");
  std::filesystem::create_directory(folder.path() / "sub");
  struct Row {
    std::vector<std::string> arguments;
    std::string err;
  };
  for (const Row& row : std::vector<Row>{
           {{folder.PathOf("missing.bin"), output},
            "dcscram: cannot read '" + folder.PathOf("missing.bin") + "': File not found\n"},
           {{"-d", folder.PathOf("sub"), output},
            "dcscram: cannot read '" + folder.PathOf("sub") +
                "': Path/File access error: the path names a folder, not a file\n"},
           {{input, folder.PathOf("sub")},
            "dcscram: cannot write '" + folder.PathOf("sub") +
                "': Path/File access error: the path names a folder, not a file\n"},
       }) {
    const Result result = Dcscram(row.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, row.err);
    EXPECT_EQ(ReadFile(output), "the user's earlier result");
  }
  const Result missing_folder = Dcscram({input, folder.PathOf("gone/out.bin")});
  EXPECT_EQ(missing_folder.status, 1);
  EXPECT_TRUE(missing_folder.err.starts_with("dcscram: cannot write '" + folder.PathOf("gone/out.bin") + "': "))
      << missing_folder.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3) << "no temporary file left";
}

}  // namespace
}  // namespace quillet
