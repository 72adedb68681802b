#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/path_rules.h"

// What right-click integration writes: two entries in the file manager's menu, both starting the
// program with the clicked file's path; the program tells them apart by the file's name. The scan is
// offered for disc images too, whose boot file it shows.
namespace quillet {

struct ShellVerb {
  std::string extension;  // with its dot
  std::string_view verb;  // the menu entry's text
};

inline constexpr std::string_view kScanVerb = "Scan Dreamcast binary";
inline constexpr std::string_view kConvertVerb = "Convert to Dreamcast binary";

// Every entry: the scan for .bin files, the conversion for .elf files, then the scan for the disc
// images whose formats the table of formats offers it for.
const std::vector<ShellVerb>& ShellVerbs();

// The running program's path: its folder, the separator, its name and, on Windows, ".exe".
std::string ExecutablePath(std::string_view folder, std::string_view name, PathStyle style);

// The program an entry runs, as the entry names it: its path in quotes (unquoted, a folder with
// blanks such as C:\Program Files would let C:\Program.exe run instead).
std::string ShellCommand(std::string_view executable_path);

// What an entry runs: the command, then " %1", which stands for the clicked file's path.
std::string ShellCommandLine(std::string_view command);

// Where Windows keeps an entry's command, below the classes root:
// "SystemFileAssociations\.bin\shell\VERB\command". Explorer collects verbs there whatever program
// the extension belongs to; under the extension's own key (".bin\shell") they would show only while
// it belongs to none, and .bin nearly always belongs to a disc-image program.
std::string ShellCommandKey(const ShellVerb& verb);
// The entry's own key, which holds its command: what removing the entry removes.
std::string ShellVerbKey(const ShellVerb& verb);

// The key an earlier version wrote the entry under, ".bin\shell\VERB": removed, so that the entry
// does not show twice.
std::string EarlierShellVerbKey(const ShellVerb& verb);

}  // namespace quillet
