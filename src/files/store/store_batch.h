// What a search hands the number store for one page: the search's row as it
// stands, the page's place and the page's sightings, packed so that the
// records of a dense page cost little beside the page itself (numbers in one
// buffer, each distinct line kept once). A batch is written in one
// transaction, or, while the store cannot take it, to the waiting journal.
#pragma once

#include <cstdint>
#include <deque>
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
  // A sighting: its number in the batch's number buffer, its line as a place
  // in the shared page or as an owned copy. Sixteen bytes, held in blocks,
  // so a page of 80,000 numbers costs about as much again as the page.
  struct Row {
    std::uint32_t numberAt;  // offset into the number buffer
    std::uint32_t lineAt;    // offset in the page, or index of an owned line
    std::uint32_t lineSize;  // bytes in the page
    std::uint8_t numberSize;
    std::uint8_t whatCode;  // a harvest::Sighting, a byte wide
    bool owned;             // lineAt indexes the owned lines
    harvest::Sighting what() const { return static_cast<harvest::Sighting>(whatCode); }
    bool sameLine(const Row& other) const {
      return owned == other.owned && lineAt == other.lineAt && lineSize == other.lineSize;
    }
  };

  SearchRecord search;
  PageRecord page;
  bool hasPage = false;
  // Set once the batch went to the journal: its key is written with it.
  std::string journalKey;

  // The page the sightings are read from: a line inside it is kept as a
  // place in it rather than a copy.
  void sharePage(std::shared_ptr<const std::string> text) { page_ = std::move(text); }
  const std::shared_ptr<const std::string>& sharedPage() const { return page_; }
  // `gbkLine` as the page has it.
  void add(std::string_view number, std::string_view gbkLine, harvest::Sighting what);
  // A line already in its stored form (UTF-8, cut), as the journal has it.
  void addStored(std::string_view number, std::string storedLine, harvest::Sighting what);
  // The same line as the last row's, without looking at its text again.
  void addOnSameLine(std::string_view number, harvest::Sighting what);

  const std::deque<Row>& rows() const { return rows_; }
  std::string_view number(const Row& row) const;
  // The line of `row` in its stored form: UTF-8, at most kMaxLineBytes, cut
  // at a character.
  std::string lineText(const Row& row) const;
  bool empty() const { return rows_.empty(); }
  std::size_t listedCount() const;
  // Bytes held for the rows and lines beside the shared page, for the tests
  // of a dense page.
  std::size_t heldBytes() const;

 private:
  void addRow(std::string_view number, harvest::Sighting what, std::uint32_t lineAt, std::uint32_t lineSize,
              bool owned);

  static constexpr std::size_t kNumberBlock = 1 << 16;
  std::deque<Row> rows_;
  std::vector<std::string> numberBlocks_;  // numbers never straddle two
  std::vector<std::string> owned_;
  std::shared_ptr<const std::string> page_;
};

// A page line as the store keeps it: UTF-8, at most this many bytes, cut at
// a character boundary.
inline constexpr std::size_t kMaxLineBytes = 4096;
std::string storedLine(std::string_view gbkLine);

}  // namespace valo::files::store
