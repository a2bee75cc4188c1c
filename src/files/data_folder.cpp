// The data-folder rule; see data_folder.h.
#include "files/data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <string>

namespace valo::files {
namespace {

QString& overrideFolder() {
  static QString folder;
  return folder;
}

QString withSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// Permission bits do not tell the whole story (read-only mounts, the
// superuser, access lists), so the test is an actual file creation.
bool canCreateFileIn(const QString& folder) {
  const std::string probe =
      QFile::encodeName(folder).toStdString() + ".valo-write-probe-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace

QString programFolder() {
  QString dir;
  if (QCoreApplication::instance() != nullptr) {
    dir = QCoreApplication::applicationDirPath();
  } else {
    dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    dir = QFileInfo(dir).absolutePath();
  }
  return withSeparator(QDir::cleanPath(dir));
}

QString chooseDataFolder(const QString& programFolderPath) {
  const QString program = withSeparator(programFolderPath);
  if (canCreateFileIn(program)) return program;
  const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(appData);
  return withSeparator(appData);
}

QString dataFolder() {
  if (!overrideFolder().isEmpty()) return withSeparator(overrideFolder());
  return chooseDataFolder(programFolder());
}

void setDataFolderOverride(const QString& folder) {
  overrideFolder() = folder;
}

QString progressFilePath() {
  return dataFolder() + QLatin1String(kProgressFileName);
}

QString keywordFilePath() {
  return dataFolder() + QLatin1String(kKeywordFileName);
}

}  // namespace valo::files
