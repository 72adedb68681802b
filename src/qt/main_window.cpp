#include "qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "app/form_texts.h"
#include "app/main_form.h"

namespace quillet {
namespace {

constexpr int kClientWidth = 4710;  // twips
constexpr int kClientHeight = 2505;

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

int TwipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

MainWindow::MainWindow() {
  setWindowTitle(Q(kWindowCaption));
  setWindowIcon(QIcon(":/quillet.png"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  const double dpi = screen() ? screen()->logicalDotsPerInchY() : 96.0;
  const auto place = [&](QWidget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
                        TwipsToPixels(height, dpi));
  };
  const QString initial = Q(kInitialBoxText);
  // In the order the window creates them.
  text1_ = new QLineEdit(initial, client);
  place(text1_, "Text1", 240, 360, 2655, 315);
  command3_ = new QPushButton("&Convert", client);
  place(command3_, "Command3", 3480, 1080, 975, 375);
  text3_ = new QLineEdit(initial, client);
  place(text3_, "Text3", 240, 1800, 2655, 315);
  text2_ = new QLineEdit(initial, client);
  place(text2_, "Text2", 240, 1080, 2655, 315);
  command1_ = new QPushButton("&Browse", client);
  place(command1_, "Command1", 3480, 360, 975, 375);
  const struct {
    const char* name;
    const char* caption;
    int top, width;
  } labels[] = {
      {"Label3", "File size", 1560, 615}, {"Label2", "Type of bin", 840, 855}, {"Label1", "File name", 120, 735}};
  for (const auto& label : labels) {
    auto* widget = new QLabel(label.caption, client);
    place(widget, label.name, 240, label.top, label.width, 255);
    // Sized for an old bitmap font; in today's fonts the words are wider, and nothing stands to
    // their right, so they grow to fit rather than be cut off.
    widget->setMinimumWidth(std::max(widget->width(), widget->fontMetrics().horizontalAdvance(widget->text()) + 2));
    widget->resize(widget->minimumWidth(), widget->height());
  }
  text2_->setEnabled(false);
  text3_->setEnabled(false);
  for (QPushButton* button : {command1_, command3_}) button->setAutoDefault(false);
  setTabOrder(command1_, command3_);
  setTabOrder(command3_, text1_);
  client->setFixedSize(TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi));

  auto* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  QAction* exit = file->addAction("E&xit");
  exit->setObjectName("mnuFileExit");
  auto* options = menuBar()->addMenu("&Options");
  options->setObjectName("mnuOptions");
  QAction* shell = options->addAction("Integrate into &right-click menus");
  shell->setObjectName("mnuOptionsShell");
  auto* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  QAction* about = help->addAction("&About ");
  about->setObjectName("mnuHelpAbout");

  connect(command1_, &QPushButton::clicked, this, [this] { Run([this] { form_->Command1_Click(); }); });
  connect(command3_, &QPushButton::clicked, this, [this] { Run([this] { form_->Command3_Click(); }); });
  connect(exit, &QAction::triggered, this, [this] { Run([this] { form_->mnuFileExit_Click(); }); });
  connect(shell, &QAction::triggered, this, [this] { Run([this] { form_->mnuOptionsShell_Click(); }); });
  connect(about, &QAction::triggered, this, [this] { Run([this] { form_->mnuHelpAbout_Click(); }); });

  layout()->setSizeConstraint(QLayout::SetFixedSize);
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
  Run([this] { form_->Form_Unload(); });
  event->accept();
}

void MainWindow::Run(const std::function<void()>& handler) {
  if (form_ == nullptr) return;
  try {
    handler();
  } catch (const std::exception& failure) {
    // The handlers trap their own run-time errors; anything else is reported, not lost.
    QMessageBox::critical(this, Q(kApplicationTitle),
                          QString("Quillet met an unexpected problem: %1").arg(QString::fromUtf8(failure.what())));
  }
}

}  // namespace quillet
