#pragma once

#include <QString>

#include <string>

#include "app/local_system.h"

namespace quillet {

// The system on Linux with Qt: the program's path and command line, the user's locale, a settings
// file in the XDG config folder, and the file managers' right-click entries in the XDG data folder.
class QtSystem : public LocalSystem {
 public:
  // `executable_path`: the running program, whose tools folder lies beside it; `command_line`: as
  // the system passed it, bytes that need not be UTF-8.
  QtSystem(QString executable_path, std::string command_line)
      : executable_path_(std::move(executable_path)), command_line_(std::move(command_line)) {}

  PathStyle Style() override { return PathStyle::Posix; }
  std::string ExecutableFolder() override;
  std::string ExecutableName() override;
  std::string CommandLineText() override { return command_line_; }
  NumberSeparators LocaleSeparators() override;
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  void RemoveShellVerb(const std::string& extension, const std::string& verb) override;

 private:
  QString executable_path_;
  std::string command_line_;
};

// The program's command-line text from its arguments (the program's own name left out): joined
// with single blanks, so a path with blanks passed as one argument arrives unchanged; and taken as
// the bytes they are, since a file's name need not be valid UTF-8.
std::string CommandLineText(int argc, const char* const* argv);

}  // namespace quillet
