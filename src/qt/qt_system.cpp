#include "qt/qt_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include "app/texts.h"
#include "qt/utf8.h"
#include "shell/file_manager_entries.h"
#include "util/run_time_error.h"

namespace quillet {

std::string CommandLineText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

std::string QtSystem::ExecutableFolder() {
  return QFile::encodeName(QFileInfo(executable_path_).absolutePath()).toStdString();
}

std::string QtSystem::ExecutableName() { return QFileInfo(executable_path_).completeBaseName().toStdString(); }

NumberSeparators QtSystem::LocaleSeparators() {
  const QLocale locale;
  return {locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
}

void QtSystem::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  // ~/.config/Quillet/Quillet.ini, section [Settings].
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, FromUtf8(kApplicationTitle),
                     FromUtf8(kApplicationTitle));
  settings.beginGroup(QString::fromStdString(section));
  settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    throw RunTimeError(error::kPathFileAccessError,
                       "The settings file could not be written: " + settings.fileName().toStdString());
  }
}

namespace {

// Rebuilds the user's MIME database, which file managers read the entries' types from; where the tool
// is missing, Qt-based ones read the package files themselves.
void UpdateMimeDatabase(const QString& data) { QProcess::execute("update-mime-database", {data + "/mime"}); }

// Removes the file at `path` under the data folder, if it is there; true when there was one.
bool RemoveDataFile(const QString& data, const std::string& path) {
  QFile file(data + '/' + QString::fromStdString(path));
  if (!file.exists()) return false;
  if (!file.remove()) {
    throw RunTimeError(error::kPathFileAccessError, "Path/File access error: " + file.fileName().toStdString() +
                                                        " could not be removed (" + file.errorString().toStdString() +
                                                        ")");
  }
  return true;
}

}  // namespace

void QtSystem::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string&) {
  // The entries start the program itself, by its full path, with the clicked file's path.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const ShellVerb entry{extension, verb};
  if (!WritesFileManagerEntries(entry)) return;
  const QMimeDatabase types;
  const auto system_knows = [&types](std::string_view name) {
    return types.mimeTypeForName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))).isValid();
  };
  bool types_brought = false;
  for (const FileManagerEntry& file : FileManagerEntries(entry, executable_path_.toStdString(), system_knows)) {
    const QString path = data + '/' + QString::fromStdString(file.path);
    types_brought = types_brought || file.path == MimePackagePath(entry);
    QSaveFile out(path);
    const bool written = QDir().mkpath(QFileInfo(path).absolutePath()) && out.open(QIODevice::WriteOnly) &&
                         out.write(file.content.data(), static_cast<qint64>(file.content.size())) ==
                             static_cast<qint64>(file.content.size()) &&
                         (!file.executable || out.setPermissions(out.permissions() | QFileDevice::ExeOwner |
                                                                 QFileDevice::ExeGroup | QFileDevice::ExeOther)) &&
                         out.commit();
    if (!written) {
      throw RunTimeError(error::kPathFileAccessError, "Path/File access error: " + path.toStdString() +
                                                          " could not be written (" + out.errorString().toStdString() +
                                                          ")");
    }
  }
  // An earlier version's types for .bin and .elf relabelled every such file: they go.
  if (!types_brought) types_brought = RemoveDataFile(data, MimePackagePath(entry));
  if (types_brought) UpdateMimeDatabase(data);
}

void QtSystem::RemoveShellVerb(const std::string& extension, const std::string& verb) {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  const ShellVerb entry{extension, verb};
  if (!WritesFileManagerEntries(entry)) return;
  bool types_removed = false;
  for (const std::string& path : FileManagerFiles(entry)) {
    const bool removed = RemoveDataFile(data, path);
    if (removed && path == MimePackagePath(entry)) types_removed = true;
  }
  if (types_removed) UpdateMimeDatabase(data);
}

}  // namespace quillet
