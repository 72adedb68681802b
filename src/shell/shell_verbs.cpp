#include "shell/shell_verbs.h"

namespace quillet {

// Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about chains of string + at -O3.
std::string ExecutablePath(std::string_view folder, std::string_view name, PathStyle style) {
  std::string path(folder);
  path += style == PathStyle::Windows ? "\\" : "/";
  path += name;
  if (style == PathStyle::Windows) path += ".exe";
  return path;
}

std::string ShellCommand(std::string_view executable_path) {
  std::string command = "\"";
  command += executable_path;
  command += "\"";
  return command;
}

std::string ShellCommandLine(std::string_view command) {
  std::string line(command);
  line += " %1";
  return line;
}

std::string ShellCommandKey(const ShellVerb& verb) {
  std::string key = "SystemFileAssociations\\";
  key += verb.extension;
  key += "\\shell\\";
  key += verb.verb;
  key += "\\command";
  return key;
}

std::string EarlierShellVerbKey(const ShellVerb& verb) {
  std::string key(verb.extension);
  key += "\\shell\\";
  key += verb.verb;
  return key;
}

}  // namespace quillet
