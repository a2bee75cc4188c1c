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
  closeFile();
}

void ResultAutosave::closeFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void ResultAutosave::begin() {
  closeFile();
  searchTime_ = now_();
  searching_ = true;
  path_.clear();
  intendedPath_.clear();
  pending_.clear();
  reported_ = false;
}

void ResultAutosave::add(std::string_view number) {
  if (!searching_) return;
  pending_.append(number);
  pending_.append("\r\n");
}

int ResultAutosave::openFile() {
  const QString folder = dataFolder_() + QString::fromUtf8(kAutosaveFolderName);
  const QString name = autosaveFileName(searchTime_);
  intendedPath_ = folder + QLatin1Char('/') + name;
  if (::mkdir(encoded(folder).c_str(), 0755) != 0 && errno != EEXIST) return errno;
  for (int n = 1; n <= kMaxNameTries; ++n) {
    QString candidate = intendedPath_;
    if (n > 1) candidate.insert(candidate.size() - 4, QLatin1Char('-') + QString::number(n));
    const int fd =
        ::open(encoded(candidate).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      fd_ = fd;
      path_ = candidate;
      // The new name must survive a power cut too, not only the numbers.
      syncFolder(encoded(folder));
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

std::optional<GbkString> ResultAutosave::flush() {
  if (!searching_ || pending_.empty()) return std::nullopt;
  int err = fd_ < 0 ? openFile() : 0;
  std::size_t done = 0;
  if (err == 0) err = writeAll(fd_, pending_, &done);
  // What reached the file stays there; the rest waits for the next page.
  pending_.erase(0, done);
  if (err == 0 && ::fdatasync(fd_) != 0) err = errno;
  if (err == 0 || reported_) return std::nullopt;
  reported_ = true;
  const QString named = path_.isEmpty() ? intendedPath_ : path_;
  return gbk("搜索结果自动保存失败（") + reasonFor(err) + gbk("）：") +
         toGbk(QDir::toNativeSeparators(named));
}

}  // namespace valo::files
