// Import of number lists as known numbers: any text file with one number a
// line, in GBK or UTF-8, with CR LF or LF line ends. Each line is read by the
// extractor's own number rules, as if it stood behind a fax label, so an
// imported number is written exactly as a search would list it.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/store/sqlite_handle.h"
#include "text/gbk.h"

namespace valo::files::store {

struct ImportOutcome {
  std::int64_t lines = 0;          // lines that are not blank
  std::int64_t added = 0;          // numbers new to the store
  std::int64_t known = 0;          // numbers the store had, or the file gave before
  std::int64_t withoutNumber = 0;  // lines that give no number
  bool cancelled = false;          // nothing of the file was kept
};

// Told of the bytes read so far and in all; returning false cancels.
using ImportProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The number a list line (GBK) gives, or nullopt: the number behind the
// line's own fax label if it has one, else the line read as a number.
std::optional<GbkString> numberFromListLine(std::string_view line);

// A list file's bytes as GBK text: valid UTF-8 (a byte-order mark skipped)
// is converted, anything else is taken as GBK already.
GbkString listTextAsGbk(std::string bytes);

// Imports the file at `path` in one transaction, its file name as the
// source of new numbers and of known numbers that have none. Known numbers
// otherwise stay as they are. New numbers are left unchecked (valid NULL)
// for NumberCheckWorker. Throws AppError when the file cannot be read
// and SqliteError when the store cannot be written; either way, as after a
// cancel, the store holds nothing of the file.
ImportOutcome importNumberList(Connection& db, const QString& path, const ImportProgress& progress = {});

}  // namespace valo::files::store
