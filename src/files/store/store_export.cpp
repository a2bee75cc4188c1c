// See store_export.h. Rows stream from the query into the file: the
// workbook is written by libxlsxwriter in its constant-memory mode and the
// CSV through a buffer, so memory stays flat however many rows there are.
#include "files/store/store_export.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "files/atomic_file.h"
#include "text/app_error.h"
#include "text/spreadsheet_cell.h"

namespace valo::files::store {
namespace {

constexpr std::int64_t kProgressEvery = 4096;
// A worksheet holds 1,048,576 rows; the header takes one on each sheet.
constexpr std::int64_t kRowsPerSheet = 1048575;
constexpr std::size_t kCsvChunk = std::size_t{1} << 20;
constexpr double kMaxColumnWidth = 80;

struct Cancelled {};

[[noreturn]] void failWriting(const QString& path, const std::string& reason) {
  throw AppError(gbk("无法导出到文件 ") + toGbk(path) + gbk("：") + gbkFromUtf8(reason));
}

// Display width of UTF-8 text in character cells: CJK characters (three
// bytes and more in UTF-8) take two.
std::size_t displayWidth(std::string_view text) {
  std::size_t width = 0;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b & 0xC0) == 0x80) continue;
    width += b >= 0xE0 ? 2 : 1;
  }
  return width;
}

// A field of text the store holds, much of it taken from web pages, so it
// is kept from being read as a formula; the count is a number and goes in as
// it is.
void appendCsvField(std::string& out, std::string_view field, StoreColumn column, std::string& scratch) {
  if (column != StoreColumn::TimesSeen && readAsFormula(field)) {
    scratch.clear();
    appendSpreadsheetText(scratch, field);
    field = scratch;
  }
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (const char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// A row's cells as views, into the row or `scratch`.
using Cells = std::array<std::string_view, kStoreColumnCount>;
void cellsOf(const StoreRow& row, Cells& cells, std::string& scratch) {
  for (int c = 0; c < kStoreColumnCount; ++c) cells[c] = cellView(row, static_cast<StoreColumn>(c), scratch);
}

Cells headerCells() {
  Cells cells;
  for (int c = 0; c < kStoreColumnCount; ++c) cells[c] = columnHeader(static_cast<StoreColumn>(c));
  return cells;
}

// Rows to CSV text in UTF-8, handed on a chunk at a time so that the GBK
// form converts large pieces at once.
class CsvWriter {
 public:
  CsvWriter(AtomicFile& file, bool asGbk) : writer_(file), asGbk_(asGbk) {
    if (!asGbk_) writer_.append("\xEF\xBB\xBF");
  }
  void row(const Cells& cells) {
    for (int c = 0; c < kStoreColumnCount; ++c) {
      if (c != 0) text_.push_back(',');
      appendCsvField(text_, cells[c], static_cast<StoreColumn>(c), guarded_);
    }
    text_.append("\r\n");
    if (text_.size() >= kCsvChunk) handOn();
  }
  int finish() {
    handOn();
    return writer_.flush();
  }

 private:
  void handOn() {
    writer_.append(asGbk_ ? gbkFromUtf8(text_) : text_);
    text_.clear();
  }
  BufferedWriter writer_;
  bool asGbk_;
  std::string text_;
  std::string guarded_;
};

std::int64_t writeCsv(NumberQuery& query, const QString& path, bool asGbk, const ExportProgress& progress,
                      std::int64_t total) {
  AtomicFile file(path);
  if (const int err = file.open(); err != 0) failWriting(path, std::strerror(err));
  CsvWriter csv(file, asGbk);
  csv.row(headerCells());
  std::int64_t rows = 0;
  Cells cells;
  std::string scratch;
  query.forEach([&](const StoreRow& row) {
    cellsOf(row, cells, scratch);
    csv.row(cells);
    if (++rows % kProgressEvery == 0 && progress && !progress(rows, total)) throw Cancelled{};
    return true;
  });
  if (int err = csv.finish(); err != 0 || (err = file.commit()) != 0) failWriting(path, std::strerror(err));
  return rows;
}

// A fresh file beside the target for the workbook, renamed over the target
// once complete and removed otherwise.
class FileBeside {
 public:
  explicit FileBeside(const QString& target) : target_(localPath(target)) {
    std::mt19937 rng(std::random_device{}());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::string candidate =
          target_ + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000);
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        ::close(fd);
        path_ = std::move(candidate);
      } else if (errno != EEXIST) {
        error_ = errno;
        return;
      }
    }
    if (path_.empty() && error_ == 0) error_ = EEXIST;
  }
  ~FileBeside() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  int error() const { return error_; }
  const std::string& path() const { return path_; }
  // Flushes the finished file to the disk and puts it in place.
  int commit() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
      const int err = errno;
      if (fd >= 0) ::close(fd);
      return err;
    }
    ::close(fd);
    if (::rename(path_.c_str(), target_.c_str()) != 0) return errno;
    path_.clear();
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return 0;
  }

 private:
  std::string target_;
  std::string path_;
  int error_ = 0;
};

