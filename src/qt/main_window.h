#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class MainForm;

// frmMain in Qt Widgets: the three labelled rows laid out in twips at the screen's logical DPI,
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
  QPushButton* command1() const { return command1_; }
  QPushButton* command3() const { return command3_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs a handler; nothing it throws may cross a slot.
  void Run(const std::function<void()>& handler);

  QLineEdit* text1_;
  QPushButton* command3_;
  QLineEdit* text3_;
  QLineEdit* text2_;
  QPushButton* command1_;
  MainForm* form_ = nullptr;
};

// Pixels for a length in twips (1/1440 inch) at `dpi` dots per inch.
int TwipsToPixels(int twips, double dpi);

}  // namespace quillet
