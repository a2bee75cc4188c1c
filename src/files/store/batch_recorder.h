// The recording side of a store: a search's row, its pages and their
// sightings gathered into record batches on the thread that reads the
// pages, and handed to whoever writes them (the number store's writer, or a
// team server's). Nothing here touches a database.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "files/store/store_batch.h"
#include "harvest/fax_extractor.h"
#include "harvest/page_source.h"
#include "text/gbk.h"

namespace valo::files::store {

// Texts are GBK, as the window holds them; the store keeps them as UTF-8.
struct SearchSettings {
  GbkString engine;               // the engine box text
  std::int32_t pauseSeconds = 0;  // the interval box
  std::int32_t startLine = 0;     // the start line the search began at, from 0
};

struct SearchEnd {
  std::int32_t refusals = 0;
  std::int32_t numbersListed = 0;
  GbkString endText;
};

// Called with the panel-6 status text once a batch is on the disk.
using BatchAnswer = std::function<void(std::optional<GbkString> status)>;

class BatchRecorder {
 public:
  using Submit = std::function<void(RecordBatch batch, BatchAnswer done)>;
  BatchRecorder(std::function<QDateTime()> now, Submit submit);

  bool searching() const { return search_.has_value(); }
  void beginSearch(const SearchSettings& settings);
  void beginPage(const harvest::PageSource& source);
  void sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what);
  // Hands the batch over; false (and nothing handed) when no search has begun.
  bool commitPage(BatchAnswer done);
  void endSearch(const SearchEnd& end);

 private:
  std::function<QDateTime()> now_;
  Submit submit_;
  std::optional<SearchRecord> search_;
  std::int32_t lastKeywordLine_ = -1;
  std::int32_t pageNumber_ = 0;
  RecordBatch batch_;
  // The line of the last sighting, so that the numbers of one line share it.
  const char* lastLine_ = nullptr;
  std::size_t lastLineSize_ = 0;
};

}  // namespace valo::files::store
