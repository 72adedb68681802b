#include "qt/qt_window.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <cstdlib>

#include "app/form_layout.h"
#include "app/texts.h"
#include "qt/message_box.h"
#include "qt/utf8.h"

namespace quillet {

void SetUpOpenDialog(QFileDialog& dialog, const OpenFileRequest& request) {
  dialog.setWindowTitle(FromUtf8(request.title));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QStringList names;
  for (const FileFilter& kind : request.filters) names.push_back(FromUtf8(kind.name));
  dialog.setNameFilters(names);
  // A filter's text lists "*.bin; *.elf" as Windows writes it, which Qt would read as the patterns
  // "*.bin;" and "*.elf". The patterns proper go to the dialog's model, which matches them without
  // regard to case, so 1ST_READ.BIN shows too; again each time another filter is chosen.
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (!model || request.filters.empty()) return;
  const auto use = [model, filters = request.filters, names](const QString& name) {
    const qsizetype index = std::max<qsizetype>(names.indexOf(name), 0);
    model->setNameFilters(FromUtf8(filters[static_cast<std::size_t>(index)].patterns).split(';', Qt::SkipEmptyParts));
    model->setFilter(model->filter() & ~QDir::CaseSensitive);
  };
  use(names.front());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, use);
}

QtWindow::QtWindow(MainWindow& window, std::function<void()> end_at_once)
    : window_(window), end_at_once_(std::move(end_at_once)) {
  if (!end_at_once_) end_at_once_ = [] { std::exit(0); };
  run_file_dialog = [](QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

QLineEdit* QtWindow::Box(TextBox box) const {
  switch (box) {
    case TextBox::FileName: return window_.text1();
    case TextBox::Type: return window_.text2();
    case TextBox::Size: return window_.text3();
    case TextBox::Disc: break;  // a text area, of its own
  }
  return nullptr;
}

std::string QtWindow::BoxText(TextBox box) {
  if (box == TextBox::Disc) return window_.text4()->toPlainText().toStdString();
  const QLineEdit* edit = Box(box);
  // Unless the user typed over it, the file-name box still means the bytes it was given.
  if (box == TextBox::FileName && edit->text() == file_name_shown_) return file_name_bytes_;
  return QFile::encodeName(edit->text()).toStdString();
}

void QtWindow::SetBoxText(TextBox box, const std::string& text) {
  if (box == TextBox::Disc) {
    window_.text4()->setPlainText(QString::fromStdString(text));
    return;
  }
  QLineEdit* edit = Box(box);
  const QString shown = QFile::decodeName(QByteArray::fromStdString(text));
  if (box == TextBox::FileName) {
    file_name_bytes_ = text;
    file_name_shown_ = shown;
  }
  edit->setText(shown);
  // A long path shows its end, the file's name; the other boxes their start.
  edit->setCursorPosition(box == TextBox::FileName ? static_cast<int>(shown.size()) : 0);
}

void QtWindow::EnableConvert(bool enabled) { window_.command3()->setEnabled(enabled); }

void QtWindow::CloseWindow() { window_.close(); }

WindowPlacement QtWindow::Placement() {
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

Answer QtWindow::ShowMessage(const std::string& text, MessageKind kind, const std::string& title) {
  MessageBox box(&window_, FromUtf8(text), kind, FromUtf8(title.empty() ? kApplicationTitle : title));
  return box.Ask();
}

Answer QtWindow::AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                               const ButtonSettingTable& buttons) {
  MessageBox box(&window_, FromUtf8(prompt), kind, FromUtf8(title));
  box.ApplyCaptions(buttons);
  return box.Ask();
}

std::optional<ChosenFile> QtWindow::ChooseFile(const OpenFileRequest& request) {
  QFileDialog dialog(&window_);
  SetUpOpenDialog(dialog, request);
  // The folder of the file chosen last, as Windows' dialog remembers it.
  if (!last_folder_.isEmpty()) dialog.setDirectory(last_folder_);
  if (!run_file_dialog(dialog) || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  last_folder_ = QFileInfo(path).absolutePath();
  return ChosenFile{QFile::encodeName(path).toStdString(), QFile::encodeName(QFileInfo(path).fileName()).toStdString()};
}

void QtWindow::EndAtOnce() {
  end_at_once_();
  std::exit(0);
}

}  // namespace quillet
