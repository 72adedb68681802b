#pragma once

#include <string>

#include "app/local_system.h"

namespace quillet::testing {

// The real files and tools of this machine, with the program's own facts given by the test.
class ProgramOnDisk : public LocalSystem {
 public:
  std::string executable_folder;
  std::string command_line;

  PathStyle Style() override { return PathStyle::Posix; }
  std::string ExecutableFolder() override { return executable_folder; }
  std::string ExecutableName() override { return "vardelm"; }
  std::string CommandLineText() override { return command_line; }
  NumberSeparators LocaleSeparators() override { return {}; }
  void WriteSetting(const std::string&, const std::string&, const std::string&) override {}
  void WriteShellVerb(const std::string&, const std::string&, const std::string&) override {}
  void RemoveShellVerb(const std::string&, const std::string&) override {}
};

}  // namespace quillet::testing
