// POSIX implementation of the atomic replace; see atomic_file.h. Plain system
// calls rather than QSaveFile because the error texts shown to the user are
// derived from the exact errno of the failing step.
#include "files/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <random>

#include "files/posix_io.h"

namespace valo::files {
namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string localPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

AtomicFile::AtomicFile(const QString& path) {
  // A link names the file the user keeps elsewhere: replace that file, not the link.
  const QFileInfo info(path);
  const QString resolved =
      info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
  target_ = localPath(resolved);
}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

int AtomicFile::open() {
  if (fd_ >= 0) return EBUSY;
  mode_t mode = 0666;
  struct stat old {};
  const bool exists = ::stat(target_.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) return EISDIR;
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    mode = old.st_mode & 07777;
  }
  // Seeded once per thread: opening the random device and seeding a fresh
  // generator cost more than the rest of a small save. O_EXCL settles a clash.
  thread_local std::mt19937 rng(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = target_ + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                 forcedMode_ >= 0 ? static_cast<mode_t>(forcedMode_) : mode_t{0666});
    if (fd_ >= 0) break;
    if (errno != EEXIST) {
      const int err = errno;
      temp_.clear();
      return err;
    }
  }
  if (fd_ < 0) {
    temp_.clear();
    return EEXIST;
  }
  // Held until the file is closed: a starting program removes only fresh
  // files nobody holds (see stale_temp_files.h).
  ::flock(fd_, LOCK_EX | LOCK_NB);
  if (forcedMode_ >= 0) {
    // Created with no more than the mode; fchmod gives exactly it.
    if (::fchmod(fd_, static_cast<mode_t>(forcedMode_)) != 0) {
      const int err = errno;
      discard();
      return err;
    }
  } else if (exists) {
    ::fchmod(fd_, mode);  // keep the user's permissions; best effort
  }
  return 0;
}

int AtomicFile::write(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  return writeAll(fd_, bytes);
}

int AtomicFile::commit() {
  if (fd_ < 0) return EBADF;
  if (::fsync(fd_) != 0) {
    const int err = errno;
    discard();
    return err;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    const int err = errno;
    discard();
    return err;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    discard();
    return err;
  }
  committed_ = true;
  temp_.clear();
  // The rename itself must reach the disk too, or a crash could bring the old file back.
  syncFolder(folderOf(target_));
  return 0;
}

void AtomicFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

BufferedWriter::BufferedWriter(AtomicFile& file, std::size_t capacity) : file_(file), capacity_(capacity) {
  buffer_.reserve(capacity_);
}

void BufferedWriter::append(std::string_view bytes) {
  if (error_ != 0) return;
  if (buffer_.size() + bytes.size() > capacity_) {
    error_ = file_.write(buffer_);
    buffer_.clear();
    if (error_ != 0) return;
    if (bytes.size() > capacity_) {
      error_ = file_.write(bytes);
      return;
    }
  }
  buffer_.append(bytes);
}

int BufferedWriter::flush() {
  if (error_ == 0 && !buffer_.empty()) error_ = file_.write(buffer_);
  buffer_.clear();
  return error_;
}

int readWholeFile(const QString& path, std::string& out, bool& openFailed) {
  out.clear();
  openFailed = false;
  const std::string local = localPath(path);
  const int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    openFailed = true;
    return errno;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) out.reserve(static_cast<std::size_t>(st.st_size) + 1);
  int err = 0;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return err;
}

}  // namespace valo::files
