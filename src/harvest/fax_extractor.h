// Harvests fax numbers from the text lines of one loaded result page: every
// way of writing a fax label is rewritten to "FAX:", the number behind the
// first marker of a line is normalised to a domestic number with a leading
// "0", and accepted numbers are appended to the result list and counted.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "harvest/number_list.h"
#include "text/gbk.h"

namespace valo::harvest {

// The number one page line yields, or nullopt when it has no marker or its
// number normalises to fewer than 11 or more than 29 characters.
std::optional<GbkString> extractCandidate(std::string_view line);

// What became of a candidate that the duplicates box let through: listed, or
// left out because an earlier search or an imported list already has it
// ("历史去重"), or left out as no valid number.
enum class Sighting { Listed, Known, Rejected };

// What the extractor needs of the main window.
struct ExtractionSink {
  virtual ~ExtractionSink() = default;
  // State of the "去重" check box (CheckBox1); asked afresh for every
  // candidate, so ticking it during a search takes effect at the next one.
  virtual bool dedupTicked() = 0;
  // Whether the result list holds an item with exactly this caption.
  virtual bool hasCaption(std::string_view number) = 0;
  // Appends an item and scrolls it into view, inside one begin/end update.
  virtual void addNumber(const GbkString& number) = 0;
  // Shows the count as decimal text in status panel 5.
  virtual void showFoundCount(std::int32_t count) = 0;
  // A hint that the number will soon be asked about and perhaps added, so
  // that a list can fetch what it needs ahead of time. Changes nothing.
  virtual void expectNumber(std::string_view /*number*/) {}
  // Whether the number is held from an earlier search or an imported list,
  // so that it is not listed, counted or saved again. Asked after the
  // duplicates box's own rule, for every candidate that passed it.
  virtual bool knownBefore(std::string_view /*number*/) { return false; }
  // Every candidate that passed the duplicates box, with the page line it was
  // read from, after it was listed or left out.
  virtual void sighted(const GbkString& /*number*/, std::string_view /*line*/, Sighting /*what*/) {}
  // Whether the page is read by the wider reading ("扩展识别",
  // harvest/wide_reading.h) instead of the marker rules: every valid number
  // of every label is listed, and a number libphonenumber does not hold
  // valid is sighted as Rejected. Asked once per page.
  virtual bool wideReading() { return false; }
};

// Extracts from every line of `PageLines` in page order. A number appended
// earlier in the same call is listed, so with de-duplication on a repeat later
// on the page is dropped. `FoundCount` grows by one per appended number.
void ExtractFaxNumbers(const std::vector<GbkString>& PageLines, ExtractionSink& sink,
                       std::int32_t& FoundCount);
// The same over a page's whole text, split by the text-box lines rule as it
// goes, so a large page is read without a copy of its lines. The marker rules
// read each line's first 4096 bytes; the wider reading reads it whole, and
// the sink's `sighted` then gets the whole line.
void ExtractFaxNumbersFromText(std::string_view pageText, ExtractionSink& sink, std::int32_t& FoundCount);

// A sink over a NumberList with a plain switch, for the tools and tests that
// run the extractor without a window.
class NumberListSink : public ExtractionSink {
 public:
  explicit NumberListSink(NumberList& list, bool dedup = false) : list_(list), dedup_(dedup) {}

  void setDedup(bool dedup) { dedup_ = dedup; }
  void setWideReading(bool wide) { wide_ = wide; }
  // The last count shown, -1 before the first.
  std::int32_t shownCount() const { return shownCount_; }

  void expectNumber(std::string_view number) override { list_.prefetch(number); }
  bool dedupTicked() override { return dedup_; }
  bool hasCaption(std::string_view number) override { return list_.contains(number); }
  void addNumber(const GbkString& number) override { list_.append(number); }
  void showFoundCount(std::int32_t count) override { shownCount_ = count; }
  bool wideReading() override { return wide_; }

 private:
  NumberList& list_;
  bool dedup_;
  bool wide_ = false;
  std::int32_t shownCount_ = -1;
};

}  // namespace valo::harvest
