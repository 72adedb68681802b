#pragma once

#include <array>
#include <string>
#include <string_view>

#include "util/path_rules.h"

// What right-click integration writes: two entries in the file manager's menu, both starting the
// program with the clicked file's path; the program tells them apart by the file's name. The scan is
// offered for disc images too, whose boot file it shows.
namespace quillet {

struct ShellVerb {
  std::string_view extension;  // with its dot
  std::string_view verb;       // the menu entry's text
};

inline constexpr std::array<ShellVerb, 6> kShellVerbs{{
    {".bin", "Scan Dreamcast binary"},
    {".elf", "Convert to Dreamcast binary"},
    {".cdi", "Scan Dreamcast binary"},
    {".gdi", "Scan Dreamcast binary"},
    {".cue", "Scan Dreamcast binary"},
    {".chd", "Scan Dreamcast binary"},
}};

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

// The key an earlier version wrote the entry under, ".bin\shell\VERB": removed, so that the entry
// does not show twice.
std::string EarlierShellVerbKey(const ShellVerb& verb);

}  // namespace quillet
