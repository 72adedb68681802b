#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "convert/button_captions.h"
#include "convert/conversion_texts.h"
#include "convert/tool_run.h"
#include "inspect/scan_image.h"
#include "inspect/size_text.h"
#include "util/file_system.h"
#include "util/path_rules.h"

// The services the window's handlers need from the system they run on: the Win32 window, the Qt
// window, and the tests' scripted stand-in each provide them. Texts are UTF-8; nothing native.
namespace quillet {

// The window's three text boxes.
enum class TextBox {
  FileName,  // Text1
  Type,      // Text2
  Size,      // Text3
};

// What the open-file dialog is shown with.
struct OpenFileRequest {
  std::string title;
  std::string filter_name;      // as the dialog lists it
  std::string filter_patterns;  // "*.bin;*.elf", matched without regard to case
};

// The file the user chose: its full path, and its name without any folder.
struct ChosenFile {
  std::string path;
  std::string title;
};

enum class WindowState { Normal, Minimised, Maximised };

// The whole window's place on the screen, in twips (1/1440 inch).
struct WindowPlacement {
  WindowState state = WindowState::Normal;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

// Message-box types: the Win32 MessageBox flags, which every front end maps to its own boxes.
namespace message_type {
inline constexpr int kOk = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kYesNoCancelQuestion = 35;
inline constexpr int kInformation = 64;
}  // namespace message_type

// The codes a box returns for the button pressed.
namespace answer {
inline constexpr int kNone = 0;  // the box could not be shown
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace answer

class Platform {
 public:
  virtual ~Platform() = default;

  // The window.
  virtual std::string BoxText(TextBox box) = 0;
  virtual void SetBoxText(TextBox box, const std::string& text) = 0;
  virtual void EnableConvert(bool enabled) = 0;
  // Closes the window as its close button does; the front end then runs Form_Unload.
  virtual void CloseWindow() = 0;
  virtual WindowPlacement Placement() = 0;

  // Modal boxes and dialogs, owned by the window (hidden or not).
  // Shows a message box and returns the code of the button pressed; an empty title shows the
  // application's title, "Quillet".
  virtual int ShowMessage(const std::string& text, int type, const std::string& title) = 0;
  // The same, with the box's push buttons relabelled by `buttons` (WalkButtons) before the user
  // can see them; returns the platform's code of the button pressed, or answer::kNone when the
  // box could not be shown.
  virtual int AskRelabelled(const std::string& prompt, int type, const std::string& title,
                            const ButtonSettingTable& buttons) = 0;
  // The open-file dialog; nothing when the user cancels.
  virtual std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) = 0;

  // Files. Failures raise RunTimeError.
  virtual PathStyle Style() = 0;
  virtual ScanImage ReadImage(const std::string& path) = 0;
  virtual std::int64_t FileLength(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Which file `path` names and in what state; nothing when there is none.
  virtual std::optional<FileStamp> StampOf(const std::string& path) = 0;
  // Raises run-time error 53 when there is no such file.
  virtual void RemoveFile(const std::string& path) = 0;

  // The tools, in the tools folder beside the executable.
  virtual std::string ToolPath(Tool tool) = 0;
  // True when `path` is a file (not a folder, not hidden or a system file).
  virtual bool ToolPresent(const std::string& path) = 0;
  // Runs a tool hidden and waits until it has ended.
  virtual ToolOutcome RunTool(const ToolRun& run) = 0;

  // The program.
  virtual std::string ExecutableFolder() = 0;  // without a trailing separator
  virtual std::string ExecutableName() = 0;    // without its extension
  // The argument part of the program's command line as one text, unsplit.
  virtual std::string CommandLineText() = 0;
  virtual NumberSeparators LocaleSeparators() = 0;
  // The per-user settings store, application "Quillet". Raises on failure.
  virtual void WriteSetting(const std::string& section, const std::string& key, const std::string& value) = 0;
  // A right-click entry for files ending in `extension`, named `verb`, running `command` ("%1" for
  // the file's path). Raises on failure.
  virtual void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) = 0;
  // Ends the program at once: no unload handling, no window shown.
  [[noreturn]] virtual void EndAtOnce() = 0;
};

}  // namespace quillet
