// Fax number extraction from page lines into the result list.
#include "harvest/fax_extractor.h"

#include "harvest/char_boundary.h"
#include "harvest/marker_rewrites.h"
#include "harvest/number_normaliser.h"

namespace valo::harvest {

namespace {

constexpr std::string_view kMarker = "FAX:";

}  // namespace

std::optional<GbkString> extractCandidate(std::string_view line) {
  // Most page lines carry no fax label at all; they are settled without
  // running the rewrite table, which would leave them without a marker.
  if (!mayHoldMarker(line)) return std::nullopt;
  const GbkString rewritten = applyMarkerRewrites(line);
  const std::size_t marker = findAtCharBoundary(rewritten, kMarker);
  if (marker == std::string_view::npos) return std::nullopt;
  const std::string_view behind = std::string_view(rewritten).substr(marker + kMarker.size());
  return normaliseNumber(numberRun(behind));
}

void ExtractFaxNumbers(const std::vector<GbkString>& PageLines, ExtractionSink& sink,
                       std::int32_t& FoundCount) {
  const std::size_t lineCount = PageLines.size();
  if (lineCount == 0) return;
  for (std::size_t i = 0; i < lineCount; ++i) {
    const std::optional<GbkString> candidate = extractCandidate(PageLines[i]);
    if (!candidate) continue;
    if (sink.dedupTicked() && sink.hasCaption(*candidate)) continue;
    sink.addNumber(*candidate);
    // The counter is a 32-bit integer that wraps rather than traps.
    FoundCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(FoundCount) + 1u);
    sink.showFoundCount(FoundCount);
  }
}

}  // namespace valo::harvest
