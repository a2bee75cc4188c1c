// A number-list file read as a stream of GBK lines, a block at a time, so
// that a file of any size costs a fixed amount of memory. A file that is
// valid UTF-8 throughout (a byte-order mark skipped) is read as UTF-8, any
// other as GBK. The reader cannot see the end of the file from its start, so
// it reads UTF-8 as long as every line is, and asks for a fresh read as GBK
// when a line shows that a file it took for UTF-8 is not: a file that is
// wholly UTF-8 or wholly GBK is read once, a mixed one twice.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/gbk.h"

namespace valo::files::store {

// A longer line is read for its first this many bytes; the rest of it is
// skipped. A list's lines are a few dozen bytes.
inline constexpr std::size_t kMaxListLineBytes = std::size_t{1} << 20;

class ListLines {
 public:
  // Opens `path`; `asGbk` reads it as GBK from the start. Throws AppError
  // when the file cannot be opened.
  ListLines(const QString& path, bool asGbk);
  ~ListLines();
  ListLines(const ListLines&) = delete;
  ListLines& operator=(const ListLines&) = delete;

  // The next line as GBK, its CR LF or LF cut off; valid until the next
  // call. False at the end, and when the file must be read again as GBK
  // (rereadAsGbk()). Throws AppError when the file cannot be read.
  bool next(std::string_view& line);
  bool rereadAsGbk() const { return reread_; }

  std::uint64_t bytesRead() const { return bytesRead_; }
  std::uint64_t size() const { return size_; }

 private:
  enum class Encoding { Undecided, Utf8, Gbk };
  // Fills the buffer after the unread rest; false when nothing more came.
  bool fill();
  bool decode(std::string_view raw, std::string_view& line);

  QString path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t begin_ = 0;  // unread bytes are [begin_, end_)
  std::size_t end_ = 0;
  bool atEnd_ = false;
  bool skippingRest_ = false;  // inside the cut-off rest of a long line
  bool bomSkipped_ = false;
  bool reread_ = false;
  Encoding encoding_;
  GbkString converted_;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace valo::files::store
