#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form_texts.h"
#include "app/platform.h"

namespace quillet::testing {

// Thrown by FakePlatform::EndAtOnce, so that a test sees the program end where it would.
struct ProgramEnded {};

// A scripted platform for the handlers: it records every message box, question, dialog, tool run,
// deletion, setting and right-click entry, and answers from queues the test fills. Files live in
// memory under whatever paths the test gives them (Windows-style by default), unless
// `use_real_files` hands file access to the real file system.
class FakePlatform : public Platform {
 public:
  struct Message {
    std::string text;
    int type;
    std::string title;
    bool operator==(const Message&) const = default;
  };
  struct Question {
    std::string prompt;
    int type;
    std::string title;
    std::vector<ButtonAssignment> captions;  // as they land on a Yes/No/Cancel box's buttons
  };
  struct Entry {
    std::string first, second, third;
    bool operator==(const Entry&) const = default;
  };

  // The window.
  std::string boxes[3] = {std::string(kInitialBoxText), std::string(kInitialBoxText), std::string(kInitialBoxText)};
  bool convert_enabled = true;
  bool close_requested = false;
  WindowPlacement placement;

  // Boxes, dialogs and what they answer; an empty queue answers OK, and Cancel in the dialog.
  std::vector<Message> messages;
  std::deque<int> message_answers;
  std::vector<Question> questions;
  std::deque<int> question_answers;
  std::deque<std::optional<ChosenFile>> chosen_files;
  std::vector<OpenFileRequest> dialogs;

  // Files.
  PathStyle style = PathStyle::Windows;
  bool use_real_files = false;
  std::map<std::string, std::string> files;
  std::map<std::string, std::uint64_t> writes;  // each file's last write, counted; see WriteFile
  std::vector<std::string> reads;
  std::vector<std::string> deletions;

  // Tools. By default a run writes its last argument (the output) and ends with exit code 0.
  std::string executable_folder = "C:\\Program Files\\Quillet";
  std::string executable_name = "vardelm";
  std::vector<std::string> present_tools{"C:\\Program Files\\Quillet\\tools\\dcscram.exe",
                                         "C:\\Program Files\\Quillet\\tools\\sh-elf-objcopy.exe"};
  std::vector<ToolRun> tool_runs;
  std::function<ToolOutcome(const ToolRun&)> run_tool;

  // The program.
  std::string command_line;
  NumberSeparators separators;
  std::vector<Entry> settings;  // section, key, value
  bool settings_fail = false;
  std::vector<Entry> shell_verbs;  // extension, verb, command
  std::vector<std::string> failing_shell_extensions;
  bool ended = false;

  FakePlatform();

  std::string& Box(TextBox box) { return boxes[static_cast<int>(box)]; }

  std::string BoxText(TextBox box) override { return Box(box); }
  void SetBoxText(TextBox box, const std::string& text) override { Box(box) = text; }
  void EnableConvert(bool enabled) override { convert_enabled = enabled; }
  void CloseWindow() override { close_requested = true; }
  WindowPlacement Placement() override { return placement; }
  int ShowMessage(const std::string& text, int type, const std::string& title) override;
  int AskRelabelled(const std::string& prompt, int type, const std::string& title,
                    const ButtonSettingTable& buttons) override;
  std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) override;
  PathStyle Style() override { return style; }
  ScanImage ReadImage(const std::string& path) override;
  std::int64_t FileLength(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  // Writes a file as a program would: its stamp changes even when its bytes do not.
  void WriteFile(const std::string& path, const std::string& bytes);
  void RemoveFile(const std::string& path) override;
  std::string ToolPath(Tool tool) override;
  bool ToolPresent(const std::string& path) override;
  ToolOutcome RunTool(const ToolRun& run) override;
  std::string ExecutableFolder() override { return executable_folder; }
  std::string ExecutableName() override { return executable_name; }
  std::string CommandLineText() override { return command_line; }
  NumberSeparators LocaleSeparators() override { return separators; }
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  [[noreturn]] void EndAtOnce() override;
};

}  // namespace quillet::testing
