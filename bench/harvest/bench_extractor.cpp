// Throughput of ExtractFaxNumbers over about 10 MB of generated GBK page text
// in two profiles, de-duplication on, with 100,000 numbers already in the
// result list:
//
//   sparse  search result pages, one line in ten with a fax label
//   dense   directory pages, short lines, about 45 % with a fax label
//
// Beside each, the same lines written to a file go through
//   LC_ALL=C grep -aoiP '(传真|fax)[^0-9]{0,6}\K[-0-9()+ ]+'
// (the pattern in GBK bytes, matches written to a file), which is looser
// than the real rules: a floor to beat, not a reference. Both are timed as
// the best of the runs, over the same bytes.
//
// The wider reading ("扩展识别") runs over the same pages beside the
// extractor, and the ratio of their times is printed; and beside
// libphonenumber's own finder, PhoneNumberMatcher (region CN, leniency
// VALID), which a user who wants "every phone number on the page" would
// reach for: the same pages as UTF-8 (converted before the clock starts),
// its time and the numbers it finds, and the ratio to the wider reading's
// first run, whose verdicts are all new as the finder's are.
//
// Last, the long line: 80,000 entries "FAX:0755-NNNNNNNN " as one line of
// 1.44 MB through the wider reading, beside the same entries one a line, as
// a page's text; both with every verdict known, so the ratio is the cost of
// the line's length alone.
//
// Usage: bench_extractor [megabytes=10] [runs=5] [long-line entries=80000]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include "harvest/char_boundary.h"
#include "harvest/fax_extractor.h"
#include "harvest/mainland_patterns.h"
#include "harvest/marker_rewrites.h"
#include "page_text_generator.h"
#include "text/gbk.h"

extern char** environ;

namespace {

using valo::harvest::NumberList;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kLinesPerPage = 60;  // about one engine's result page

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs the grep line over `input`, its matches into `output`; the wall time
// in seconds, or a negative value when grep could not run.
double timeGrep(const std::string& input, const std::string& output) {
  const std::string pattern = valo::gbk("(传真|fax)[^0-9]{0,6}\\K[-0-9()+ ]+");
  std::vector<std::string> args = {"grep", "-aoiP", pattern, input};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "LC_", 3) != 0 && std::strncmp(*e, "LANG", 4) != 0) envStore.emplace_back(*e);
  }
  envStore.emplace_back("LC_ALL=C");
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double elapsed = seconds(start);
  // grep exits 1 when nothing matched, which is still a finished run.
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? elapsed : -1;
}

std::size_t countLines(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::size_t n = 0;
  int c;
  while ((c = std::fgetc(f)) != EOF) n += c == '\n';
  std::fclose(f);
  return n;
}

