// What a search hands the number store for one page: the search's row as it
// stands, the page's place and the page's sightings, packed so that the
// records of a dense page cost little beside the page itself (numbers in one
// buffer, each distinct line kept once). A batch is written in one
// transaction, or, while the store cannot take it, to the waiting journal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "harvest/fax_extractor.h"

namespace valo::files::store {

// The search's row as the latest batch knows it. Texts are UTF-8.
struct SearchRecord {
  std::string runKey;  // found again by it when the batch is written later
  std::string startedAt, engine, endedAt, endText;
  std::int32_t pauseSeconds = 0, startLine = 0, pagesRead = 0, refusals = 0, numbersListed = 0;
  bool ended = false;
};

struct PageRecord {
  std::string keyword, engine, address, seenAt;
  std::int32_t keywordLine = 0, pageNumber = 0;
};

class RecordBatch {
 public:
  struct Row {
    std::uint32_t numberAt;  // offset into the numbers buffer
    std::uint8_t numberSize;
    std::uint8_t whatCode;  // a harvest::Sighting, a byte wide
    std::uint32_t line;     // index into lines()
    harvest::Sighting what() const { return static_cast<harvest::Sighting>(whatCode); }
  };

  SearchRecord search;
  PageRecord page;
  bool hasPage = false;
  // Set once the batch went to the journal: its key is written with it.
  std::string journalKey;

  // `line` is kept as given (already the stored form); a line equal to the
  // one before is not kept twice.
  void add(std::string_view number, std::string_view storedLine, harvest::Sighting what);
  // The same line as the last row's, without comparing its text again.
  void addOnSameLine(std::string_view number, harvest::Sighting what);

  const std::vector<Row>& rows() const { return rows_; }
  std::string_view number(const Row& row) const { return {numbers_.data() + row.numberAt, row.numberSize}; }
  const std::string& line(const Row& row) const { return lines_[row.line]; }
  const std::vector<std::string>& lines() const { return lines_; }
  bool empty() const { return rows_.empty(); }
  std::size_t listedCount() const;
  // Bytes held for the rows and lines, for the tests of a dense page.
  std::size_t heldBytes() const;

 private:
  std::vector<Row> rows_;
  std::string numbers_;
  std::vector<std::string> lines_;
};

}  // namespace valo::files::store
