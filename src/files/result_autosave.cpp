// The per-search result file; see result_autosave.h.
#include "files/result_autosave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>

#include "files/io_error.h"
#include "files/posix_io.h"
#include "text/app_error.h"

namespace valo::files {
namespace {

// Two searches started within one second must not share a file: the later
// one takes the next free name, "…-093015-2.txt" and so on.
constexpr int kMaxNameTries = 100;

std::string encoded(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

GbkString reasonFor(int err) {
  switch (ioErrorCode(err)) {
    case kIoAccessDenied:
      return gbk("没有写入权限");
    case kIoDiskFull:
      return gbk("磁盘空间不足");
    default:
      return gbk("写入错误 ") + intToStr(err);
  }
}

}  // namespace

QString autosaveFileName(const QDateTime& searchTime) {
  return QStringLiteral("搜索结果-") + searchTime.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
         QStringLiteral(".txt");
}

ResultAutosave::ResultAutosave(std::function<QString()> dataFolder, std::function<QDateTime()> now)
    : dataFolder_(std::move(dataFolder)), now_(std::move(now)) {}

ResultAutosave::~ResultAutosave() {
  closeFile(current_);
  for (SearchFile& file : owed_) closeFile(file);
}

void ResultAutosave::closeFile(SearchFile& file) {
  if (file.fd >= 0) ::close(file.fd);
  file.fd = -1;
}

void ResultAutosave::begin() {
  // A new search never costs the last one a number.
  if (current_.pending.empty()) {
    closeFile(current_);
  } else {
    owed_.push_back(std::move(current_));
  }
  current_ = SearchFile{};
  current_.time = now_();
  searching_ = true;
}

void ResultAutosave::add(std::string_view number) {
  if (!searching_) return;
  current_.pending.append(number);
  current_.pending.append("\r\n");
}

int ResultAutosave::openFile(SearchFile& file) {
  const QString data = dataFolder_();
  const QString folder = data + QString::fromUtf8(kAutosaveFolderName);
  file.intendedPath = folder + QLatin1Char('/') + autosaveFileName(file.time);
  if (::mkdir(encoded(folder).c_str(), 0755) == 0) {
    // The new folder's own entries, then its name in the data folder.
    syncFolder(encoded(folder));
    syncFolder(encoded(data));
  } else if (errno != EEXIST) {
    return errno;
  }
  for (int n = 1; n <= kMaxNameTries; ++n) {
    QString candidate = file.intendedPath;
    if (n > 1) candidate.insert(candidate.size() - 4, QLatin1Char('-') + QString::number(n));
    // No O_APPEND: bytes a failed flush may have half written are written
    // again at the same place, never a second time after them.
    const int fd = ::open(encoded(candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      file.fd = fd;
      file.path = candidate;
      // The new name must survive a power cut too, not only the numbers.
      syncFolder(encoded(folder));
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int ResultAutosave::flushFile(SearchFile& file) {
  if (file.pending.empty()) return 0;
  int err = file.fd < 0 ? openFile(file) : 0;
  if (err == 0) err = writeAllAt(file.fd, file.pending, file.synced);
  if (err == 0 && ::fdatasync(file.fd) != 0) err = errno;
  if (err != 0) return err;
  file.synced += static_cast<off_t>(file.pending.size());
  file.pending.clear();
  return 0;
}

GbkString ResultAutosave::report(const SearchFile& file, int err) const {
  const QString named = file.path.isEmpty() ? file.intendedPath : file.path;
  return gbk("搜索结果自动保存失败（") + reasonFor(err) + gbk("）：") + toGbk(QDir::toNativeSeparators(named));
}

std::optional<GbkString> ResultAutosave::flush() {
  std::optional<GbkString> failure;
  for (SearchFile& file : owed_) {
    if (const int err = flushFile(file); err != 0 && !failure) failure = report(file, err);
  }
  std::erase_if(owed_, [](SearchFile& file) {
    if (!file.pending.empty()) return false;
    closeFile(file);
    return true;
  });
  if (searching_) {
    if (const int err = flushFile(current_); err != 0 && !failure) failure = report(current_, err);
  }
  return failure;
}

}  // namespace valo::files
