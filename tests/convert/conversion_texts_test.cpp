#include "convert/conversion_texts.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(ConversionTextsTest, CommandLinesQuoteEveryPath) {
  const ToolRun scramble = DcscramRun("C:\\q\\tools\\dcscram.exe", false, R"(C:\my games\a.bin)", "a_scrambled.bin");
  EXPECT_EQ(scramble.command_line, R"(tools/dcscram.exe "C:\my games\a.bin" "a_scrambled.bin")");
  EXPECT_EQ(scramble.arguments, (std::vector<std::string>{R"(C:\my games\a.bin)", "a_scrambled.bin"}));
  EXPECT_EQ(scramble.program, "C:\\q\\tools\\dcscram.exe");

  const ToolRun unscramble = DcscramRun("/opt/q/tools/dcscram", true, "/tmp/a.bin", "/tmp/a_unscrambled.bin");
  EXPECT_EQ(unscramble.command_line, R"(tools/dcscram.exe -d "/tmp/a.bin" "/tmp/a_unscrambled.bin")");
  EXPECT_EQ(unscramble.arguments, (std::vector<std::string>{"-d", "/tmp/a.bin", "/tmp/a_unscrambled.bin"}));

  const ToolRun objcopy = ObjcopyRun("objcopy", R"(C:\dev\game.elf)", R"(C:\dev\game.bin)");
  EXPECT_EQ(objcopy.command_line, R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.elf" "C:\dev\game.bin")");
  EXPECT_EQ(objcopy.arguments, (std::vector<std::string>{"-O", "binary", R"(C:\dev\game.elf)", R"(C:\dev\game.bin)"}));
}

TEST(ConversionTextsTest, Messages) {
  EXPECT_EQ(
      CompletedMessage(true, "1ST_READ"),
      "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\n1ST_READ_scrambled.bin is the file name!");
  EXPECT_EQ(
      CompletedMessage(false, "1ST_READ"),
      "The scrambled to unscrambled conversion has\r\nbeen completed!\r\n\r\n1ST_READ_unscrambled.bin is the file "
      "name!");
  EXPECT_EQ(DoneMessage(true, "GAME"), "Done! GAME.elf has been converted to GAME_scrambled.bin.");
  EXPECT_EQ(DoneMessage(false, "game"), "Done! game.elf has been converted to game_unscrambled.bin.");
}

}  // namespace
}  // namespace quillet
