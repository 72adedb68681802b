#include "qt/message_box.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace quillet {
namespace {

struct Button {
  const char* caption;
  Answer answer;
};

// The buttons, in Windows order.
std::vector<Button> ButtonsOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::YesNoCancel: return {{"&Yes", Answer::Yes}, {"&No", Answer::No}, {"Cancel", Answer::Cancel}};
    case Buttons::YesNo: return {{"&Yes", Answer::Yes}, {"&No", Answer::No}};
    case Buttons::Ok: break;
  }
  return {{"OK", Answer::Ok}};
}

std::optional<QStyle::StandardPixmap> IconOf(Icon icon) {
  switch (icon) {
    case Icon::Critical: return QStyle::SP_MessageBoxCritical;
    case Icon::Question: return QStyle::SP_MessageBoxQuestion;
    case Icon::Information: return QStyle::SP_MessageBoxInformation;
    case Icon::Warning: return QStyle::SP_MessageBoxWarning;
    case Icon::None: break;
  }
  return std::nullopt;
}

std::function<void(MessageBox&)> g_next_answer;

}  // namespace

void MessageBox::AnswerNextWith(std::function<void(MessageBox&)> answer) { g_next_answer = std::move(answer); }

bool MessageBox::NextAnswerPending() { return static_cast<bool>(g_next_answer); }

void MessageBox::ForgetNextAnswer() { g_next_answer = nullptr; }

MessageBox::MessageBox(QWidget* owner, const QString& text, MessageKind kind, const QString& title) : QDialog(owner) {
  setWindowTitle(title);
  setModal(true);

  auto* message = new QHBoxLayout;
  if (const std::optional<QStyle::StandardPixmap> icon = IconOf(kind.icon)) {
    auto* picture = new QLabel;
    picture->setObjectName("icon");
    picture->setPixmap(style()->standardIcon(*icon).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    message->addWidget(picture);
  }
  auto* label = new QLabel(text);
  label->setObjectName("text");
  label->setTextFormat(Qt::PlainText);
  // A long line wraps, as Windows wraps it in a message box, rather than widen the box past the
  // screen.
  label->setWordWrap(true);
  if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
    label->setMaximumWidth(screen->availableGeometry().width() * 5 / 8);
  }
  message->addWidget(label, 1);

  auto* row = new QHBoxLayout;
  row->addStretch();
  const std::vector<Button> buttons = ButtonsOf(kind.buttons);
  for (const Button& button : buttons) {
    auto* push = new QPushButton(tr(button.caption));
    const Answer answer = button.answer;
    connect(push, &QPushButton::clicked, this, [this, answer] {
      answer_ = answer;
      accept();
    });
    buttons_.push_back(push);
    row->addWidget(push);
    if (answer == Answer::Cancel) escape_answer_ = answer;
  }
  row->addStretch();
  if (buttons.size() == 1) escape_answer_ = Answer::Ok;
  // Escape declines a Yes/No question: a keyboard's way out, which writes nothing.
  if (kind.buttons == Buttons::YesNo) escape_answer_ = Answer::No;
  // As on Windows, a box that cannot be dismissed has no close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 (escape_answer_ != Answer::None ? Qt::WindowCloseButtonHint : Qt::WindowFlags()));
  buttons_.front()->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(message);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  buttons_.front()->setFocus();  // once it belongs to the box
}

void MessageBox::ApplyCaptions(const ButtonSettingTable& table) {
  for (const ButtonAssignment& assignment : WalkButtons(table, buttons_.size())) {
    QPushButton* button = buttons_[assignment.button];
    button->setText(QString::fromStdString(assignment.setting.caption));
    if (assignment.setting.style & 1) button->setDefault(true);  // BS_DEFPUSHBUTTON
  }
}

Answer MessageBox::Ask() {
  answer_ = Answer::None;
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
  if (std::function<void(MessageBox&)> answer = std::exchange(g_next_answer, nullptr)) {
    QTimer::singleShot(0, this, [this, answer] { answer(*this); });
  }
  exec();
  return answer_;
}

void MessageBox::reject() {
  if (escape_answer_ == Answer::None) return;
  answer_ = escape_answer_;
  QDialog::reject();
}

}  // namespace quillet
