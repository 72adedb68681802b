#include "shell/shell_verbs.h"

#include "formats/disc_formats.h"

namespace quillet {

const std::vector<ShellVerb>& ShellVerbs() {
  static const std::vector<ShellVerb> verbs = [] {
    std::vector<ShellVerb> made{{".bin", kScanVerb}, {".elf", kConvertVerb}};
    for (const DiscFormatRow& row : DiscFormats()) {
      if (row.right_click) made.push_back({"." + std::string(row.extension), kScanVerb});
    }
    return made;
  }();
  return verbs;
}

std::string ExecutablePath(std::string_view folder, std::string_view name, PathStyle style) {
  return PathIn(std::string(folder), std::string(name) + (style == PathStyle::Windows ? ".exe" : ""), style);
}

std::string ShellCommand(std::string_view executable_path) { return "\"" + std::string(executable_path) + "\""; }

std::string ShellCommandLine(std::string_view command) { return std::string(command) + " %1"; }

std::string ShellVerbKey(const ShellVerb& verb) { return "SystemFileAssociations\\" + EarlierShellVerbKey(verb); }

std::string ShellCommandKey(const ShellVerb& verb) { return ShellVerbKey(verb) + "\\command"; }

std::string EarlierShellVerbKey(const ShellVerb& verb) {
  return std::string(verb.extension) + "\\shell\\" + std::string(verb.verb);
}

}  // namespace quillet
