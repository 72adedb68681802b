#include "qt/message_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/platform.h"

namespace quillet {
namespace {

struct Button {
  const char* caption;
  int code;
};

// The buttons of a type's low four bits, in Windows order.
std::vector<Button> ButtonsOf(int type) {
  switch (type & 0xF) {
    case 1: return {{"OK", answer::kOk}, {"Cancel", answer::kCancel}};
    case 3: return {{"&Yes", answer::kYes}, {"&No", answer::kNo}, {"Cancel", answer::kCancel}};
    case 4: return {{"&Yes", answer::kYes}, {"&No", answer::kNo}};
    default: return {{"OK", answer::kOk}};
  }
}

QStyle::StandardPixmap IconOf(int type, bool& any) {
  any = true;
  switch (type & 0xF0) {
    case 0x10: return QStyle::SP_MessageBoxCritical;
    case 0x20: return QStyle::SP_MessageBoxQuestion;
    case 0x30: return QStyle::SP_MessageBoxWarning;
    case 0x40: return QStyle::SP_MessageBoxInformation;
    default: any = false; return QStyle::SP_MessageBoxInformation;
  }
}

}  // namespace

MessageBox::MessageBox(QWidget* owner, const QString& text, int type, const QString& title) : QDialog(owner) {
  setWindowTitle(title);
  setModal(true);

  auto* message = new QHBoxLayout;
  bool has_icon = false;
  const QStyle::StandardPixmap icon = IconOf(type, has_icon);
  if (has_icon) {
    auto* picture = new QLabel;
    picture->setObjectName("icon");
    picture->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    message->addWidget(picture);
  }
  auto* label = new QLabel(text);
  label->setObjectName("text");
  label->setTextFormat(Qt::PlainText);
  message->addWidget(label, 1);

  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const Button& button : ButtonsOf(type)) {
    auto* push = new QPushButton(tr(button.caption));
    push->setObjectName(QString("button%1").arg(button.code));
    const int code = button.code;
    connect(push, &QPushButton::clicked, this, [this, code] {
      answer_ = code;
      accept();
    });
    buttons_.push_back(push);
    codes_.push_back(code);
    row->addWidget(push);
  }
  row->addStretch();
  for (int code : codes_) {
    if (code == answer::kCancel) escape_code_ = code;
  }
  if (codes_.size() == 1) escape_code_ = answer::kOk;
  // As on Windows, a box that cannot be dismissed (Yes/No) has no close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 (escape_code_ != 0 ? Qt::WindowCloseButtonHint : Qt::WindowFlags()));
  buttons_.front()->setDefault(true);
  buttons_.front()->setFocus();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(message);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageBox::ApplyCaptions(const ButtonSettingTable& table) {
  for (const ButtonAssignment& assignment : WalkButtons(table, buttons_.size())) {
    QPushButton* button = buttons_[assignment.button];
    button->setText(QString::fromStdString(assignment.setting.caption));
    if (assignment.setting.style & 1) button->setDefault(true);  // BS_DEFPUSHBUTTON
  }
}

int MessageBox::Ask() {
  answer_ = 0;
  // A box whose owner is not on the screen (a question at start-up) stands in the screen's middle,
  // as a Windows box without a visible owner does.
  if (!parentWidget() || !parentWidget()->isVisible()) {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  exec();
  return answer_;
}

void MessageBox::reject() {
  if (escape_code_ == 0) return;
  answer_ = escape_code_;
  QDialog::reject();
}

}  // namespace quillet
