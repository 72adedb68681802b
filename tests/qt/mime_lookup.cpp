// Prints the MIME type Qt's database gives each named file, a line each, as Dolphin and every Qt
// program would see it: a fresh process reads the database as it is now.
//   mime_lookup FILE...
#include <QCoreApplication>
#include <QMimeDatabase>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QMimeDatabase types;
  for (int index = 1; index < argc; ++index) {
    std::printf("%s\n", types.mimeTypeForFile(QString::fromLocal8Bit(argv[index])).name().toUtf8().constData());
  }
}
