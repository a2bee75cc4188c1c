// The merge's file work: every source read into one buffer, whose distinct
// lines (distinct_lines.h) are written to the target. See number_merge.h.
#include "files/number_merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "files/atomic_file.h"
#include "files/io_error.h"
#include "files/line_order.h"

namespace valo::files {
namespace {

struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  QString path;
};

FileIdentity identify(const QString& path) {
  FileIdentity id;
  const QFileInfo info(path);
  struct stat st {};
  if (::stat(localPath(info.absoluteFilePath()).c_str(), &st) == 0) {
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
  }
  id.path = info.canonicalFilePath();
  if (id.path.isEmpty()) {
    // Not there yet: resolve the folder it would be created in.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    id.path = folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                               : QDir::cleanPath(folder + QLatin1Char('/') + info.fileName());
  }
  return id;
}

GbkString displayPath(const QString& path) {
  return toGbk(QDir::toNativeSeparators(path));
}

}  // namespace

bool targetIsAmongSources(const QStringList& sources, const QString& target) {
  const FileIdentity t = identify(target);
  for (const QString& source : sources) {
    const FileIdentity s = identify(source);
    if (t.exists && s.exists && t.device == s.device && t.inode == s.inode) return true;
    if (t.path == s.path) return true;
  }
  return false;
}

MergeOutcome MergeNumberLists(const QStringList& sources, const QString& target) {
  MergeOutcome outcome;
  if (sources.isEmpty()) return outcome;
  AtomicFile out(target);
  if (out.open() != 0) {
    outcome.error = AppError(formatMessage("Cannot create file %s", displayPath(target)));
    return outcome;
  }

  // One allocation for all sources (plus a read chunk), so the buffer never
  // doubles on the way.
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  std::size_t expected = 0;
  for (const QString& source : sources) {
    struct stat st {};
    if (::stat(localPath(source).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      expected += static_cast<std::size_t>(st.st_size);
    }
  }
  std::string text;
  text.reserve(expected + kChunk + 1);
  bool zeroSeen = false;  // the text ends there; later bytes are read only to find errors
  std::unique_ptr<char[]> discard;
  for (const QString& source : sources) {
    const int fd = ::open(localPath(source).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      outcome.error = AppError(formatMessage("Cannot open file %s", displayPath(source)));
      break;
    }
    const std::size_t sourceStart = text.size();
    bool readFailed = false;
    for (;;) {
      ssize_t n;
      if (zeroSeen) {
        if (!discard) discard.reset(new char[kChunk]);
        n = ::read(fd, discard.get(), kChunk);
      } else {
        const std::size_t before = text.size();
        text.resize(before + kChunk);
        n = ::read(fd, text.data() + before, kChunk);
        text.resize(before + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) readFailed = true;
      if (n <= 0) break;
    }
    ::close(fd);
    if (!zeroSeen && std::memchr(text.data() + sourceStart, '\0', text.size() - sourceStart) != nullptr) {
      zeroSeen = true;
    }
    if (readFailed) {
      outcome.error = AppError("Stream read error");
      break;
    }
  }

  const LineOrder order;
  BufferedWriter writer(out);
  outcome.lineCount = sortDistinctLines(text, order, [&writer](std::string_view line) {
    writer.append(line);
    writer.append("\r\n");
  });
  std::string().swap(text);
  if (const int err = writer.flush(); err != 0) {
    out.discard();
    outcome.error = AppError("Stream write error");
    return outcome;
  }
  if (const int err = out.commit(); err != 0) {
    const int code = ioErrorCode(err);
    outcome.error = code == kIoDiskFull || err == EIO
                        ? AppError("Stream write error")
                        : AppError(formatMessage("Cannot create file %s", displayPath(target)));
    return outcome;
  }
  outcome.targetWritten = true;
  return outcome;
}

}  // namespace valo::files
