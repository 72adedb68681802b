#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/system.h"

namespace quillet::testing {

// A scripted system for the handlers: files live in memory under whatever paths the test gives them
// (Windows-style by default); it records every read, deletion, tool run, setting and right-click
// entry. For real files and tools, tests use a LocalSystem instead.
class FakeSystem : public System {
 public:
  struct Entry {
    std::string first, second, third;
    bool operator==(const Entry&) const = default;
  };

  // Files.
  PathStyle style = PathStyle::Windows;
  std::map<std::string, std::string> files;
  std::map<std::string, std::uint64_t>
      writes;  // each file's last write, counted: a write changes it even when the bytes stay
  std::vector<std::string> reads;
  std::vector<std::string> deletions;
  std::vector<std::string> read_only_folders;                   // a new file there is refused, permission denied
  std::map<std::string, DiscBootFile> discs;                    // read as these, whatever the files hold
  std::map<std::string, std::vector<std::string>> track_files;  // of the discs that have them
  int disc_opens = 0;                                           // the disc images opened
  // The images quillet fix mends, with the name of the copy; writing one writes `fixed_bytes` there.
  std::map<std::string, std::string> fixable;
  std::string fixed_bytes = "a fixed copy";

  // Tools. By default a run writes its last argument (the output) and ends with exit code 0.
  std::vector<std::string> present_tools{"C:\\Program Files\\Quillet\\tools\\dcscram.exe",
                                         "C:\\Program Files\\Quillet\\tools\\sh-elf-objcopy.exe"};
  std::vector<ToolRun> tool_runs;
  std::function<ToolOutcome(const ToolRun&)> run_tool;

  // The program.
  std::string executable_folder = "C:\\Program Files\\Quillet";
  std::string executable_name = "vardelm";
  std::string command_line;
  NumberSeparators separators;
  std::vector<Entry> settings;  // section, key, value
  bool settings_fail = false;
  std::vector<Entry> shell_verbs;  // extension, verb, command
  std::vector<std::string> failing_shell_extensions;

  FakeSystem();

  // Writes a file as a program would: its stamp changes even when its bytes do not.
  void WriteFile(const std::string& path, const std::string& bytes);

  PathStyle Style() override { return style; }
  FileContents ReadImage(const std::string& path) override;
  std::int64_t FileLength(const std::string& path) override;
  bool FileExists(const std::string& path) override { return files.contains(path); }
  void RemoveFile(const std::string& path) override;
  void MoveOver(const std::string& from, const std::string& to) override;
  void WriteNewFile(const std::string& path, std::span<const std::byte> bytes) override;
  // A disc of `discs`, else a CDI or an ISO image among the files by the core's own reader; the
  // tests that need a .gdi and its track files use real files.
  std::shared_ptr<ChosenDisc> OpenDisc(const std::string& path) override;
  std::optional<std::string> FixedCopyName(ChosenDisc& disc) override;
  std::string WriteFixedCopy(ChosenDisc& disc, bool replace) override;
  std::optional<std::string> ImageFileNamedBy(ChosenDisc& disc, const std::string& path) override {
    if (disc.path == path) return path;
    const auto tracks = track_files.find(disc.path);
    if (tracks != track_files.end() && std::ranges::find(tracks->second, path) != tracks->second.end()) return path;
    return std::nullopt;
  }
  bool ToolPresent(const std::string& path) override;
  ToolOutcome RunTool(const ToolRun& run) override;
  std::string ExecutableFolder() override { return executable_folder; }
  std::string ExecutableName() override { return executable_name; }
  std::string CommandLineText() override { return command_line; }
  NumberSeparators LocaleSeparators() override { return separators; }
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  void RemoveShellVerb(const std::string& extension, const std::string& verb) override;
};

}  // namespace quillet::testing
