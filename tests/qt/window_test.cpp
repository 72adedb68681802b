// The Linux window in Qt, offscreen: its widgets, Browse through a scripted dialog, the relabelled
// question, a start-up conversion of a real SH ELF through the real tools, the settings file, and
// the file managers' right-click entries.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <functional>
#include <span>

#include "app/main_form.h"
#include "app/size_text.h"
#include "app/texts.h"
#include "core/disc_file.h"
#include "disc/boot_rule.h"
#include "qt/main_window.h"
#include "qt/message_box.h"
#include "qt/qt_system.h"
#include "qt/qt_window.h"
#include "scramble/scramble.h"
#include "support/window_scenarios.h"

namespace quillet {
namespace {

struct ProgramEnded {};

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the next message box this test shows: `answer` sees it and presses a button.
void AnswerNextBox(std::function<void(MessageBox&)> answer) { MessageBox::AnswerNextWith(std::move(answer)); }

QPushButton* ButtonCaptioned(MessageBox& box, const QString& caption) {
  for (QPushButton* button : box.Buttons()) {
    if (button->text() == caption) return button;
  }
  return nullptr;
}

// Where Tab goes from `from`: the next widget in the focus chain that can take the focus.
QWidget* NextTabStop(QWidget* from) {
  QWidget* next = from->nextInFocusChain();
  while (next != from && !((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisible())) {
    next = next->nextInFocusChain();
  }
  return next;
}

// The contrast ratio of two colours, as the web's accessibility guidelines measure it.
double Contrast(const QColor& one, const QColor& other) {
  const auto luminance = [](const QColor& colour) {
    const auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
  };
  const double a = luminance(one) + 0.05, b = luminance(other) + 0.05;
  return a > b ? a / b : b / a;
}

QStringList Captions(const MessageBox& box) {
  QStringList captions;
  for (const QPushButton* button : box.Buttons()) captions << button->text();
  return captions;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder;
  QString program_folder;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<QtWindow> form_window;
  std::unique_ptr<QtSystem> system;
  std::unique_ptr<MainForm> form;

  void Start(const std::string& command_line) {
    window = std::make_unique<MainWindow>();
    form_window = std::make_unique<QtWindow>(*window, [] { throw ProgramEnded{}; });
    system = std::make_unique<QtSystem>(program_folder + "/vardelm", command_line);
    form = std::make_unique<MainForm>(*form_window, *system);
    window->Attach(*form);
  }

  // Every box that comes up is noted in `boxes` and closed, so that an error report cannot hang the
  // test, for as long as `answer` lives.
  // Triggers the menu item `action`, answers its question Yes and the box after it OK: the texts of
  // both, as they came.
  QStringList AnsweredYes(const char* action) {
    QStringList said;
    AnswerNextBox([&](MessageBox& question) {
      said << question.findChild<QLabel*>("text")->text();
      ButtonCaptioned(question, "&Yes")->click();
      AnswerNextBox([&](MessageBox& message) {
        said << message.findChild<QLabel*>("text")->text();
        message.Buttons().front()->click();
      });
    });
    window->findChild<QAction*>(action)->trigger();
    return said;
  }

  void AnswerEveryBox(QTimer& answer, QStringList& boxes) {
    connect(&answer, &QTimer::timeout, [&boxes] {
      if (auto* box = dynamic_cast<MessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->windowTitle();
        box->Buttons().front()->click();
      }
    });
    answer.start(10);
  }

  static QString SettingsFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Quillet", "Quillet").fileName();
  }

 private slots:
  void initTestCase() {
    QVERIFY(folder.isValid());
    program_folder = folder.filePath("program folder");
    QVERIFY(QDir().mkpath(program_folder + "/tools"));
    QVERIFY(QFile::link(QUILLET_DCSCRAM, program_folder + "/tools/dcscram"));
    QVERIFY(QFile::link(QUILLET_SH_OBJCOPY, program_folder + "/tools/sh-elf-objcopy"));
  }

  void init() { QFile::remove(SettingsFile()); }

  void cleanup() {
    form.reset();
    // An answer no box took belonged to this test: it must not answer the next test's box.
    const bool unused_answer = MessageBox::NextAnswerPending();
    MessageBox::ForgetNextAnswer();
    form_window.reset();
    system.reset();
    window.reset();
    QVERIFY2(!unused_answer, "a scripted answer was never used: the box it was for did not come");
  }

  void controls() {
    Start("");
    form->Form_Load();
    window->ShowCentred();
    QCOMPARE(window->windowTitle(), QString("Quillet 1.5"));
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    struct Row {
      const char* name;
      QRect geometry;  // pixels at 96 DPI
      QString text;
      bool read_only;
      const char* accessible_name;
    };
    const QString initial = "Please select a bin to scan...";
    for (const Row& row : std::vector<Row>{
             {"Text1", {16, 24, 177, 21}, initial, false, "File name"},
             {"Command3", {232, 72, 65, 25}, "&Convert", false, ""},
             {"Text3", {16, 120, 177, 21}, initial, true, "File size"},
             {"Text2", {16, 72, 177, 21}, initial, true, "Type of bin"},
             {"Command1", {232, 24, 65, 25}, "&Browse", false, ""},
             {"Text4", {16, 168, 281, 68}, initial, true, "Disc"},
         }) {
      auto* widget = window->findChild<QWidget*>(row.name);
      QVERIFY2(widget, row.name);
      QCOMPARE(widget->geometry(), row.geometry);
      QVERIFY(widget->isEnabled());
      if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), row.text);
      if (qobject_cast<QPushButton*>(widget)) continue;
      auto* edit = qobject_cast<QLineEdit*>(widget);
      auto* area = qobject_cast<QPlainTextEdit*>(widget);
      QCOMPARE(edit ? edit->text() : area->toPlainText(), row.text);
      QCOMPARE(widget->accessibleName(), QString(row.accessible_name));
      QCOMPARE(edit ? edit->isReadOnly() : area->isReadOnly(), row.read_only);
      // Greyed, but as readable as any text: at least 4.5:1.
      const QPalette palette = widget->palette();
      QVERIFY2(Contrast(palette.color(QPalette::Text), palette.color(QPalette::Base)) >= 4.5, row.name);
      if (row.read_only) QCOMPARE(palette.color(QPalette::Base), palette.color(QPalette::Window));
    }
    for (const auto& [name, text, top] :
         std::vector<std::tuple<const char*, QString, int>>{{"Label1", "File name", 8},
                                                            {"Label2", "Type of bin", 56},
                                                            {"Label3", "File size", 104},
                                                            {"Label4", "Disc", 152}}) {
      auto* label = window->findChild<QLabel*>(name);
      QVERIFY2(label, name);
      QCOMPARE(label->text(), text);
      QCOMPARE(label->geometry().topLeft(), QPoint(16, top));
      QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(text));
    }
    QCOMPARE(window->centralWidget()->size(), QSize(314, 247));
    // Focus: Browse first, then Convert, then the file-name box, then the boxes that only show.
    QCOMPARE(window->focusWidget(), window->command1());
    QCOMPARE(NextTabStop(window->command1()), window->command3());
    QCOMPARE(NextTabStop(window->command3()), window->text1());
    QCOMPARE(NextTabStop(window->text1()), window->text2());
    QCOMPARE(NextTabStop(window->text2()), window->text3());
    QCOMPARE(NextTabStop(window->text3()), window->text4());
    QCOMPARE(NextTabStop(window->text4()), window->command1());
    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) {
      menus << menu->text();
      for (QAction* item : menu->menu()->actions()) menus << item->text();
    }
    QCOMPARE(menus, QStringList({"&File", "E&xit", "&Options", "Integrate into &right-click menus",
                                 "Re&move right-click entries", "&Help", "&About "}));
  }

  void convertDisabledWithoutATool() {
    QTemporaryDir bare;
    window = std::make_unique<MainWindow>();
    form_window = std::make_unique<QtWindow>(*window);
    system = std::make_unique<QtSystem>(bare.filePath("vardelm"), "");
    form = std::make_unique<MainForm>(*form_window, *system);
    form->Form_Load();
    QVERIFY(!window->command3()->isEnabled());
  }

  void browseThroughTheDialog() {
    Start("");
    form->Form_Load();
    const QString path = folder.filePath("my games/1ST_READ.BIN");
    QDir().mkpath(folder.filePath("my games"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x') + "0123456789abcdefghijklmnopqrstuvwxyz");
    file.close();
    QString title;
    QStringList filters;
    form_window->run_file_dialog = [&](QFileDialog& dialog) {
      title = dialog.windowTitle();
      filters = dialog.nameFilters();
      if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        filters << model->nameFilters();
        if (model->filter() & QDir::CaseSensitive) filters << "case-sensitive";
        // A person choosing disc images in the list: their patterns take the model's.
        if (auto* kinds = dialog.findChild<QComboBox*>("fileTypeCombo")) {
          kinds->setCurrentIndex(2);
          emit kinds->activated(2);
          emit kinds->textActivated(kinds->itemText(2));
        }
        filters << model->nameFilters();
      }
      dialog.selectFile(path);
      return true;
    };
    QTest::mouseClick(window->command1(), Qt::LeftButton);
    QCOMPARE(title, QString("Open"));
    // It starts on every file Quillet reads.
    QCOMPARE(filters,
             QStringList({"Files Quillet reads (*.bin; *.elf; *.cdi; *.iso; *.gdi; *.cue; *.chd)",
                          "Dreamcast binaries (*.bin; *.elf)", "Disc images (*.cdi; *.iso; *.gdi; *.cue; *.chd)",
                          "All files (*.*)", "*.bin", "*.elf", "*.cdi", "*.iso", "*.gdi", "*.cue", "*.chd", "*.cdi",
                          "*.iso", "*.gdi", "*.cue", "*.chd"}));
    QCOMPARE(window->text1()->text(), path);
    QCOMPARE(window->text1()->cursorPosition(), path.size());  // a long path shows the file's name
    QCOMPARE(window->text2()->text(), QString("UNSCRAMBLED"));
    QCOMPARE(window->text3()->text(), QString("2. KB"));
    QCOMPARE(window->text4()->toPlainText(), QString("Not a disc image"));

    // Cancel changes nothing; the dialog opens where the last file was chosen.
    QString opened_in;
    form_window->run_file_dialog = [&](QFileDialog& dialog) {
      opened_in = dialog.directory().absolutePath();
      return false;
    };
    QTest::mouseClick(window->command1(), Qt::LeftButton);
    QCOMPARE(window->text2()->text(), QString("UNSCRAMBLED"));
    QCOMPARE(opened_in, QFileInfo(path).absolutePath());
  }

  void relabelledQuestion() {
    Start("");
    form->Form_Load();
    QStringList captions;
    bool first_is_default = false;
    AnswerNextBox([&](MessageBox& box) {
      captions = Captions(box);
      first_is_default = box.Buttons().front()->isDefault() && box.focusWidget() == box.Buttons().front();
      ButtonCaptioned(box, "&Unscrambled")->click();
    });
    QCOMPARE(form_window->AskRelabelled("Do you wish for a scrambled or unscrambled binary?",
                                        message_kind::kYesNoCancelQuestion, "Converting an ELF", form->Buttons()),
             Answer::No);
    QCOMPARE(captions, QStringList({"&Scrambled", "&Unscrambled", "Cancel"}));  // Alt+S, Alt+U
    QVERIFY(first_is_default);

    AnswerNextBox([](MessageBox& box) { ButtonCaptioned(box, "&Scrambled")->click(); });
    QCOMPARE(form_window->AskRelabelled("?", message_kind::kYesNoCancelQuestion, "Converting an ELF", form->Buttons()),
             Answer::Yes);
    AnswerNextBox([](MessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QCOMPARE(form_window->AskRelabelled("?", message_kind::kYesNoCancelQuestion, "Converting an ELF", form->Buttons()),
             Answer::Cancel);
  }

  void messageBoxTypes() {
    Start("");
    struct Row {
      MessageKind kind;
      QStringList captions;
      Answer escape;  // what Esc answers
    };
    for (const Row& row :
         std::vector<Row>{{message_kind::kOk, {"OK"}, Answer::Ok},
                          {message_kind::kCritical, {"OK"}, Answer::Ok},
                          {message_kind::kInformation, {"OK"}, Answer::Ok},
                          {message_kind::kYesNo, {"&Yes", "&No"}, Answer::No},  // declined, nothing written
                          {message_kind::kYesNoCancelQuestion, {"&Yes", "&No", "Cancel"}, Answer::Cancel}}) {
      QStringList captions;
      QString title;
      bool close_button = false, centred = false;
      AnswerNextBox([&](MessageBox& box) {
        captions = Captions(box);
        title = box.windowTitle();
        close_button = box.windowFlags() & Qt::WindowCloseButtonHint;
        // The window is not shown yet: the box stands in the screen's middle.
        centred = (box.frameGeometry().center() - box.screen()->availableGeometry().center()).manhattanLength() <= 8;
        QTest::keyClick(&box, Qt::Key_Escape);
        if (box.isVisible()) box.Buttons().back()->click();
      });
      const Answer answer = form_window->ShowMessage("text", row.kind, "");
      QCOMPARE(captions, row.captions);
      QCOMPARE(title, QString("Quillet"));
      QCOMPARE(answer, row.escape);
      QVERIFY(close_button);
      QVERIFY(centred);
    }
  }

  void startupConversionOfARealElf() {
    const QByteArray raw = Bytes(QUILLET_SH_FIXTURES "/hello.bin");
    QByteArray scrambled(raw.size(), '\0');
    Scramble({reinterpret_cast<const std::byte*>(raw.data()), static_cast<std::size_t>(raw.size())},
             {reinterpret_cast<std::byte*>(scrambled.data()), static_cast<std::size_t>(scrambled.size())});
    for (const auto& [answer, result, bytes] : std::vector<std::tuple<QString, QString, QByteArray>>{
             {"&Scrambled", "game_scrambled.bin", scrambled}, {"&Unscrambled", "game_unscrambled.bin", raw}}) {
      const QString games = folder.filePath("my games");
      QVERIFY(QDir(games).removeRecursively() && QDir().mkpath(games));
      QVERIFY(QFile::copy(QUILLET_SH_FIXTURES "/hello.elf", games + "/game.elf"));
      Start(QFile::encodeName(games + "/game.elf").toStdString());
      QString done;
      AnswerNextBox([&](MessageBox& question) {
        ButtonCaptioned(question, answer)->click();
        AnswerNextBox([&](MessageBox& message) {
          done = message.findChild<QLabel*>("text")->text();
          message.Buttons().front()->click();
        });
      });
      bool ended = false;
      try {
        form->Form_Load();
      } catch (const ProgramEnded&) {
        ended = true;
      }
      QVERIFY(ended);
      QVERIFY(!window->isVisible());
      QCOMPARE(done, "Done! game.elf has been converted to " + result + ".");
      QCOMPARE(Bytes(games + "/" + result), bytes);
      // Written as quillet convert writes it: objcopy's execute bits do not come with it.
      QVERIFY(!(QFileInfo(games + "/" + result).permissions() & QFileDevice::ExeOwner));
      QCOMPARE(QDir(games).entryList(QDir::Files | QDir::Hidden), QStringList({"game.elf", result}));
      QVERIFY(!QFile::exists(SettingsFile()));
    }
  }

  void latin1PathOnTheCommandLineIsScannedAndConverted() {
    // "café.bin" as an old disk spells it: é is the single byte 0xE9, no valid UTF-8.
    const std::string folder_bytes = QFile::encodeName(folder.filePath("latin1")).toStdString();
    const std::string path = folder_bytes + "/caf\xE9.bin", result = folder_bytes + "/caf\xE9_scrambled.bin";
    QDir().mkpath(folder.filePath("latin1"));
    std::FILE* input = std::fopen(path.c_str(), "wb");
    QVERIFY(input);
    const QByteArray raw = Bytes(QUILLET_SH_FIXTURES "/hello.bin");
    std::fwrite(raw.data(), 1, static_cast<std::size_t>(raw.size()), input);
    std::fclose(input);
    QStringList boxes;
    QTimer answer;
    AnswerEveryBox(answer, boxes);

    Start(path);
    form->Form_Load();
    QCOMPARE(window->text2()->text(), QString("UNSCRAMBLED"));
    QTest::mouseClick(window->command3(), Qt::LeftButton);
    QCOMPARE(boxes, QStringList({"Completed..."}));
    std::FILE* written = std::fopen(result.c_str(), "rb");
    QVERIFY2(written, "the result sits beside the input, under the input's own bytes");
    std::fclose(written);
    // Qt cannot name these files to remove them with the temporary folder.
    std::remove(path.c_str());
    std::remove(result.c_str());
  }

  void everyScenario() {
    const auto read = [](const char* name) { return Bytes(QUILLET_SH_FIXTURES "/" + QString(name)).toStdString(); };
    const QString place = folder.filePath("scenarios");
    for (const testing::WindowScenario& row : testing::WindowScenarios()) {
      QVERIFY(QDir(place).removeRecursively() && QDir().mkpath(place));
      const QString path = place + "/" + row.name;
      const std::string content = testing::ContentBytes(row.content, read);
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content.data(), static_cast<qint64>(content.size()));
      file.close();
      const QString earlier = row.result ? place + "/" + row.result : QString();
      if (row.earlier == testing::Earlier::kFile) {
        QFile other(earlier);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(QByteArray::fromStdString(testing::ContentBytes(testing::Content::kEarlier, read)));
      }
      if (row.earlier == testing::Earlier::kFolder) QVERIFY(QDir().mkpath(place + "/locked_unscrambled.bin"));
      Start(row.arrival == testing::Arrival::kCommandLine ? QFile::encodeName(path).toStdString() : "");
      QString question, written;
      if (row.fix) {
        TrustBootCode(DiscBootAt(path.toStdString())->boot.header.boot_code);
        AnswerNextBox([&](MessageBox& box) {
          question = box.findChild<QLabel*>("text")->text();
          ButtonCaptioned(box, "&Yes")->click();
          AnswerNextBox([&](MessageBox& done) {
            written = done.findChild<QLabel*>("text")->text();
            done.Buttons().front()->click();
          });
        });
      }
      form->Form_Load();
      if (row.fix) {
        QVERIFY2(question.endsWith("\r\n\r\nWrite a fixed copy, " + QString(row.result) + ", beside it?"),
                 qPrintable(question));
        QCOMPARE(written, QString(row.fixed) + place + "/" + row.result);
      }
      window->ShowCentred();
      if (row.arrival == testing::Arrival::kBrowse) {
        form_window->run_file_dialog = [&](QFileDialog& dialog) {
          dialog.selectFile(path);
          return true;
        };
        QTest::mouseClick(window->command1(), Qt::LeftButton);
      } else if (row.arrival == testing::Arrival::kDrop) {
        // Two files dropped: the first is taken.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(place + "/other.bin")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        // Answered before the scan runs: the dragging program never waits on a box.
        QVERIFY(drop.isAccepted());
        QCOMPARE(window->text1()->text(), QString(kInitialBoxText.data()));
        QTRY_COMPARE(window->text1()->text(), path);
      }
      QCOMPARE(window->text1()->text(), path);
      QCOMPARE(window->text2()->text(), QString(row.verdict));
      const auto shown = static_cast<std::int64_t>(testing::ShownSize(row.content, read));
      QCOMPARE(window->text3()->text(),
               QString::fromStdString(SizeText(shown, system->LocaleSeparators()) + testing::SizeOwner(row.content)));
      const std::string data = QFile::encodeName(place + "/").toStdString();
      QVERIFY2(testing::Matches(row.disc, window->text4()->toPlainText().toStdString(), data),
               qPrintable(window->text4()->toPlainText()));
      // Each box Convert brings, answered in turn.
      std::vector<std::pair<QString, QString>> said;
      std::function<void(std::size_t)> answer_from = [&](std::size_t index) {
        if (index == row.replies.size()) return;
        AnswerNextBox([&, index](MessageBox& box) {
          said.emplace_back(box.windowTitle(), box.findChild<QLabel*>("text")->text());
          answer_from(index + 1);
          const testing::Press press = row.replies[index].press;
          ButtonCaptioned(box, press == testing::Press::kOk    ? "OK"
                               : press == testing::Press::kYes ? "&Yes"
                                                               : "&No")
              ->click();
        });
      };
      if (!row.replies.empty()) {
        answer_from(0);
        QTest::mouseClick(window->command3(), Qt::LeftButton);
        QCOMPARE(said.size(), row.replies.size());
        for (std::size_t index = 0; index < said.size(); ++index) {
          QCOMPARE(said[index].first, QString(row.replies[index].title));
          QVERIFY2(testing::Matches(row.replies[index].text, said[index].second.toStdString(), data),
                   qPrintable(said[index].second));
          QVERIFY2(!said[index].second.contains(".tmp") && !said[index].second.contains(".quillet-"),
                   "no temporary file is named");
        }
      }
      // Nothing left behind but the file, and what was asked for.
      QStringList left = QDir(place).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
      left.removeAll(row.name);
      if (row.result) left.removeAll(row.result);
      if (row.earlier == testing::Earlier::kFolder) left.removeAll("locked_unscrambled.bin");
      QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
      if (row.result) {
        QCOMPARE(Bytes(place + "/" + row.result).toStdString(), testing::ContentBytes(row.result_content, read));
      }
      QCOMPARE(Bytes(path).toStdString(), content);
    }
  }

  void dropOntoTheFileNameBoxIsABrowseNotText() {
    // A file manager offers the name as text beside its URL; a name that is not UTF-8 arrives as
    // its bytes, percent-encoded.
    Start("");
    form->Form_Load();
    window->ShowCentred();
    const std::string folder_bytes = QFile::encodeName(folder.filePath("drops")).toStdString();
    QDir().mkpath(folder.filePath("drops"));
    const std::string path = folder_bytes + "/caf\xE9.bin";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    QVERIFY(file);
    const QByteArray raw = Bytes(QUILLET_SH_FIXTURES "/hello.bin");
    std::fwrite(raw.data(), 1, static_cast<std::size_t>(raw.size()), file);
    std::fclose(file);
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(
        "file://" + QByteArray(path.data(), static_cast<qsizetype>(path.size())).toPercentEncoding("/"))});
    data.setText("file://" + QString::fromLocal8Bit(path.c_str()));
    // Delivered as Qt delivers a drop: to the widget under the pointer that takes drops, or the
    // nearest of its parents that does.
    const QPoint at = window->text1()->mapTo(window.get(), window->text1()->rect().center());
    QWidget* receiver = window->childAt(at);
    QCOMPARE(receiver, static_cast<QWidget*>(window->text1()));
    while (receiver && !receiver->acceptDrops()) receiver = receiver->parentWidget();
    QVERIFY(receiver);
    const QPoint local = receiver->mapFrom(window.get(), at);
    QDragEnterEvent enter(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(local), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
    QTRY_COMPARE(form_window->BoxText(TextBox::FileName), path);
    QCOMPARE(window->text2()->text(), QString("UNSCRAMBLED"));
    std::remove(path.c_str());
  }

  void settingsOnCloseNotWhenMinimised() {
    Start("");
    form->Form_Load();
    window->ShowCentred();
    window->showMinimized();
    window->close();
    QVERIFY(!QFile::exists(SettingsFile()));

    Start("");
    form->Form_Load();
    window->ShowCentred();
    window->close();
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    for (const char* key : {"Settings/MainLeft", "Settings/MainTop", "Settings/MainWidth", "Settings/MainHeight"}) {
      bool number = false;
      settings.value(key).toString().toInt(&number);
      QVERIFY2(number, key);
    }
    QVERIFY(settings.value("Settings/MainWidth").toInt() >= 314 * 15);
  }

  // The MIME type of each file as a fresh Qt program (Dolphin) and GLib (GNOME Files, Nemo) give it.
  static QStringList TypesOf(const QStringList& files) {
    QProcess qt;
    qt.start(QUILLET_MIME_LOOKUP, files);
    qt.waitForFinished();
    QStringList types = QString::fromUtf8(qt.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (const QString& file : files) {
      QProcess gio;
      gio.start("gio", {"info", "-a", "standard::content-type", file});
      gio.waitForFinished();
      const QString said = QString::fromUtf8(gio.readAllStandardOutput());
      types << said.mid(said.indexOf("content-type: ") + 14).trimmed();
    }
    return types;
  }

  void fileManagerEntries() {
    // Files of every ending the entries serve, as they are: integration takes none of them from the
    // types the system gives them, a .bin (a CD audio track as much as a program) and an .elf (any
    // program's) above all; and an earlier version's type for .bin, which relabelled every one, goes.
    QStringList files;
    const QByteArray elf = Bytes(QUILLET_SH_FIXTURES "/hello.elf");
    for (const auto& [name, bytes] : std::vector<std::pair<QString, QByteArray>>{
             {"x.cdi", QByteArray(4096, '\x11')},
             {"x.gdi", "3\n1 0 4 2352 track01.bin 0\n"},
             {"x.cue", "FILE \"x.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"},
             {"x.chd", QByteArray("MComprHD") + QByteArray(200, '\0')},
             {"x.bin", QByteArray(4096, '\x22')},
             {"x.elf", elf}}) {
      QFile file(folder.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(bytes);
      files << file.fileName();
    }
    const QStringList before = TypesOf(files);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(data + "/mime/packages");
    QFile earlier(data + "/mime/packages/quillet-scan-dreamcast-binary.xml");
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-quillet-bin\"><comment>Dreamcast binary</comment>\n"
        "    <sub-class-of type=\"application/octet-stream\"/><glob pattern=\"*.bin\" weight=\"10\"/></mime-type>\n"
        "</mime-info>\n");
    earlier.close();
    QProcess::execute("update-mime-database", {data + "/mime"});
    Start("");
    form->Form_Load();
    QCOMPARE(AnsweredYes("mnuOptionsShell"), QStringList({QString::fromStdString(ShellQuestionText()),
                                                          "Quillet is now integrated into right-click menus."}));
    const QString program = program_folder + "/vardelm";
    const QString service = QString::fromUtf8(Bytes(data + "/kio/servicemenus/quillet-scan-dreamcast-binary.desktop"));
    QVERIFY2(service.contains("Exec=\"" + program + "\" %f\n"), qPrintable(service));
    QVERIFY(service.contains("Name=Scan Dreamcast binary\n"));
    QVERIFY(QFileInfo(data + "/kio/servicemenus/quillet-scan-dreamcast-binary.desktop").isExecutable());
    const QString script = QString::fromUtf8(Bytes(data + "/nautilus/scripts/Convert to Dreamcast binary"));
    QVERIFY2(script.contains("  *.[eE][lL][fF]) exec '" + program + "' \"$1\" ;;\n"), qPrintable(script));
    QVERIFY(QFileInfo(data + "/nautilus/scripts/Convert to Dreamcast binary").isExecutable());
    const QString action =
        QString::fromUtf8(Bytes(data + "/nemo/actions/quillet-convert-to-dreamcast-binary.nemo_action"));
    QVERIFY2(action.contains("Extensions=elf;elF;eLf;eLF;Elf;ElF;ELf;ELF;\n"), qPrintable(action));
    QVERIFY(action.contains("Exec=\"" + program + "\" %F\n"));
    const QStringList after = TypesOf(files);
    for (int index = 0; index < after.size(); ++index) {
      const QString name = QFileInfo(files[index % files.size()]).fileName();
      QVERIFY2(after[index] == before[index], qPrintable(name + ": " + before[index] + " became " + after[index]));
    }
    QVERIFY(!QFile::exists(earlier.fileName()));

    // Taken away again from the window, after a question that says what goes.
    QCOMPARE(AnsweredYes("mnuOptionsShellRemove"), QStringList({QString::fromStdString(ShellRemovalQuestionText()),
                                                                "Quillet's right-click entries have been removed."}));
    for (const char* entry :
         {"/kio/servicemenus/quillet-scan-dreamcast-binary.desktop", "/nautilus/scripts/Convert to Dreamcast binary",
          "/nemo/actions/quillet-convert-to-dreamcast-binary.nemo_action"}) {
      QVERIFY2(!QFile::exists(data + entry), qPrintable(entry));
    }

    // A folder that cannot be made: the failure is reported, not called a success.
    QVERIFY(QDir(data + "/nemo").removeRecursively());
    QFile blocker(data + "/nemo");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString reported = AnsweredYes("mnuOptionsShell").value(1);
    QVERIFY2(reported.startsWith(
                 "Quillet could not be integrated into right-click menus.\r\nScan Dreamcast binary (.bin): "),
             qPrintable(reported));
    QFile::remove(data + "/nemo");
  }
};

}  // namespace quillet

int main(int argc, char** argv) {
  // Settings and right-click entries go to folders of the test's own.
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  quillet::WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
