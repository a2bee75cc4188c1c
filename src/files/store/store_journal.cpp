// See store_journal.h. A batch is written as
//   VALO-BATCH <key> <payload bytes>\n<payload>VALO-END <key>\n
// with the payload one record a line, fields split by tabs and the bytes
// \ TAB LF CR escaped, so any page line survives the round trip.
#include "files/store/store_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "files/posix_io.h"

namespace valo::files::store {
namespace {

void putField(std::string& out, std::string_view field) {
  out += '\t';
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

void putInt(std::string& out, std::int64_t v) {
  putField(out, std::to_string(v));
}

// Splits a record line into unescaped fields; the first is its tag.
std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      out.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char e = line[++i];
      out.back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      out.back() += c;
    }
  }
  return out;
}

bool toInt(const std::string& text, std::int32_t& v) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string errorText(int err) {
  return std::strerror(err);
}

}  // namespace

std::string encodeBatch(const RecordBatch& b) {
  std::string out = "S";
  const SearchRecord& s = b.search;
  for (const std::string* f : {&s.runKey, &s.startedAt, &s.engine, &s.endedAt, &s.endText}) putField(out, *f);
  for (std::int64_t v : {s.pauseSeconds, s.startLine, s.pagesRead, s.refusals, s.numbersListed})
    putInt(out, v);
  putInt(out, s.ended ? 1 : 0);
  out += "\nP";
  const PageRecord& p = b.page;
  putInt(out, b.hasPage ? 1 : 0);
  for (const std::string* f : {&p.keyword, &p.engine, &p.address, &p.seenAt}) putField(out, *f);
  putInt(out, p.keywordLine);
  putInt(out, p.pageNumber);
  out += '\n';
  // Each line once, before the rows that were read from it.
  const RecordBatch::Row* lineOf = nullptr;
  std::int64_t lines = -1;
  for (const RecordBatch::Row& r : b.rows()) {
    if (lineOf == nullptr || !r.sameLine(*lineOf)) {
      out += 'L';
      putField(out, b.lineText(r));
      out += '\n';
      ++lines;
      lineOf = &r;
    }
    out += 'R';
    putField(out, b.number(r));
    putInt(out, static_cast<int>(r.what()));
    putInt(out, lines);
    out += '\n';
  }
  return out;
}

bool decodeBatch(std::string_view payload, RecordBatch& b) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < payload.size()) {
    const std::size_t end = payload.find('\n', start);
    if (end == std::string_view::npos) return false;
    std::vector<std::string> f = fields(payload.substr(start, end - start));
    start = end + 1;
    const std::string& tag = f[0];
    if (tag == "S" && f.size() == 12) {
      SearchRecord& s = b.search;
      s.runKey = f[1], s.startedAt = f[2], s.engine = f[3], s.endedAt = f[4], s.endText = f[5];
      std::int32_t ended = 0;
      if (!toInt(f[6], s.pauseSeconds) || !toInt(f[7], s.startLine) || !toInt(f[8], s.pagesRead) ||
          !toInt(f[9], s.refusals) || !toInt(f[10], s.numbersListed) || !toInt(f[11], ended))
        return false;
      s.ended = ended != 0;
    } else if (tag == "P" && f.size() == 8) {
      std::int32_t has = 0;
      PageRecord& p = b.page;
      p.keyword = f[2], p.engine = f[3], p.address = f[4], p.seenAt = f[5];
      if (!toInt(f[1], has) || !toInt(f[6], p.keywordLine) || !toInt(f[7], p.pageNumber)) return false;
      b.hasPage = has != 0;
    } else if (tag == "L" && f.size() == 2) {
      lines.push_back(std::move(f[1]));
    } else if (tag == "R" && f.size() == 4) {
      std::int32_t what = 0, line = 0;
      if (!toInt(f[2], what) || !toInt(f[3], line) || line < 0 ||
          static_cast<std::size_t>(line) >= lines.size() || what < 0 || what > 2)
        return false;
      b.addStored(f[1], lines[static_cast<std::size_t>(line)], static_cast<harvest::Sighting>(what));
    } else {
      return false;
    }
  }
  return true;
}

WaitingJournal::WaitingJournal(std::string path) : path_(std::move(path)) {}

WaitingJournal::~WaitingJournal() {
  if (fd_ >= 0) ::close(fd_);
}

