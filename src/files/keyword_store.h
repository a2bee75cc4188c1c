// The keyword file "valofaxbody.ini": the keyword box's whole text, byte for
// byte, read once at start-up and written once at exit.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string_view>

#include "text/gbk.h"

namespace valo::files {

// The most text the keyword box accepts. The original box had a fixed
// capacity; the Qt box has none but becomes unusable long before memory runs
// out, and a file this large (millions of lines) is not a keyword list the
// user typed but a wrong file, so it is refused like an overfull box.
inline constexpr std::size_t kKeywordBoxCapacity = std::size_t{64} << 20;

// Every CR LF stays, every CR alone or LF alone becomes CR LF; the text ends
// at its first zero byte.
GbkString normalizeKeywordText(std::string_view raw);

// nullopt when no file exists (the box keeps its default lines). Otherwise the
// normalised text. Throws AppError("Cannot open file <path>") when the file
// exists but cannot be opened or read, AppError("文本超过 Memo 容量") when
// the text is larger than kKeywordBoxCapacity.
std::optional<GbkString> LoadKeywords(const QString& path, std::size_t capacity = kKeywordBoxCapacity);

// Replaces the file atomically with `text`, unchanged. False on any failure;
// never throws, never leaves the old file shortened.
bool SaveKeywords(const QString& path, std::string_view text);

// The keyword file across one run: remembers a failed load so that no save,
// after an edit or at exit, replaces a file the user still has with the box's
// default lines.
class KeywordStore {
 public:
  explicit KeywordStore(QString path, std::size_t capacity = kKeywordBoxCapacity);
  // Read from one place and written to another (a read-only program folder's
  // file, saved into the user's own data folder).
  KeywordStore(QString readPath, QString writePath, std::size_t capacity = kKeywordBoxCapacity);

  // LoadKeywords; an AppError is recorded and rethrown.
  std::optional<GbkString> load();
  // SaveKeywords, unless the load failed (then false, nothing written).
  bool save(std::string_view text);
  bool saveAtExit(std::string_view text) { return save(text); }
  bool loadFailed() const { return loadFailed_; }
  const QString& path() const { return path_; }
  const QString& readPath() const { return readPath_; }

 private:
  QString readPath_;
  QString path_;
  std::size_t capacity_;
  bool loadFailed_ = false;
};

}  // namespace valo::files
