#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "convert/button_captions.h"

class QPushButton;

namespace quillet {

// A message box that behaves as the Windows one does, whose type flags the program speaks: the
// buttons in Windows order (Yes, No, Cancel; OK alone), the first the default button and focused,
// the icon of the type, and the Windows code of the button pressed as the result. Esc and the
// close button answer Cancel where there is one, OK where OK is alone, and nothing otherwise.
class MessageBox : public QDialog {
 public:
  MessageBox(QWidget* owner, const QString& text, int type, const QString& title);

  // Relabels the push buttons by `buttons` (WalkButtons), before the box is ever shown.
  void ApplyCaptions(const ButtonSettingTable& buttons);

  // Shows the box modally; the Windows code of the button pressed.
  int Ask();

  const std::vector<QPushButton*>& Buttons() const { return buttons_; }

 protected:
  void reject() override;

 private:
  std::vector<QPushButton*> buttons_;
  std::vector<int> codes_;
  int escape_code_ = 0;  // what Esc and the close button answer; 0: they do nothing
  int answer_ = 0;
};

}  // namespace quillet
