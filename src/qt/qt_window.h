#pragma once

#include <QString>

#include <functional>
#include <string>

#include "app/window.h"
#include "qt/main_window.h"

class QFileDialog;
class QLineEdit;

namespace quillet {

// The window on Linux with Qt: the main window's widgets, Windows-like message boxes and the
// open-file dialog.
class QtWindow : public Window {
 public:
  // `end_at_once` ends the program; by default the process exits with status 0.
  explicit QtWindow(MainWindow& window, std::function<void()> end_at_once = {});

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

  // Shows a dialog modally; true when the user accepted it. Tests answer it instead.
  std::function<bool(QFileDialog&)> run_file_dialog;

 private:
  QLineEdit* Box(TextBox box) const;

  MainWindow& window_;
  QString last_folder_;  // of the file chosen last; empty before any
  std::function<void()> end_at_once_;
  // A path's own bytes behind the file-name box, which can only show text: a name that is no valid
  // UTF-8 (Latin-1 from an old disk, say) is shown as well as it can be and used as it is.
  std::string file_name_bytes_;
  QString file_name_shown_;
};

// The open-file dialog as Browse shows it.
void SetUpOpenDialog(QFileDialog& dialog, const OpenFileRequest& request);

}  // namespace quillet
