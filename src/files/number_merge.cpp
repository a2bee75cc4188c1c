// The merge: one buffer holding every byte, a compact array of line entries
// sorted in O(n log n), equal neighbours dropped keeping the earliest. This
// gives the same lines in the same order as filling a sorted list one line at
// a time, without its quadratic moves. See number_merge.h.
#include "files/number_merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

#include "files/atomic_file.h"
#include "files/io_error.h"
#include "files/line_order.h"

namespace valo::files {
namespace {

// One line: its start in the buffer and its packed prefix key.
// 12 bytes per line while the buffer is below 4 GiB, which keeps 20 million
// short lines well inside twice the input's size.
struct Entry32 {
  std::uint32_t keyHigh, keyLow, start;
  std::uint64_t key() const { return std::uint64_t{keyHigh} << 32 | keyLow; }
  std::size_t offset() const { return start; }
  void set(std::uint64_t key, std::size_t offset) {
    keyHigh = static_cast<std::uint32_t>(key >> 32);
    keyLow = static_cast<std::uint32_t>(key);
    start = static_cast<std::uint32_t>(offset);
  }
};
struct Entry64 {
  std::uint64_t packedKey, start;
  std::uint64_t key() const { return packedKey; }
  std::size_t offset() const { return start; }
  void set(std::uint64_t key, std::size_t offset) {
    packedKey = key;
    start = offset;
  }
};

// Cuts at the first zero byte and rewrites every line end (CR LF, CR, LF) as
// a single '\n' in place, so that each line ends at a '\n'; a last line
// without a line end gets one. Returns the number of lines.
std::size_t terminateLines(std::string& text) {
  if (const void* zero = std::memchr(text.data(), '\0', text.size()); zero != nullptr) {
    text.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
  }
  if (std::memchr(text.data(), '\r', text.size()) != nullptr) {
    std::size_t out = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
      char c = text[i];
      if (c == '\r') {
        c = '\n';
        if (i + 1 < n && text[i + 1] == '\n') ++i;
      }
      text[out++] = c;
    }
    text.resize(out);
  }
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Packs the start of a fast line into 63 bits whose order is the collator's.
// The ranks are renumbered over the bytes the text actually holds, so that a
// digits-and-dashes list spends 4 bits per byte and most fax numbers fit in
// the key whole; the top bit marks a fast line.
class PrefixPacker {
 public:
  static constexpr std::uint64_t kFlag = std::uint64_t{1} << 63;

  PrefixPacker(const LineOrder& order, std::string_view text) {
    if (!order.fastPathEnabled()) return;
    std::array<bool, 256> present{};
    for (const char c : text) present[static_cast<unsigned char>(c)] = true;
    std::array<bool, 256> rankUsed{};
    for (int c = 0x20; c <= 0x7E; ++c) {
      if (present[c]) rankUsed[order.rank(static_cast<unsigned char>(c))] = true;
    }
    std::array<std::uint8_t, 256> denseOfRank{};
    int used = 0;
    for (int r = 1; r < 256; ++r) {
      if (rankUsed[r]) denseOfRank[r] = static_cast<std::uint8_t>(++used);
    }
    for (int c = 0x20; c <= 0x7E; ++c) dense_[c] = denseOfRank[order.rank(static_cast<unsigned char>(c))];
    bits_ = std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(used))));
    chars_ = 63 / bits_;
    lastSlotMask_ = (std::uint64_t{1} << bits_) - 1;
    enabled_ = true;
  }

  // 0 for a line that is not fast (or when the fast path is off).
  std::uint64_t key(const char* line) const {
    if (!enabled_) return 0;
    std::uint64_t key = 0;
    for (int i = 0;; ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (c == '\n') break;
      if (!LineOrder::isFastByte(c)) return 0;
      if (i < chars_) key |= std::uint64_t{dense_[c]} << (bits_ * (chars_ - 1 - i));
    }
    return key | kFlag;
  }
  // Equal keys whose last slot is empty belong to lines that ended inside the key.
  bool endsInside(std::uint64_t key) const { return (key & lastSlotMask_) == 0; }
  std::size_t chars() const { return static_cast<std::size_t>(chars_); }

 private:
  std::array<std::uint8_t, 256> dense_{};
  int bits_ = 7;
  int chars_ = 9;
  std::uint64_t lastSlotMask_ = 0;
  bool enabled_ = false;
};

template <class Entry>
std::int64_t sortEntries(const std::string& text, std::size_t lineCount, const LineOrder& order,
                         const std::function<void(std::string_view)>& sink) {
  std::unique_ptr<Entry[]> entries(new Entry[lineCount]);
  const PrefixPacker packer(order, text);
  const char* base = text.data();
  std::size_t pos = 0;
  for (std::size_t i = 0; i < lineCount; ++i) {
    entries[i].set(packer.key(base + pos), pos);
    pos = static_cast<std::size_t>(
              static_cast<const char*>(std::memchr(base + pos, '\n', text.size() - pos)) - base) +
          1;
  }
  auto lineAt = [base](std::size_t offset) {
    const char* start = base + offset;
    const char* end = static_cast<const char*>(::rawmemchr(start, '\n'));
    return std::string_view(start, static_cast<std::size_t>(end - start));
  };
  auto compareLines = [&](const Entry& a, const Entry& b) {
    const std::uint64_t ka = a.key(), kb = b.key();
    if ((ka & kb) & PrefixPacker::kFlag) {
      if (ka != kb) return ka < kb ? -1 : 1;
      if (packer.endsInside(ka)) return 0;
      return order.compareFastFrom(base + a.offset(), base + b.offset(), packer.chars());
    }
    return order.compare(lineAt(a.offset()), lineAt(b.offset()));
  };
  // Ties go to the earlier line, so each group of equal lines starts with the
  // one a sorted list filled in text order would have kept.
  std::sort(entries.get(), entries.get() + lineCount, [&](const Entry& a, const Entry& b) {
    const int c = compareLines(a, b);
    return c != 0 ? c < 0 : a.offset() < b.offset();
  });
  std::int64_t kept = 0;
  for (std::size_t i = 0; i < lineCount; ++i) {
    if (i > 0 && compareLines(entries[i - 1], entries[i]) == 0) continue;
    sink(lineAt(entries[i].offset()));
    ++kept;
  }
  return kept;
}

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

std::int64_t sortDistinctLines(std::string& text, const LineOrder& order,
                               const std::function<void(std::string_view)>& sink) {
  const std::size_t lines = terminateLines(text);
  if (lines == 0) return 0;
  if (text.size() <= UINT32_MAX) return sortEntries<Entry32>(text, lines, order, sink);
  return sortEntries<Entry64>(text, lines, order, sink);
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
