// See store_batch.h.
#include "files/store/store_batch.h"

#include <algorithm>

namespace valo::files::store {

void RecordBatch::add(std::string_view number, std::string_view storedLine, harvest::Sighting what) {
  if (lines_.empty() || lines_.back() != storedLine) lines_.emplace_back(storedLine);
  addOnSameLine(number, what);
}

void RecordBatch::addOnSameLine(std::string_view number, harvest::Sighting what) {
  if (lines_.empty()) lines_.emplace_back();
  // Numbers the extractor gives are at most 29 bytes; the cut only guards
  // the field's width.
  const auto size = static_cast<std::uint8_t>(std::min<std::size_t>(number.size(), 255));
  rows_.push_back(Row{static_cast<std::uint32_t>(numbers_.size()), size, static_cast<std::uint8_t>(what),
                      static_cast<std::uint32_t>(lines_.size() - 1)});
  numbers_.append(number.substr(0, size));
}

std::size_t RecordBatch::listedCount() const {
  std::size_t n = 0;
  for (const Row& r : rows_) n += r.what() == harvest::Sighting::Listed ? 1 : 0;
  return n;
}

std::size_t RecordBatch::heldBytes() const {
  std::size_t bytes =
      rows_.capacity() * sizeof(Row) + numbers_.capacity() + lines_.capacity() * sizeof(std::string);
  for (const std::string& l : lines_) bytes += l.capacity();
  return bytes;
}

}  // namespace valo::files::store
