// Fax number extraction from page lines into the result list.
#include "harvest/fax_extractor.h"

#include "harvest/marker_rewrites.h"
#include "harvest/marker_scan.h"
#include "harvest/number_normaliser.h"

namespace valo::harvest {

std::optional<GbkString> extractCandidate(std::string_view line) {
  // Most page lines carry no fax label at all; they are settled without
  // looking further, as the rewrites would leave them without a marker.
  if (!mayHoldMarker(line)) return std::nullopt;
  NumberRun run;
  if (!findMarkedRun(line, run)) return std::nullopt;
  return normaliseNumber(run.view());
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
