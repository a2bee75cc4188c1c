// See store_batch.h.
#include "files/store/store_batch.h"

#include <algorithm>

#include "text/gbk.h"

namespace valo::files::store {
namespace {

// The longest head of a GBK line that is at most `limit` bytes and ends at a
// character boundary.
std::size_t gbkHead(std::string_view line, std::size_t limit) {
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t step =
        isGbkLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

}  // namespace

std::string storedLine(std::string_view gbkLine) {
  // A GBK character never takes fewer bytes than in UTF-8, so the GBK head of
  // the limit is long enough.
  std::string text = utf8FromGbk(gbkLine.substr(0, gbkHead(gbkLine, kMaxLineBytes)));
  if (text.size() > kMaxLineBytes) {
    std::size_t n = kMaxLineBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    text.resize(n);
  }
  return text;
}

void RecordBatch::add(std::string_view number, std::string_view gbkLine, harvest::Sighting what) {
  const std::string_view pageText = page_ ? std::string_view(*page_) : std::string_view();
  if (!pageText.empty() && gbkLine.data() >= pageText.data() &&
      gbkLine.data() + gbkLine.size() <= pageText.data() + pageText.size()) {
    addRow(number, what, static_cast<std::uint32_t>(gbkLine.data() - pageText.data()),
           static_cast<std::uint32_t>(gbkLine.size()), false);
    return;
  }
  // Only the stored head of a line is ever written, so only it is kept.
  addStored(number, storedLine(gbkLine), what);
}

void RecordBatch::addStored(std::string_view number, std::string stored, harvest::Sighting what) {
  if (rows_.empty() || !rows_.back().owned || owned_.back() != stored) owned_.push_back(std::move(stored));
  addRow(number, what, static_cast<std::uint32_t>(owned_.size() - 1), 0, true);
}

void RecordBatch::addOnSameLine(std::string_view number, harvest::Sighting what) {
  if (rows_.empty()) {
    addStored(number, {}, what);
    return;
  }
  const Row last = rows_.back();
  addRow(number, what, last.lineAt, last.lineSize, last.owned);
}

void RecordBatch::addRow(std::string_view number, harvest::Sighting what, std::uint32_t lineAt,
                         std::uint32_t lineSize, bool owned) {
  // Numbers the extractor gives are at most 29 bytes; the cut only guards
  // the field's width.
  const std::size_t size = std::min<std::size_t>(number.size(), 255);
  if (numberBlocks_.empty() || numberBlocks_.back().size() + size > kNumberBlock) {
    numberBlocks_.emplace_back().reserve(kNumberBlock);
  }
  std::string& block = numberBlocks_.back();
  const std::size_t at = (numberBlocks_.size() - 1) * kNumberBlock + block.size();
  block.append(number.substr(0, size));
  rows_.push_back(Row{static_cast<std::uint32_t>(at), lineAt, lineSize, static_cast<std::uint8_t>(size),
                      static_cast<std::uint8_t>(what), owned});
}

std::string_view RecordBatch::number(const Row& row) const {
  return {numberBlocks_[row.numberAt / kNumberBlock].data() + row.numberAt % kNumberBlock, row.numberSize};
}

std::string RecordBatch::lineText(const Row& row) const {
  if (row.owned) return owned_[row.lineAt];
  return storedLine(std::string_view(*page_).substr(row.lineAt, row.lineSize));
}

std::size_t RecordBatch::listedCount() const {
  std::size_t n = 0;
  for (const Row& r : rows_) n += r.what() == harvest::Sighting::Listed ? 1 : 0;
  return n;
}

std::size_t RecordBatch::heldBytes() const {
  // A deque holds its rows in blocks of 512 bytes and a map of them.
  std::size_t bytes = (rows_.size() * sizeof(Row) / 512 + 1) * (512 + sizeof(void*)) +
                      numberBlocks_.size() * kNumberBlock + owned_.capacity() * sizeof(std::string);
  for (const std::string& l : owned_) bytes += l.capacity();
  return bytes;
}

}  // namespace valo::files::store
