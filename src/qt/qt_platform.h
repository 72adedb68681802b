#pragma once

#include <QString>

#include <functional>
#include <string>

#include "app/system_platform.h"
#include "qt/main_window.h"

class QFileDialog;

namespace quillet {

// Platform on Linux with Qt: the main window's widgets, Windows-like message boxes, the open-file
// dialog, the POSIX tool runner, a settings file in the XDG config folder, and the file managers'
// right-click entries in the XDG data folder.
class QtPlatform : public SystemPlatform {
 public:
  struct Options {
    QString executable_path;   // the running program; the tools folder lies beside it
    std::string command_line;  // as the system passed it: bytes, not necessarily UTF-8
    // Ends the program at once; by default the process exits with status 0.
    std::function<void()> end_at_once;
  };

  QtPlatform(MainWindow& window, Options options);

  std::string BoxText(TextBox box) override;
  void SetBoxText(TextBox box, const std::string& text) override;
  void EnableConvert(bool enabled) override;
  void CloseWindow() override;
  WindowPlacement Placement() override;
  int ShowMessage(const std::string& text, int type, const std::string& title) override;
  int AskRelabelled(const std::string& prompt, int type, const std::string& title,
                    const ButtonSettingTable& buttons) override;
  std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) override;
  PathStyle Style() override { return PathStyle::Posix; }
  std::string ToolPath(Tool tool) override;
  std::string ExecutableFolder() override;
  std::string ExecutableName() override;
  std::string CommandLineText() override { return options_.command_line; }
  NumberSeparators LocaleSeparators() override;
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) override;
  [[noreturn]] void EndAtOnce() override;

  // Shows a dialog modally; true when the user accepted it. Tests answer it instead.
  std::function<bool(QFileDialog&)> run_file_dialog;

 private:
  MainWindow& window_;
  Options options_;
  // A path's own bytes behind the file-name box, which can only show text: a name that is no valid
  // UTF-8 (Latin-1 from an old disk, say) is shown as well as it can be and used as it is.
  std::string file_name_bytes_;
  QString file_name_shown_;
};

// The open-file dialog as Browse shows it.
void SetUpOpenDialog(QFileDialog& dialog, const OpenFileRequest& request);

// The program's command-line text from its arguments (the program's own name left out): joined
// with single blanks, so a path with blanks passed as one argument arrives unchanged; and taken as
// the bytes they are, since a file's name need not be valid UTF-8.
std::string CommandLineText(int argc, const char* const* argv);

}  // namespace quillet
