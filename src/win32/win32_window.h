#pragma once

#include "app/window.h"
#include "win32/main_window.h"

namespace quillet {

// The window on Windows: the main window's controls, the standard boxes and the open dialog.
class Win32Window : public Window {
 public:
  explicit Win32Window(MainWindow& window) : window_(window) {}

  std::string BoxText(TextBox box) override;
  void SetBoxText(TextBox box, const std::string& text) override;
  void EnableConvert(bool enabled) override;
  void CloseWindow() override;
  WindowPlacement Placement() override;
  Answer ShowMessage(const std::string& text, MessageKind kind, const std::string& title) override;
  Answer AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                       const ButtonSettingTable& buttons) override;
  std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) override;
  [[noreturn]] void EndAtOnce() override;

 private:
  HWND Box(TextBox box) const;

  MainWindow& window_;
};

}  // namespace quillet
