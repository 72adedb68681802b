#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/button_captions.h"

// What the window's handlers need from the window they run in: the Win32 window, the Qt window,
// and the tests' scripted stand-in each provide it. Texts are UTF-8; nothing native.
namespace quillet {

// The window's three text boxes.
enum class TextBox {
  FileName,  // Text1
  Type,      // Text2
  Size,      // Text3
  Disc,      // Text4: what the boot report says of a disc image
};

// One of the kinds of file the open-file dialog offers.
struct FileFilter {
  std::string name;      // as the dialog lists it
  std::string patterns;  // "*.bin;*.elf", matched without regard to case
  bool operator==(const FileFilter&) const = default;
};

// What the open-file dialog is shown with: its title, and the kinds of file it offers, the first
// chosen at first.
struct OpenFileRequest {
  std::string title;
  std::vector<FileFilter> filters;
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

// A message box: its push buttons, in the order Windows gives them, and its icon.
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Icon { None, Critical, Question, Information, Warning };
struct MessageKind {
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  bool operator==(const MessageKind&) const = default;
};

// The kinds the program shows.
namespace message_kind {
inline constexpr MessageKind kOk{Buttons::Ok, Icon::None};
inline constexpr MessageKind kYesNo{Buttons::YesNo, Icon::None};
inline constexpr MessageKind kCritical{Buttons::Ok, Icon::Critical};
inline constexpr MessageKind kYesNoCancelQuestion{Buttons::YesNoCancel, Icon::Question};
inline constexpr MessageKind kInformation{Buttons::Ok, Icon::Information};
inline constexpr MessageKind kYesNoWarning{Buttons::YesNo, Icon::Warning};
inline constexpr MessageKind kWarning{Buttons::Ok, Icon::Warning};
}  // namespace message_kind

// The button a box was answered with; None when the box could not be shown.
enum class Answer { None, Ok, Cancel, Yes, No };

class Window {
 public:
  virtual ~Window() = default;

  virtual std::string BoxText(TextBox box) = 0;
  virtual void SetBoxText(TextBox box, const std::string& text) = 0;
  virtual void EnableConvert(bool enabled) = 0;
  // Closes the window as its close button does; the front end then runs Form_Unload.
  virtual void CloseWindow() = 0;
  virtual WindowPlacement Placement() = 0;

  // Modal boxes and dialogs, owned by the window (hidden or not).
  // Shows a message box and returns the button pressed; an empty title shows the application's
  // title, "Quillet".
  virtual Answer ShowMessage(const std::string& text, MessageKind kind, const std::string& title) = 0;
  // The same, with the box's push buttons relabelled by `buttons` (WalkButtons) before the user
  // can see them.
  virtual Answer AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                               const ButtonSettingTable& buttons) = 0;
  // The open-file dialog; nothing when the user cancels.
  virtual std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) = 0;

  // Ends the program at once: no unload handling, the window never shown.
  [[noreturn]] virtual void EndAtOnce() = 0;
};

}  // namespace quillet
