#include "app/texts.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(TextsTest, ConversionMessages) {
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
