#pragma once

#include <QMainWindow>

#include <string>
#include <vector>

class QLabel;
class QMimeData;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillet {

class MainForm;

// frmMain in Qt Widgets: the controls of kFormControls laid out in twips at the screen's logical DPI,
// fixed in size, with the menu bar. The widgets carry the controls' names (Text1, Command3...).
class MainWindow : public QMainWindow {
 public:
  MainWindow();

  // The form whose handlers the window's events run.
  void Attach(MainForm& form) { form_ = &form; }
  // Centres the window on its screen, shows it, and gives Browse the focus.
  void ShowCentred();

  QLineEdit* text1() const { return text1_; }
  QLineEdit* text2() const { return text2_; }
  QLineEdit* text3() const { return text3_; }
  QPlainTextEdit* text4() const { return text4_; }
  QPushButton* command1() const { return command1_; }
  QPushButton* command3() const { return command3_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Files dropped onto the window: the form scans the first.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Runs one of the form's handlers for an event.
  void Run(void (MainForm::*handler)());

  QLineEdit* text1_;
  QPushButton* command3_;
  QLineEdit* text3_;
  QLineEdit* text2_;
  QPushButton* command1_;
  QPlainTextEdit* text4_;
  MainForm* form_ = nullptr;
};

// The local files among what is dropped, as the bytes of their names.
std::vector<std::string> DroppedFiles(const QMimeData* data);

}  // namespace quillet
