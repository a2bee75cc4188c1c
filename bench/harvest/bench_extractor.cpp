// Throughput of ExtractFaxNumbers over about 10 MB of generated GBK result-page
// text, de-duplication on, with 100,000 numbers already in the result list.
// Usage: bench_extractor [megabytes=10] [runs=5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harvest/char_boundary.h"
#include "harvest/fax_extractor.h"
#include "harvest/marker_rewrites.h"
#include "page_text_generator.h"

namespace {

using valo::harvest::NumberList;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kLinesPerPage = 60;  // about one engine's result page

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  const auto lines =
      valo::harvest::bench::generatePageLines(static_cast<std::size_t>(megabytes * 1e6), 20090317);
  std::vector<std::vector<std::string>> pages;
  std::size_t bytes = 0;
  std::size_t labelled = 0;
  for (std::size_t i = 0; i < lines.size(); i += kLinesPerPage) {
    pages.emplace_back(lines.begin() + i, lines.begin() + std::min(lines.size(), i + kLinesPerPage));
  }
  for (const auto& line : lines) {
    bytes += line.size();
    labelled += valo::harvest::mayHoldMarker(line) ? 1 : 0;
  }

  NumberList prefilled;
  for (int i = 0; i < 100000; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "0571-8%07d", i * 37 % 10000000);
    prefilled.append(number);
  }

  double best = 1e30;
  std::int32_t found = 0;
  for (int run = 0; run < runs; ++run) {
    NumberList list = prefilled;
    valo::harvest::NumberListSink sink(list, true);
    found = 0;
    const auto start = Clock::now();
    for (const auto& page : pages) valo::harvest::ExtractFaxNumbers(page, sink, found);
    best = std::min(best, seconds(start));
  }

  // For comparison: every line through all 34 rewrites and the marker search,
  // as if every line carried label letters.
  double bestFull = 1e30;
  std::size_t markers = 0;
  for (int run = 0; run < runs; ++run) {
    markers = 0;
    const auto start = Clock::now();
    for (const auto& line : lines) {
      const auto text = valo::harvest::applyMarkerRewrites(line);
      markers += valo::harvest::findAtCharBoundary(text, "FAX:") != std::string::npos ? 1 : 0;
    }
    bestFull = std::min(bestFull, seconds(start));
  }

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf(
      "input: %.2f MB (10^6 bytes) GBK, %zu lines, %zu pages of %zu lines, %.1f%% lines with label letters\n",
      mb, lines.size(), pages.size(), kLinesPerPage, 100.0 * static_cast<double>(labelled) / lines.size());
  std::printf("list: 100000 numbers before the run, de-duplication on, %d numbers added per run\n", found);
  std::printf("ExtractFaxNumbers: best of %d: %.3f s, %.1f MB/s, %.0f lines/s\n", runs, best, mb / best,
              static_cast<double>(lines.size()) / best);
  std::printf(
      "all 34 rewrites on every line (no skipping): best of %d: %.3f s, %.1f MB/s, %zu lines with a marker\n",
      runs, bestFull, mb / bestFull, markers);
  return 0;
}
