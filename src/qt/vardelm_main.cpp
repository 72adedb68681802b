// vardelm: Quillet's window on Linux.
#include <QApplication>
#include <string>

#include "app/main_form.h"
#include "qt/main_window.h"
#include "qt/qt_system.h"
#include "qt/qt_window.h"

int main(int argc, char** argv) {
  // Read before QApplication takes the options it knows (-style, -platform...) out of argv: the
  // path arrives as it was given.
  const std::string command_line = quillet::CommandLineText(argc, argv);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Quillet");
  QApplication::setWindowIcon(QIcon(":/quillet.png"));

  quillet::MainWindow window;
  quillet::QtWindow form_window(window);
  quillet::QtSystem system(QApplication::applicationFilePath(), command_line);
  quillet::MainForm form(form_window, system);
  window.Attach(form);
  // Runs before the window is first shown, and may end the program at once.
  form.Form_Load();
  window.ShowCentred();
  return QApplication::exec();
}
