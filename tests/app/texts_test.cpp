#include "app/texts.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(TextsTest, ConversionMessages) {
  EXPECT_EQ(
      CompletedMessage(Form::Scrambled, "1ST_READ"),
      "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\n1ST_READ_scrambled.bin is the file name!");
  EXPECT_EQ(
      CompletedMessage(Form::Unscrambled, "1ST_READ"),
      "The scrambled to unscrambled conversion has\r\nbeen completed!\r\n\r\n1ST_READ_unscrambled.bin is the file "
      "name!");
  EXPECT_EQ(DoneMessage(Form::Scrambled, "GAME.ELF", "GAME"),
            "Done! GAME.ELF has been converted to GAME_scrambled.bin.");
  // An ELF file known by its content: the file that was converted is named.
  EXPECT_EQ(DoneMessage(Form::Unscrambled, "elf.bin", "elf"),
            "Done! elf.bin has been converted to elf_unscrambled.bin.");
}

}  // namespace
}  // namespace quillet
