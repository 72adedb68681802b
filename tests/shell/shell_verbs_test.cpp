#include "shell/shell_verbs.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

// Explorer shows verbs under SystemFileAssociations whatever program owns the extension; an
// earlier version's key under the extension itself is the one to remove.
TEST(ShellVerbsTest, KeysBelowTheClassesRoot) {
  struct Row {
    ShellVerb verb;
    const char* command_key;
    const char* earlier_key;
  };
  for (const Row& row : std::vector<Row>{
           {ShellVerbs()[0], R"(SystemFileAssociations\.bin\shell\Scan Dreamcast binary\command)",
            R"(.bin\shell\Scan Dreamcast binary)"},
           {ShellVerbs()[1], R"(SystemFileAssociations\.elf\shell\Convert to Dreamcast binary\command)",
            R"(.elf\shell\Convert to Dreamcast binary)"},
       }) {
    EXPECT_EQ(ShellCommandKey(row.verb), row.command_key);
    EXPECT_EQ(EarlierShellVerbKey(row.verb), row.earlier_key);
  }
}

}  // namespace
}  // namespace quillet
