#pragma once

#include "app/local_system.h"

namespace quillet {

// The system on Windows: the program's path and command line, the user's locale, the per-user
// registry for the settings and the right-click entries.
class Win32System : public LocalSystem {
 public:
  PathStyle Style() override { return PathStyle::Windows; }
  std::string ExecutableFolder() override;
  std::string ExecutableName() override;
  std::string CommandLineText() override;
  NumberSeparators LocaleSeparators() override;
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  void RemoveShellVerb(const std::string& extension, const std::string& verb) override;
};

}  // namespace quillet
