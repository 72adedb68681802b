#include "inspect/file_kind.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

TEST(FileKindTest, ElfNamesEndInElfInAnyCase) {
  struct Row {
    const char* name;
    bool elf;
  };
  for (const Row& row : std::vector<Row>{
           {"game.elf", true},
           {"GAME.ELF", true},
           {"game.Elf", true},
           {"myself", true},
           {"elf", true},
           {"ELF", true},
           {"el", false},
           {"", false},
           {"game.bin", false},
           {"game.elf ", false},
           {"game.elf\"", false},
           {"1ST_READ.BIN", false},
           {"game.ëlf", false},
       }) {
    EXPECT_EQ(IsElfName(row.name), row.elf) << row.name;
  }
}

TEST(FileKindTest, IpBinIsTheWholeTitleInAnyCase) {
  struct Row {
    const char* title;
    bool ip_bin;
  };
  for (const Row& row : std::vector<Row>{
           {"IP.BIN", true},
           {"ip.bin", true},
           {"Ip.Bin", true},
           {"myip.bin", false},
           {"ip.bin.bak", false},
           {"ip.bi", false},
           {"", false},
           {"1ST_READ.BIN", false},
       }) {
    EXPECT_EQ(IsIpBinTitle(row.title), row.ip_bin) << row.title;
  }
}

}  // namespace
}  // namespace quillet