bool WaitingJournal::lock() {
  if (fd_ >= 0) return true;
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    errno = EWOULDBLOCK;
    return false;
  }
  fd_ = fd;
  return true;
}

void WaitingJournal::remove() {
  ::unlink(path_.c_str());
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::vector<std::unique_ptr<WaitingJournal>> WaitingJournal::takeOverLeftJournals(
    const std::string& storePath, const std::string& ownPath) {
  std::vector<std::unique_ptr<WaitingJournal>> out;
  const std::size_t slash = storePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : storePath.substr(0, slash);
  const std::string prefix =
      (slash == std::string::npos ? storePath : storePath.substr(slash + 1)) + "-waiting";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return out;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.starts_with(prefix) || name.ends_with(".unreadable")) continue;
    const std::string path = folder + "/" + name;
    if (path == ownPath) continue;
    auto journal = std::make_unique<WaitingJournal>(path);
    // A journal still locked belongs to a program that is running.
    if (journal->lock()) out.push_back(std::move(journal));
  }
  ::closedir(dir);
  return out;
}

std::string WaitingJournal::append(RecordBatch& batch) {
  const std::uint64_t id = QRandomGenerator::system()->generate64();
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(id));
  const std::string payload = encodeBatch(batch);
  const std::string block = "VALO-BATCH " + std::string(key) + " " + std::to_string(payload.size()) + "\n" +
                            payload + "VALO-END " + key + "\n";
  if (!lock()) return errorText(errno);
  struct stat before {};
  ::fstat(fd_, &before);
  int err = writeAllAt(fd_, block, before.st_size);
  if (err == 0 && ::fdatasync(fd_) != 0) err = errno;
  // A block that did not reach the disk whole is taken back, so the next
  // append does not follow a torn one.
  if (err != 0 && ::ftruncate(fd_, before.st_size) == 0) ::fdatasync(fd_);
  if (err != 0) return errorText(err);
  if (before.st_size == 0) {
    const std::size_t slash = path_.rfind('/');
    syncFolder(slash == std::string::npos ? "." : path_.substr(0, slash));
  }
  batch.journalKey = key;
  return {};
}

std::vector<RecordBatch> WaitingJournal::readAll() {
  std::vector<RecordBatch> out;
  if (fd_ < 0 && ::access(path_.c_str(), F_OK) != 0) return out;
  if (!lock()) return out;
  const int fd = fd_;
  ::lseek(fd, 0, SEEK_SET);
  std::string bytes;
  char buffer[1 << 16];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<std::size_t>(n));
  std::size_t at = 0;
  bool torn = false;  // the file ends inside a batch: a kill during an append
  while (at < bytes.size()) {
    const std::size_t headEnd = bytes.find('\n', at);
    if (headEnd == std::string::npos) {
      torn = true;
      break;
    }
    const std::string_view head(bytes.data() + at, headEnd - at);
    if (head.substr(0, 11) != "VALO-BATCH " || head.size() < 29) break;
    const std::string key(head.substr(11, 16));
    std::size_t size = 0;
    const std::string_view count = head.substr(28);
    if (std::from_chars(count.data(), count.data() + count.size(), size).ec != std::errc()) break;
    const std::size_t payloadAt = headEnd + 1;
    const std::string tail = "VALO-END " + key + "\n";
    if (payloadAt + size + tail.size() > bytes.size()) {
      torn = true;
      break;
    }
    if (bytes.compare(payloadAt + size, tail.size(), tail) != 0) break;
    RecordBatch batch;
    if (!decodeBatch(std::string_view(bytes).substr(payloadAt, size), batch)) break;
    batch.journalKey = key;
    out.push_back(std::move(batch));
    at = payloadAt + size + tail.size();
  }
  if (at < bytes.size() && torn) {
    if (::ftruncate(fd, static_cast<off_t>(at)) == 0) ::fdatasync(fd);
  } else if (at < bytes.size()) {
    // Not the program's own writing: the file is kept whole under another
    // name for the user, and what could be read goes on to the store.
    ::rename(path_.c_str(), (path_ + ".unreadable").c_str());
    ::close(fd_);
    fd_ = -1;
  }
  return out;
}

std::string WaitingJournal::clear() {
  if (fd_ < 0) return {};
  int err = ::ftruncate(fd_, 0) == 0 ? 0 : errno;
  if (err == 0 && ::fdatasync(fd_) != 0) err = errno;
  return err == 0 ? std::string() : errorText(err);
}

}  // namespace valo::files::store
