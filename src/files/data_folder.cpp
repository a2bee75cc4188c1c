// The data-folder rule; see data_folder.h.
#include "files/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

// The kernel's own answer for the effective user: it knows read-only mounts,
// the superuser and access lists, and asking leaves nothing behind in the
// folder (the look-up runs at every save).
bool canCreateFileIn(const QString& folder) {
  const std::string path = QFile::encodeName(folder).toStdString();
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool fileExists(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0;
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

QString userDataFolder() {
  return withSeparator(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString chooseDataFolder(const QString& programFolderPath) {
  QString program = withSeparator(programFolderPath);
  if (canCreateFileIn(program)) return program;
  QString appData = userDataFolder();
  QDir().mkpath(appData);
  return appData;
}

QString chooseReadPath(const QString& programFolderPath, const QString& fileName) {
  const QString program = withSeparator(programFolderPath);
  QString written = chooseDataFolder(program) + fileName;
  for (const QString& candidate : {written, program + fileName, userDataFolder() + fileName}) {
    if (fileExists(candidate)) return candidate;
  }
  return written;
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

QString enginesFilePath() {
  return dataFolder() + QLatin1String(kEnginesFileName);
}

QString optionsFilePath() {
  return dataFolder() + QLatin1String(kOptionsFileName);
}

QString storeFilePath() {
  return dataFolder() + QLatin1String(kStoreFileName);
}

QString proxiesFilePath() {
  return dataFolder() + QLatin1String(kProxiesFileName);
}

namespace {
QString readPath(const char* name) {
  if (!overrideFolder().isEmpty()) return withSeparator(overrideFolder()) + QLatin1String(name);
  return chooseReadPath(programFolder(), QLatin1String(name));
}
}  // namespace

QString progressReadPath() {
  return readPath(kProgressFileName);
}

QString keywordReadPath() {
  return readPath(kKeywordFileName);
}

QString enginesReadPath() {
  return readPath(kEnginesFileName);
}

QString optionsReadPath() {
  return readPath(kOptionsFileName);
}

}  // namespace valo::files
