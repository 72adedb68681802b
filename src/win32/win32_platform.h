#pragma once

#include "app/system_platform.h"
#include "win32/main_window.h"

namespace quillet {

// Platform on Windows: the main window's controls, the standard boxes and dialogs, the per-user
// registry, and CreateProcess.
class Win32Platform : public SystemPlatform {
 public:
  explicit Win32Platform(MainWindow& window) : window_(window) {}

  std::string BoxText(TextBox box) override;
  void SetBoxText(TextBox box, const std::string& text) override;
  void EnableConvert(bool enabled) override;
  void CloseWindow() override;
  WindowPlacement Placement() override;
  int ShowMessage(const std::string& text, int type, const std::string& title) override;
  int AskRelabelled(const std::string& prompt, int type, const std::string& title,
                    const ButtonSettingTable& buttons) override;
  std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) override;
  PathStyle Style() override { return PathStyle::Windows; }
  std::string ToolPath(Tool tool) override;
  std::string ExecutableFolder() override;
  std::string ExecutableName() override;
  std::string CommandLineText() override;
  NumberSeparators LocaleSeparators() override;
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  [[noreturn]] void EndAtOnce() override;

 private:
  HWND Box(TextBox box) const;

  MainWindow& window_;
};

}  // namespace quillet
