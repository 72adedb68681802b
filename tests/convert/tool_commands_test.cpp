#include "convert/tool_commands.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(ToolCommandsTest, CommandLinesQuoteEveryPath) {
  const ToolRun scramble =
      DcscramRun("C:\\q\\tools\\dcscram.exe", Form::Scrambled, R"(C:\my games\a.bin)", "a_scrambled.bin");
  EXPECT_EQ(scramble.command_line, R"(tools/dcscram.exe "C:\my games\a.bin" "a_scrambled.bin")");
  EXPECT_EQ(scramble.arguments, (std::vector<std::string>{R"(C:\my games\a.bin)", "a_scrambled.bin"}));
  EXPECT_EQ(scramble.program, "C:\\q\\tools\\dcscram.exe");

  const ToolRun unscramble =
      DcscramRun("/opt/q/tools/dcscram", Form::Unscrambled, "/tmp/a.bin", "/tmp/a_unscrambled.bin");
  EXPECT_EQ(unscramble.command_line, R"(tools/dcscram.exe -d "/tmp/a.bin" "/tmp/a_unscrambled.bin")");
  EXPECT_EQ(unscramble.arguments, (std::vector<std::string>{"-d", "/tmp/a.bin", "/tmp/a_unscrambled.bin"}));

  const ToolRun objcopy = ObjcopyRun("objcopy", R"(C:\dev\game.elf)", R"(C:\dev\game.bin)");
  EXPECT_EQ(objcopy.command_line, R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.elf" "C:\dev\game.bin")");
  EXPECT_EQ(objcopy.arguments, (std::vector<std::string>{"-O", "binary", R"(C:\dev\game.elf)", R"(C:\dev\game.bin)"}));
}

TEST(ToolCommandsTest, ToolsLieInTheToolsFolderBesideTheProgram) {
  EXPECT_EQ(ToolPath(R"(C:\Program Files\Quillet)", Tool::Dcscram, PathStyle::Windows),
            R"(C:\Program Files\Quillet\tools\dcscram.exe)");
  EXPECT_EQ(ToolPath("/usr/lib/quillet", Tool::Objcopy, PathStyle::Posix), "/usr/lib/quillet/tools/sh-elf-objcopy");
}

}  // namespace
}  // namespace quillet