class Workbook {
 public:
  explicit Workbook(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (book_ != nullptr) bold_ = workbook_add_format(book_);
    if (bold_ != nullptr) format_set_bold(bold_);
  }
  ~Workbook() {
    if (book_ != nullptr) lxw_workbook_free(book_);
  }
  bool ok() const { return book_ != nullptr && bold_ != nullptr; }

  lxw_error row(const Cells& cells) {
    if (sheet_ == nullptr || sheetRow_ > kRowsPerSheet) {
      if (const lxw_error err = newSheet(); err != LXW_NO_ERROR) return err;
    }
    for (int c = 0; c < kStoreColumnCount; ++c) {
      widths_[c] = std::max(widths_[c], displayWidth(cells[c]));
      if (cells[c].empty()) continue;
      // libxlsxwriter takes C strings; the cell is copied to end it.
      text_.assign(cells[c]);
      const lxw_error err =
          worksheet_write_string(sheet_, sheetRow_, static_cast<lxw_col_t>(c), text_.c_str(), nullptr);
      if (err != LXW_NO_ERROR) return err;
    }
    ++sheetRow_;
    return LXW_NO_ERROR;
  }
  lxw_error close() {
    if (sheet_ == nullptr) {
      if (const lxw_error err = newSheet(); err != LXW_NO_ERROR) return err;
    }
    sizeColumns();
    lxw_workbook* book = book_;
    book_ = nullptr;
    return workbook_close(book);
  }

 private:
  lxw_error newSheet() {
    if (sheet_ != nullptr) sizeColumns();
    const std::string name = "号码" + (sheets_.empty() ? std::string() : std::to_string(sheets_.size() + 1));
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    if (sheet_ == nullptr) return LXW_ERROR_MEMORY_MALLOC_FAILED;
    sheets_.push_back(sheet_);
    sheetRow_ = 0;
    for (int c = 0; c < kStoreColumnCount; ++c) {
      const char* header = columnHeader(static_cast<StoreColumn>(c));
      widths_[c] = displayWidth(header);
      if (const lxw_error err = worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), header, bold_);
          err != LXW_NO_ERROR) {
        return err;
      }
    }
    sheetRow_ = 1;
    return LXW_NO_ERROR;
  }
  // Each sheet's columns as wide as their widest cell, within reason.
  void sizeColumns() {
    for (int c = 0; c < kStoreColumnCount; ++c) {
      const double width = std::min(kMaxColumnWidth, static_cast<double>(widths_[c]) + 2);
      worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
    }
  }

  lxw_workbook* book_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  std::vector<lxw_worksheet*> sheets_;
  lxw_row_t sheetRow_ = 0;
  std::array<std::size_t, kStoreColumnCount> widths_{};
  std::string text_;
};

std::int64_t writeXlsx(NumberQuery& query, const QString& path, const ExportProgress& progress,
                       std::int64_t total) {
  FileBeside temp(path);
  if (temp.error() != 0) failWriting(path, std::strerror(temp.error()));
  std::int64_t rows = 0;
  {
    Workbook book(temp.path());
    if (!book.ok()) failWriting(path, "libxlsxwriter");
    lxw_error failure = LXW_NO_ERROR;
    Cells cells;
    std::string scratch;
    query.forEach([&](const StoreRow& row) {
      cellsOf(row, cells, scratch);
      failure = book.row(cells);
      if (failure != LXW_NO_ERROR) return false;
      if (++rows % kProgressEvery == 0 && progress && !progress(rows, total)) throw Cancelled{};
      return true;
    });
    if (failure == LXW_NO_ERROR) failure = book.close();
    if (failure != LXW_NO_ERROR) failWriting(path, lxw_strerror(failure));
  }
  if (const int err = temp.commit(); err != 0) failWriting(path, std::strerror(err));
  return rows;
}

}  // namespace

ExportOutcome exportRows(NumberQuery& query, const QString& path, ExportFormat format,
                         const ExportProgress& progress) {
  const std::int64_t total = progress ? query.countMatching() : 0;
  ExportOutcome outcome;
  try {
    outcome.rows = format == ExportFormat::Xlsx
                       ? writeXlsx(query, path, progress, total)
                       : writeCsv(query, path, format == ExportFormat::CsvGbk, progress, total);
  } catch (const Cancelled&) {
    outcome.cancelled = true;
  }
  if (progress && !outcome.cancelled) progress(outcome.rows, total);
  return outcome;
}

}  // namespace valo::files::store
