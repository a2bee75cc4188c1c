// Fax number extraction from page lines into the result list.
#include "harvest/fax_extractor.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>

#include "harvest/marker_rewrites.h"
#include "harvest/marker_scan.h"
#include "harvest/number_normaliser.h"
#include "harvest/wide_reading.h"
#include "text/text_lines.h"

namespace valo::harvest {

std::optional<GbkString> extractCandidate(std::string_view line) {
  // Most page lines carry no fax label at all; they are settled without
  // looking further, as the rewrites would leave them without a marker.
  const std::size_t candidate = firstMarkerCandidate(line);
  if (candidate == std::string_view::npos) return std::nullopt;
  NumberRun run;
  if (!findMarkedRun(line, candidate, run)) return std::nullopt;
  return normaliseNumber(run.view());
}

namespace {

// The wider reading: every number of a line in order, each through the
// duplicates box, then libphonenumber's verdict, then the history. Numbers
// are taken a batch at a time, announced to the list together so that it can
// fetch ahead, then handled in page order; a batch may end inside a line, so
// a line of any length needs no more room than a short one.
template <typename NextLine>
void extractWideLines(NextLine&& next, ExtractionSink& sink, std::int32_t& FoundCount) {
  constexpr std::size_t kBatch = 64;
  struct Pending {
    WideNumber number;
    std::string_view line;
  };
  std::vector<Pending> pending, handling;
  pending.reserve(kBatch);
  const auto handlePending = [&] {
    // Taken out first: when the sink fails, nothing is handled twice.
    handling.clear();
    handling.swap(pending);
    for (const auto& [found, from] : handling) {
      if (sink.dedupTicked() && sink.hasCaption(found.number)) continue;
      if (!found.valid) {
        sink.sighted(found.number, from, Sighting::Rejected);
        continue;
      }
      if (sink.knownBefore(found.number)) {
        sink.sighted(found.number, from, Sighting::Known);
        continue;
      }
      sink.addNumber(found.number);
      FoundCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(FoundCount) + 1u);
      sink.showFoundCount(FoundCount);
      sink.sighted(found.number, from, Sighting::Listed);
    }
  };
  std::string_view line;
  const std::function<void(WideNumber&&)> take = [&](WideNumber&& found) {
    if (found.valid) sink.expectNumber(found.number);
    pending.push_back(Pending{std::move(found), line});
    if (pending.size() == kBatch) handlePending();
  };
  while (next(line)) {
    // A line that fails (out of memory) fails after the numbers read before
    // it have been handled, as they would be one at a time.
    try {
      readWideNumbers(line, take);
    } catch (...) {
      handlePending();
      throw;
    }
  }
  handlePending();
}

// The extraction by the marker rules over any source of lines: `next(line)`
// gives the following line and returns false after the last.
template <typename NextLine>
void extractMarkedLines(NextLine&& next, ExtractionSink& sink, std::int32_t& FoundCount) {
  // The lines are taken a batch at a time: their candidates first (finding
  // them changes nothing), announced to the sink together so that the list
  // can fetch its index entries at once, then checked and added in line
  // order, the duplicates box read afresh for each.
  constexpr std::size_t kBatch = 32;
  std::array<std::optional<GbkString>, kBatch> candidates;
  std::array<std::string_view, kBatch> lines;
  bool more = true;
  while (more) {
    std::size_t count = 0;
    // A line that fails (out of memory) fails after the lines before it
    // have been added, as it would one line at a time.
    std::exception_ptr failure;
    std::string_view line;
    while (count < kBatch && (more = next(line))) {
      try {
        candidates[count] = extractCandidate(line);
        lines[count] = line;
      } catch (...) {
        failure = std::current_exception();
        more = false;
        break;
      }
      if (candidates[count]) sink.expectNumber(*candidates[count]);
      ++count;
    }
    for (std::size_t k = 0; k < count; ++k) {
      const std::optional<GbkString>& candidate = candidates[k];
      if (!candidate) continue;
      if (sink.dedupTicked() && sink.hasCaption(*candidate)) continue;
      if (sink.knownBefore(*candidate)) {
        sink.sighted(*candidate, lines[k], Sighting::Known);
        continue;
      }
      sink.addNumber(*candidate);
      // The counter is a 32-bit integer that wraps rather than traps.
      FoundCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(FoundCount) + 1u);
      sink.showFoundCount(FoundCount);
      sink.sighted(*candidate, lines[k], Sighting::Listed);
    }
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace

void ExtractFaxNumbers(const std::vector<GbkString>& PageLines, ExtractionSink& sink,
                       std::int32_t& FoundCount) {
  std::size_t i = 0;
  const auto next = [&](std::string_view& line) {
    if (i >= PageLines.size()) return false;
    line = PageLines[i++];
    return true;
  };
  if (sink.wideReading()) {
    extractWideLines(next, sink, FoundCount);
  } else {
    extractMarkedLines(next, sink, FoundCount);
  }
}

void ExtractFaxNumbersFromText(std::string_view pageText, ExtractionSink& sink, std::int32_t& FoundCount) {
  // The marker rules read a line's first 4096 bytes, as the program always
  // has; the wider reading takes the whole line, so that numbers deep in a
  // page that is one long line (a table flattened by the browser) are found.
  if (sink.wideReading()) {
    TextLineCursor cursor(pageText, std::string_view::npos);
    extractWideLines([&](std::string_view& line) { return cursor.next(line); }, sink, FoundCount);
  } else {
    TextLineCursor cursor(pageText);
    extractMarkedLines([&](std::string_view& line) { return cursor.next(line); }, sink, FoundCount);
  }
}

}  // namespace valo::harvest
