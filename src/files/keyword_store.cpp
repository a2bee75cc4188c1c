// Loading and saving the keyword file; see keyword_store.h.
#include "files/keyword_store.h"

#include <sys/stat.h>

#include <QDir>
#include <cerrno>
#include <cstring>

#include "files/atomic_file.h"
#include "text/app_error.h"

namespace valo::files {

GbkString normalizeKeywordText(std::string_view raw) {
  if (const void* zero = std::memchr(raw.data(), '\0', raw.size()); zero != nullptr) {
    raw = raw.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - raw.data()));
  }
  GbkString out;
  out.reserve(raw.size() + raw.size() / 16);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<GbkString> LoadKeywords(const QString& path, std::size_t capacity) {
  struct stat st {};
  if (::stat(localPath(path).c_str(), &st) != 0 && errno == ENOENT) return std::nullopt;
  std::string raw;
  bool openFailed = false;
  if (readWholeFile(path, raw, openFailed) != 0) {
    throw AppError(formatMessage("Cannot open file %s", toGbk(QDir::toNativeSeparators(path))));
  }
  GbkString text = normalizeKeywordText(raw);
  if (text.size() > capacity) throw AppError(gbk("文本超过 Memo 容量"));
  return text;
}

bool SaveKeywords(const QString& path, std::string_view text) {
  AtomicFile file(path);
  return file.open() == 0 && file.write(text) == 0 && file.commit() == 0;
}

KeywordStore::KeywordStore(QString path, std::size_t capacity) : KeywordStore(path, path, capacity) {}

KeywordStore::KeywordStore(QString readPath, QString writePath, std::size_t capacity)
    : readPath_(std::move(readPath)), path_(std::move(writePath)), capacity_(capacity) {}

std::optional<GbkString> KeywordStore::load() {
  try {
    return LoadKeywords(readPath_, capacity_);
  } catch (const AppError&) {
    loadFailed_ = true;
    throw;
  }
}

bool KeywordStore::save(std::string_view text) {
  if (loadFailed_) return false;
  return SaveKeywords(path_, text);
}

}  // namespace valo::files
