#include "qt/qt_platform.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>

#include "app/form_texts.h"
#include "qt/message_box.h"
#include "shell/file_manager_entries.h"
#include "util/file_errors.h"
#include "util/file_system.h"

namespace quillet {
namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

float PixelsToTwips(int pixels, double dpi) { return static_cast<float>(pixels * 1440.0 / dpi); }

}  // namespace

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
}

void SetUpOpenDialog(QFileDialog& dialog, const OpenFileRequest& request) {
  dialog.setWindowTitle(Q(request.title));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(Q(request.filter_name));
  // The filter's text lists "*.bin; *.elf" as Windows writes it, which Qt would read as the
  // patterns "*.bin;" and "*.elf". The patterns proper go to the dialog's model, which matches
  // them without regard to case, so 1ST_READ.BIN shows too.
  if (auto* model = dialog.findChild<QFileSystemModel*>()) {
    model->setNameFilters(Q(request.filter_patterns).split(';', Qt::SkipEmptyParts));
    model->setFilter(model->filter() & ~QDir::CaseSensitive);
  }
}

QtPlatform::QtPlatform(MainWindow& window, Options options) : window_(window), options_(std::move(options)) {
  if (!options_.end_at_once) options_.end_at_once = [] { std::exit(0); };
  run_file_dialog = [](QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

std::string QtPlatform::BoxText(TextBox box) {
  const QLineEdit* edit = box == TextBox::FileName ? window_.text1()
                          : box == TextBox::Type   ? window_.text2()
                                                   : window_.text3();
  // Unless the user typed over it, the file-name box still means the bytes it was given.
  if (box == TextBox::FileName && edit->text() == file_name_shown_) return file_name_bytes_;
  return QFile::encodeName(edit->text()).toStdString();
}

void QtPlatform::SetBoxText(TextBox box, const std::string& text) {
  QLineEdit* edit = box == TextBox::FileName ? window_.text1()
                    : box == TextBox::Type   ? window_.text2()
                                             : window_.text3();
  const QString shown = QFile::decodeName(QByteArray::fromStdString(text));
  if (box == TextBox::FileName) {
    file_name_bytes_ = text;
    file_name_shown_ = shown;
  }
  edit->setText(shown);
  edit->setCursorPosition(0);
}

void QtPlatform::EnableConvert(bool enabled) { window_.command3()->setEnabled(enabled); }

void QtPlatform::CloseWindow() { window_.close(); }

WindowPlacement QtPlatform::Placement() {
  WindowPlacement placement;
  placement.state = window_.isMinimized()   ? WindowState::Minimised
                    : window_.isMaximized() ? WindowState::Maximised
                                            : WindowState::Normal;
  const QRect frame = window_.frameGeometry();
  const QScreen* screen = window_.screen();
  const double across = screen ? screen->logicalDotsPerInchX() : 96.0;
  const double down = screen ? screen->logicalDotsPerInchY() : 96.0;
  placement.left = PixelsToTwips(frame.x(), across);
  placement.top = PixelsToTwips(frame.y(), down);
  placement.width = PixelsToTwips(frame.width(), across);
  placement.height = PixelsToTwips(frame.height(), down);
  return placement;
}

int QtPlatform::ShowMessage(const std::string& text, int type, const std::string& title) {
  MessageBox box(&window_, QString::fromStdString(text), type, Q(title.empty() ? kApplicationTitle : title));
  return box.Ask();
}

int QtPlatform::AskRelabelled(const std::string& prompt, int type, const std::string& title,
                              const ButtonSettingTable& buttons) {
  MessageBox box(&window_, QString::fromStdString(prompt), type, QString::fromStdString(title));
  box.ApplyCaptions(buttons);
  return box.Ask();
}

std::optional<ChosenFile> QtPlatform::ChooseFile(const OpenFileRequest& request) {
  QFileDialog dialog(&window_);
  SetUpOpenDialog(dialog, request);
  if (!run_file_dialog(dialog) || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  return ChosenFile{QFile::encodeName(path).toStdString(), QFile::encodeName(QFileInfo(path).fileName()).toStdString()};
}

std::string QtPlatform::ToolPath(Tool tool) {
  return ExecutableFolder() + (tool == Tool::Dcscram ? "/tools/dcscram" : "/tools/sh-elf-objcopy");
}

std::string QtPlatform::ExecutableFolder() {
  return QFile::encodeName(QFileInfo(options_.executable_path).absolutePath()).toStdString();
}

std::string QtPlatform::ExecutableName() {
  return QFileInfo(options_.executable_path).completeBaseName().toStdString();
}

NumberSeparators QtPlatform::LocaleSeparators() {
  const QLocale locale;
  return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

void QtPlatform::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  // ~/.config/Quillet/Quillet.ini, section [Settings].
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, Q(kApplicationTitle), Q(kApplicationTitle));
  settings.beginGroup(QString::fromStdString(section));
  settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    throw RunTimeError(error::kPathFileAccessError,
                       "The settings file could not be written: " + settings.fileName().toStdString());
  }
}

void QtPlatform::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string&) {
  // The entries start the program itself, by its full path, with the clicked file's path.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const ShellVerb entry{extension, verb};
  for (const FileManagerEntry& file : FileManagerEntries(entry, options_.executable_path.toStdString())) {
    const QString path = data + '/' + QString::fromStdString(file.path);
    QSaveFile out(path);
    const bool written = QDir().mkpath(QFileInfo(path).absolutePath()) && out.open(QIODevice::WriteOnly) &&
                         out.write(file.content.data(), static_cast<qint64>(file.content.size())) ==
                             static_cast<qint64>(file.content.size()) &&
                         (!file.executable || out.setPermissions(out.permissions() | QFileDevice::ExeOwner |
                                                                 QFileDevice::ExeGroup | QFileDevice::ExeOther)) &&
                         out.commit();
    if (!written) {
      throw RunTimeError(error::kPathFileAccessError, "Path/File access error: " + path.toStdString() +
                                                          " could not be written (" + out.errorString().toStdString() +
                                                          ")");
    }
  }
  // File managers read the entries' MIME types from the database this rebuilds; where the tool is
  // missing, Qt-based ones read the package files themselves.
  QProcess::execute("update-mime-database", {data + "/mime"});
}

void QtPlatform::EndAtOnce() {
  options_.end_at_once();
  std::exit(0);
}

}  // namespace quillet