void runProfile(const char* name, const std::vector<std::string>& lines, int runs, bool fullTable) {
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

  // The wider reading ("扩展识别") over the same pages and the same list:
  // every label's numbers, each judged by libphonenumber. Its verdicts are
  // kept between runs, as they are during a search, so the first run, which
  // makes them, is timed on its own.
  double bestWide = 1e30, firstWide = 0;
  std::int32_t foundWide = 0;
  for (int run = 0; run < runs; ++run) {
    NumberList list = prefilled;
    valo::harvest::NumberListSink sink(list, true);
    sink.setWideReading(true);
    foundWide = 0;
    const auto start = Clock::now();
    for (const auto& page : pages) valo::harvest::ExtractFaxNumbers(page, sink, foundWide);
    const double t = seconds(start);
    if (run == 0) firstWide = t;
    bestWide = std::min(bestWide, t);
  }

  // libphonenumber's finder over the same pages, one text a page.
  std::vector<std::string> utf8Pages;
  for (const auto& page : pages) {
    std::string text;
    for (const auto& line : page) text += valo::utf8FromGbk(line) + "\n";
    utf8Pages.push_back(std::move(text));
  }
  const auto& util = *i18n::phonenumbers::PhoneNumberUtil::GetInstance();
  double bestFinder = 1e30;
  long foundFinder = 0;
  for (int run = 0; run < runs; ++run) {
    foundFinder = 0;
    const auto start = Clock::now();
    for (const std::string& text : utf8Pages) {
      i18n::phonenumbers::PhoneNumberMatcher matcher(util, text, "CN",
                                                     i18n::phonenumbers::PhoneNumberMatcher::VALID, 65535);
      i18n::phonenumbers::PhoneNumberMatch match;
      while (matcher.HasNext()) {
        matcher.Next(&match);
        ++foundFinder;
      }
    }
    bestFinder = std::min(bestFinder, seconds(start));
  }

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf(
      "== %s: %.2f MB (10^6 bytes) GBK, %zu lines, %zu pages of %zu lines, %.1f%% lines with label letters\n",
      name, mb, lines.size(), pages.size(), kLinesPerPage,
      100.0 * static_cast<double>(labelled) / static_cast<double>(lines.size()));
  std::printf("list: 100000 numbers before the run, de-duplication on, %d numbers added per run\n", found);
  std::printf("ExtractFaxNumbers: best of %d: %.3f s, %.1f MB/s, %.0f lines/s\n", runs, best, mb / best,
              static_cast<double>(lines.size()) / best);
  std::printf("wide reading: %d numbers added per run; first run, every verdict new: %.3f s; best of %d, "
              "verdicts known: %.3f s\n",
              foundWide, firstWide, runs, bestWide);
  std::printf("ratio wide reading/ExtractFaxNumbers time: %.2f with every verdict new, %.2f with verdicts known\n",
              firstWide / best, bestWide / best);
  std::printf("PhoneNumberMatcher (CN, VALID): best of %d: %.3f s, %ld numbers found (every phone number, not "
              "only faxes)\n",
              runs, bestFinder, foundFinder);
  std::printf("ratio wide reading/PhoneNumberMatcher time: %.2f with every verdict new, %.2f with verdicts known\n",
              firstWide / bestFinder, bestWide / bestFinder);

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("valo-bench-extractor-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string input = (dir / "page.txt").string(), output = (dir / "matches.txt").string();
  {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    FILE* f = std::fopen(input.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  double bestGrep = 1e30;
  for (int run = 0; run < runs; ++run) {
    const double t = timeGrep(input, output);
    if (t < 0) {
      bestGrep = -1;
      break;
    }
    bestGrep = std::min(bestGrep, t);
  }
  if (bestGrep > 0) {
    std::printf("grep -aoiP (LC_ALL=C, matches to a file): best of %d: %.3f s, %.1f MB/s, %zu matches\n",
                runs, bestGrep, mb / bestGrep, countLines(output));
    std::printf("ratio ExtractFaxNumbers/grep throughput: %.2f\n", bestGrep / best);
  } else {
    std::printf("grep -aoiP could not run\n");
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);

  if (!fullTable) return;
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
  std::printf(
      "all 34 rewrites on every line (no skipping): best of %d: %.3f s, %.1f MB/s, %zu lines with a marker\n",
      runs, bestFull, mb / bestFull, markers);
}

// The page text of `entries` fax entries joined by `separator`.
std::string faxEntries(int entries, std::string_view separator) {
  std::string text;
  char entry[32];
  for (int i = 0; i < entries; ++i) {
    std::snprintf(entry, sizeof entry, "FAX:0755-%08d", 26000000 + i);
    if (i > 0) text += separator;
    text += entry;
  }
  return text;
}

// The wider reading of the page text: the best time of `runs` and the count
// of numbers listed.
double timeWidePage(const std::string& text, int runs, std::int32_t& found) {
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    NumberList list;
    valo::harvest::NumberListSink sink(list, true);
    sink.setWideReading(true);
    found = 0;
    const auto start = Clock::now();
    valo::harvest::ExtractFaxNumbersFromText(text, sink, found);
    best = std::min(best, seconds(start));
  }
  return best;
}

void runLongLine(int entries, int runs) {
  const std::string oneLine = faxEntries(entries, " ");
  const std::string perLine = faxEntries(entries, "\r\n");
  std::int32_t foundLine = 0, foundLines = 0;
  // A first pass makes every libphonenumber verdict, for both alike.
  timeWidePage(perLine, 1, foundLines);
  const double lines = timeWidePage(perLine, runs, foundLines);
  const double line = timeWidePage(oneLine, runs, foundLine);
  std::printf("== long line: %d entries \"FAX:0755-NNNNNNNN\", verdicts known, best of %d\n", entries, runs);
  std::printf("wide reading, one line of %.2f MB: %.3f s, %d numbers listed\n",
              static_cast<double>(oneLine.size()) / 1e6, line, foundLine);
  std::printf("wide reading, one entry a line (%.2f MB): %.3f s, %d numbers listed\n",
              static_cast<double>(perLine.size()) / 1e6, lines, foundLines);
  std::printf("ratio one line/one a line time: %.2f\n", line / lines);
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const auto totalBytes = static_cast<std::size_t>(megabytes * 1e6);
  // The verdicts' patterns are compiled and checked once a process; that is
  // start-up, not the cost of a verdict, so it is timed on its own.
  const auto start = Clock::now();
  const bool compiled = valo::harvest::mainlandPatternsInUse();
  std::printf("libphonenumber's mainland patterns %s in %.1f ms, once a process\n",
              compiled ? "compiled with RE2 and checked" : "not usable, the library asked", 1e3 * seconds(start));
  runProfile("sparse", valo::harvest::bench::generatePageLines(totalBytes, 20090317), runs, true);
  runProfile("dense", valo::harvest::bench::generateDenseLines(totalBytes, 20090317), runs, false);
  runLongLine(argc > 3 ? std::max(1, std::atoi(argv[3])) : 80000, runs);
  return 0;
}
