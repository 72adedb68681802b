#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "app/button_captions.h"
#include "app/window.h"

class QPushButton;

namespace quillet {

// A message box that behaves as the Windows one does: the buttons in Windows order (Yes, No, Cancel;
// OK alone), the first the default button and focused, the kind's icon, and the button pressed as
// the result. Esc and the close button answer Cancel where there is one, OK where OK is alone, and
// nothing otherwise (and a box that Esc cannot dismiss has no close button).
class MessageBox : public QDialog {
 public:
  MessageBox(QWidget* owner, const QString& text, MessageKind kind, const QString& title);

  // Relabels the push buttons by `buttons` (WalkButtons), before the box is ever shown.
  void ApplyCaptions(const ButtonSettingTable& buttons);

  // Shows the box modally; the button pressed.
  Answer Ask();

  const std::vector<QPushButton*>& Buttons() const { return buttons_; }

  // For tests: the next box shown calls `answer` as soon as it is on the screen, instead of
  // waiting for a person; one box only. NextAnswerPending tells whether no box took it yet.
  static void AnswerNextWith(std::function<void(MessageBox&)> answer);
  static bool NextAnswerPending();
  static void ForgetNextAnswer();

 protected:
  void reject() override;

 private:
  std::vector<QPushButton*> buttons_;
  Answer escape_answer_ = Answer::None;  // what Esc and the close button answer; None: they do nothing
  Answer answer_ = Answer::None;
};

}  // namespace quillet
