#include "util/windows_command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

TEST(ArgumentTextTest, WhatFollowsTheProgramsName) {
  struct Row {
    const char* command_line;
    const char* arguments;
  };
  for (const Row& row : std::vector<Row>{
           {R"("C:\Program Files\Quillet\vardelm.exe" C:\my games\1ST_READ.BIN)", R"(C:\my games\1ST_READ.BIN)"},
           {R"("C:\Program Files\Quillet\vardelm.exe"  "C:\my games\a.elf")", R"("C:\my games\a.elf")"},
           {R"(vardelm.exe C:\a.bin C:\b.bin)", R"(C:\a.bin C:\b.bin)"},
           {"vardelm.exe\tC:\\a.bin ", "C:\\a.bin "},
           {R"("C:\Quillet\vardelm.exe")", ""},
           {"vardelm.exe", ""},
           {"vardelm.exe   ", ""},
           {R"("unterminated)", ""},
           {"", ""},
       }) {
    EXPECT_EQ(ArgumentText(row.command_line), row.arguments) << row.command_line;
  }
}

}  // namespace
}  // namespace quillet
