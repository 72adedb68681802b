#include "qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "app/texts.h"
#include "qt/utf8.h"

namespace quillet {

MainWindow::MainWindow() {
  setWindowTitle(FromUtf8(kWindowCaption));
  setWindowIcon(QIcon(":/quillet.png"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  const double across = screen() ? screen()->logicalDotsPerInchX() : 96.0;
  const double down = screen() ? screen()->logicalDotsPerInchY() : 96.0;
  std::vector<QWidget*> controls;
  for (const ControlLayout& control : kFormControls) {
    const QString text = FromUtf8(control.text.empty() ? kInitialBoxText : control.text);
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::TextBox:
        widget = new QLineEdit(text, client);
        // A box would take a drop as text itself (a file manager offers the name as text beside
        // its URL); the whole window takes drops, as Browse.
        widget->setAcceptDrops(false);
        break;
      case ControlKind::TextArea: {
        auto* area = new QPlainTextEdit(text, client);
        area->setAcceptDrops(false);
        area->setTabChangesFocus(true);
        area->setReadOnly(control.read_only);
        // Read only, it would take the focus only by a click; a person tabs to it as to the boxes.
        area->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        widget = area;
        break;
      }
      case ControlKind::Button: widget = new QPushButton(text, client); break;
      case ControlKind::Label: widget = new QLabel(text, client); break;
    }
    widget->setObjectName(FromUtf8(control.name));
    widget->setGeometry(TwipsToPixels(control.left, across), TwipsToPixels(control.top, down),
                        TwipsToPixels(control.width, across), TwipsToPixels(control.height, down));
    if (control.kind == ControlKind::TextBox || control.kind == ControlKind::TextArea) {
      widget->setAccessibleName(FromUtf8(LabelOf(control.id)));
      if (auto* box = qobject_cast<QLineEdit*>(widget)) box->setReadOnly(control.read_only);
      // Greyed as a box that only shows, but in the text's own colour: the keyboard and a screen
      // reader reach it, and it reads as well as any other text.
      if (control.read_only) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
      }
    }
    if (control.kind == ControlKind::Label) {
      widget->setMinimumWidth(std::max(widget->width(), widget->fontMetrics().horizontalAdvance(text) + 2));
      widget->resize(widget->minimumWidth(), widget->height());
    }
    controls.push_back(widget);
  }
  text1_ = static_cast<QLineEdit*>(controls[IndexOf(Control::Text1)]);
  command3_ = static_cast<QPushButton*>(controls[IndexOf(Control::Command3)]);
  text3_ = static_cast<QLineEdit*>(controls[IndexOf(Control::Text3)]);
  text2_ = static_cast<QLineEdit*>(controls[IndexOf(Control::Text2)]);
  command1_ = static_cast<QPushButton*>(controls[IndexOf(Control::Command1)]);
  text4_ = static_cast<QPlainTextEdit*>(controls[IndexOf(Control::Text4)]);
  for (const ControlLayout& control : kFormControls) {
    if (control.kind != ControlKind::Label) continue;
    // Alt and a label's letter would reach its box; the label names it for a screen reader too.
    for (const ControlLayout& box : kFormControls) {
      if (box.kind != ControlKind::Label && LabelOf(box.id) == control.text) {
        static_cast<QLabel*>(controls[IndexOf(control.id)])->setBuddy(controls[IndexOf(box.id)]);
      }
    }
  }
  QWidget* previous = nullptr;
  for (const Control control : kTabOrder) {
    QWidget* widget = controls[IndexOf(control)];
    if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isEnabled()) continue;
    if (previous) setTabOrder(previous, widget);
    previous = widget;
  }
  for (QPushButton* button : {command1_, command3_}) button->setAutoDefault(false);
  client->setFixedSize(TwipsToPixels(kClientWidth, across), TwipsToPixels(kClientHeight, down));

  QMenu* menu = nullptr;
  for (const MenuItem& item : kMenuItems) {
    if (!menu || menu->objectName() != FromUtf8(item.menu_name)) {
      menu = menuBar()->addMenu(FromUtf8(item.menu_caption));
      menu->setObjectName(FromUtf8(item.menu_name));
      // A menu closed with Escape leaves the menu bar holding the keyboard, nothing highlighted,
      // until a second Escape: one gives the focus back to the control that had it, as on Windows.
      connect(menu, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
          if (QApplication::activePopupWidget() || !menuBar()->hasFocus()) return;
          QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
          QApplication::sendEvent(menuBar(), &escape);
        });
      });
    }
    QAction* action = menu->addAction(FromUtf8(item.caption));
    action->setObjectName(FromUtf8(item.name));
    connect(action, &QAction::triggered, this, [this, handler = item.handler] { Run(handler); });
  }
  connect(command1_, &QPushButton::clicked, this, [this] { Run(&MainForm::Command1_Click); });
  connect(command3_, &QPushButton::clicked, this, [this] { Run(&MainForm::Command3_Click); });

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setAcceptDrops(true);
}

void MainWindow::ShowCentred() {
  adjustSize();
  if (const QScreen* where = screen()) {
    const QRect area = where->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  command1_->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Run(&MainForm::Form_Unload);
  event->accept();
}

void MainWindow::Run(void (MainForm::*handler)()) {
  if (form_ != nullptr) form_->Handle(handler);
}

std::vector<std::string> DroppedFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  for (const QUrl& url : data ? data->urls() : QList<QUrl>()) {
    // The path's bytes from the URL's own percent-encoding: a name that is not UTF-8 (caf\xE9.bin)
    // would not survive a round trip through QString.
    if (url.isLocalFile())
      paths.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
  }
  return paths;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedFiles(event->mimeData());
  if (paths.empty()) return;
  // Answered at once: the program that drags waits for the answer, and the scan may open a box
  // that waits for the person.
  event->acceptProposedAction();
  QTimer::singleShot(0, this, [this, paths] {
    if (MainForm* form = form_) form->Handle([form, &paths] { form->Form_OLEDragDrop(paths); });
  });
}

}  // namespace quillet
