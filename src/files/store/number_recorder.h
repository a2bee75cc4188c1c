// Records what every search reads into the number store: a row per search,
// a sighting per number listed or left out as already known, and one row per
// distinct number with its checks. A page's records are committed together,
// when the search asks for it before its next request. Nothing here ever
// throws or waits long: a store that fails leaves its records in memory for
// the next commit and says so in a status text, and the search goes on.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "files/store/sqlite_handle.h"
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

using harvest::PageSource;

struct SearchEnd {
  std::int32_t refusals = 0;
  std::int32_t numbersListed = 0;
  GbkString endText;
};

// A page line as the store keeps it: UTF-8, at most this many bytes, cut at
// a character boundary.
inline constexpr std::size_t kMaxLineBytes = 4096;
std::string storedLine(std::string_view gbkLine);

class NumberRecorder {
 public:
  // Opens the store at `path` at once (see openStore). `now` is the local
  // time of every record.
  NumberRecorder(QString path, std::function<QDateTime()> now);
  ~NumberRecorder();
  NumberRecorder(const NumberRecorder&) = delete;
  NumberRecorder& operator=(const NumberRecorder&) = delete;

  bool hasStore() const { return static_cast<bool>(db_); }
  // What the user is to be told about the store since the last call (a store
  // set aside, or none usable); empty when nothing.
  GbkString takeNotice();

  void beginSearch(const SearchSettings& settings);
  // The page whose sightings follow; pages of the same keyword line in a row
  // are numbered from 1.
  void beginPage(const PageSource& source);
  // Whether the store holds the number (from any earlier search, an imported
  // list, or listed in this one). False when it cannot be asked.
  bool knownBefore(std::string_view number);
  // A number listed, or left out by 历史去重 (Known) or as no valid number
  // (Rejected, which leaves the store's `numbers` as they are).
  void sighted(std::string_view number, std::string_view gbkLine, harvest::Sighting what);
  // Writes everything recorded since the last commit in one transaction.
  // Returns the status text (GBK) while records wait for the store, and
  // after a store was set aside until the search ends; otherwise nullopt.
  std::optional<GbkString> commit();
  void endSearch(const SearchEnd& end);

 private:
  struct Search;
  struct Page;
  struct Row;
  struct Statements;

  void open();
  void writePending();
  void writeSearch(Search& search, std::vector<Search*>& inserted);
  void writeRow(const Row& row);
  void useNewStore(const SqliteError& error);

  QString path_;
  std::function<QDateTime()> now_;
  Connection db_;
  std::unique_ptr<Statements> st_;
  GbkString notice_;       // not yet taken
  GbkString shownNotice_;  // beside the status texts until the search ends
  std::optional<GbkString> failure_;
  std::shared_ptr<Search> search_;
  std::shared_ptr<Page> page_;
  std::vector<Row> rows_;                       // not yet committed
  std::vector<std::shared_ptr<Search>> dirty_;  // searches whose row is behind
  std::unordered_set<std::string> listed_;      // listed, not yet in the store
};

}  // namespace valo::files::store
