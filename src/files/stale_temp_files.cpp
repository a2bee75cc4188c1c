// The start-up clean-up of the atomic replace's leftovers; see stale_temp_files.h.
#include "files/stale_temp_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <cerrno>

#include "files/data_folder.h"

namespace valo::files {
namespace {

// What AtomicFile names its fresh copies: the target, ".tmp", the writer's
// process id, "-" and a number below a million.
const QRegularExpression& ownTemporaryName() {
  static const QRegularExpression pattern(QStringLiteral("^(?:%1|%2)\\.tmp([0-9]{1,10})-[0-9]{1,6}$")
                                              .arg(QRegularExpression::escape(QString::fromUtf8(kProgressFileName)),
                                                   QRegularExpression::escape(QString::fromUtf8(kKeywordFileName))));
  return pattern;
}

bool processRuns(long long pid) {
  if (pid <= 0 || pid > 0x7fffffff) return false;
  if (pid == ::getpid()) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes the file only while holding its lock, and only if the name still
// leads to the file that was locked.
bool removeUnlocked(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool removed = false;
  struct stat held {};
  struct stat named {};
  if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
    removed = ::unlink(path.c_str()) == 0;
  }
  ::close(fd);
  return removed;
}

}  // namespace

int removeStaleTemporaryFiles(const QStringList& folders) {
  int removed = 0;
  for (const QString& folder : folders) {
    if (folder.isEmpty()) continue;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
      const QRegularExpressionMatch match = ownTemporaryName().match(name);
      if (!match.hasMatch() || processRuns(match.captured(1).toLongLong())) continue;
      removed += removeUnlocked(QFile::encodeName(dir.filePath(name)).toStdString());
    }
  }
  return removed;
}

int removeStaleTemporaryFiles() {
  QStringList folders{programFolder(), userDataFolder(), dataFolder()};
  folders.removeDuplicates();
  return removeStaleTemporaryFiles(folders);
}

}  // namespace valo::files
