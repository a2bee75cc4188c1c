// See list_lines.h. A file is valid UTF-8 exactly when each of its lines is,
// since a line end is never part of a multi-byte sequence; so deciding line
// by line, and starting again when the decision turns out wrong, gives what
// a look at the whole file would.
#include "files/store/list_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/atomic_file.h"
#include "text/app_error.h"

namespace valo::files::store {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

bool isValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

[[noreturn]] void cannotRead(const QString& path, int err) {
  throw AppError(gbk("无法读取号码文件 ") + toGbk(path) + gbk("：") + gbkFromUtf8(std::strerror(err)));
}

}  // namespace

ListLines::ListLines(const QString& path, bool asGbk)
    : path_(path), encoding_(asGbk ? Encoding::Gbk : Encoding::Undecided) {
  fd_ = ::open(localPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) cannotRead(path, errno);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<std::uint64_t>(st.st_size);
  buffer_.resize(kMaxListLineBytes + kBlockBytes);
  fill();
  if (!asGbk && std::string_view(buffer_.data(), end_).starts_with(kUtf8Bom)) {
    begin_ = kUtf8Bom.size();
    bomSkipped_ = true;
  }
}

ListLines::~ListLines() {
  if (fd_ >= 0) ::close(fd_);
}

bool ListLines::fill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) cannotRead(path_, errno);
    if (n == 0) {
      atEnd_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    bytesRead_ += static_cast<std::uint64_t>(n);
    return true;
  }
}

bool ListLines::next(std::string_view& line) {
  if (reread_) return false;
  for (;;) {
    std::string_view raw;
    const char* data = buffer_.data();
    const auto* newline = static_cast<const char*>(std::memchr(data + begin_, '\n', end_ - begin_));
    if (newline != nullptr) {
      const auto at = static_cast<std::size_t>(newline - data);
      raw = std::string_view(data + begin_, at - begin_);
      begin_ = at + 1;
      if (skippingRest_) {
        skippingRest_ = false;
        continue;
      }
    } else if (skippingRest_) {
      begin_ = end_;
      if (!fill()) return false;
      continue;
    } else if (end_ - begin_ >= kMaxListLineBytes) {
      raw = std::string_view(data + begin_, kMaxListLineBytes);
      begin_ += kMaxListLineBytes;
      skippingRest_ = true;
    } else if (fill()) {
      continue;
    } else if (begin_ < end_) {
      raw = std::string_view(data + begin_, end_ - begin_);  // the last line, without an end
      begin_ = end_;
    } else {
      return false;
    }
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    return decode(raw, line);
  }
}

bool ListLines::decode(std::string_view raw, std::string_view& line) {
  if (encoding_ == Encoding::Gbk || isAscii(raw)) {
    line = raw;
    return true;
  }
  if (isValidUtf8(raw)) {
    encoding_ = Encoding::Utf8;
    converted_ = gbkFromUtf8(raw);
    line = converted_;
    return true;
  }
  // Not UTF-8 after all: lines already converted, or a mark already skipped,
  // would differ from a GBK reading of them.
  if (encoding_ == Encoding::Utf8 || bomSkipped_) {
    reread_ = true;
    return false;
  }
  encoding_ = Encoding::Gbk;
  line = raw;
  return true;
}

}  // namespace valo::files::store
