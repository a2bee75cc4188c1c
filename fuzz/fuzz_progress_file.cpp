// Fuzz target: the progress-file reader. Arbitrary file bytes either apply
// their four values in order or stop with the conversion error naming the
// line that is no integer, after the lines before it took effect; the interval
// always lands in the box's range; a file with LF line ends reads as one with
// CR LF; and values written by the program read back as they were written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/progress_file.h"
#include "fuzz_check.h"
#include "text/app_error.h"

namespace {

using valo::AppError;
using valo::files::ProgressTarget;
using valo::files::ProgressValues;

// Records every call, in order.
struct Recorder : ProgressTarget {
  int calls = 0;
  std::string engineText;
  std::int32_t keywordIndex = 0;
  bool dedup = false;
  std::int32_t interval = 0;
  void setEngineText(const std::string& text) override {
    FUZZ_CHECK(calls == 0);
    engineText = text;
    ++calls;
  }
  void setKeywordIndex(std::int32_t index) override {
    FUZZ_CHECK(calls == 1);
    keywordIndex = index;
    ++calls;
  }
  void setDedupTicked(bool ticked) override {
    FUZZ_CHECK(calls == 2);
    dedup = ticked;
    ++calls;
  }
  void setIntervalSeconds(std::int32_t seconds) override {
    FUZZ_CHECK(calls == 3);
    FUZZ_CHECK(seconds >= valo::files::kIntervalMinSeconds && seconds <= valo::files::kIntervalMaxSeconds);
    interval = seconds;
    ++calls;
  }
};

struct Outcome {
  Recorder seen;
  std::optional<std::string> error;
};

Outcome apply(std::string_view text) {
  Outcome o;
  try {
    valo::files::applyProgressText(text, o.seen);
  } catch (const AppError& e) {
    o.error = e.message();
  }
  return o;
}

// The first four lines the way a line-by-line text reader sees them.
std::vector<std::string> fourLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (lines.size() < 4) {
    if (pos >= text.size()) {
      lines.emplace_back();
      continue;
    }
    std::size_t lf = text.find('\n', pos);
    std::string line(text.substr(pos, (lf == std::string_view::npos ? text.size() : lf) - pos));
    if (lf != std::string_view::npos && line.ends_with('\r')) line.pop_back();
    lines.push_back(line);
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
  }
  return lines;
}

bool sameOutcome(const Outcome& a, const Outcome& b) {
  return a.error == b.error && a.seen.calls == b.seen.calls && a.seen.engineText == b.seen.engineText &&
         a.seen.keywordIndex == b.seen.keywordIndex && a.seen.dedup == b.seen.dedup &&
         a.seen.interval == b.seen.interval;
}

void checkReading(std::string_view text) {
  const Outcome o = apply(text);
  const std::vector<std::string> lines = fourLines(text);
  FUZZ_CHECK(o.seen.calls >= 1);
  FUZZ_CHECK(o.seen.engineText == lines[0]);
  std::int32_t value = 0;
  if (!valo::tryStrToInt(lines[1], value)) {
    FUZZ_CHECK(o.seen.calls == 1);
    FUZZ_CHECK(o.error == valo::formatMessage("'%s' is not a valid integer value", lines[1]));
    return;
  }
  FUZZ_CHECK(o.seen.keywordIndex == value);
  FUZZ_CHECK(o.seen.dedup == (lines[2] == "qcyes"));
  if (!valo::tryStrToInt(lines[3], value)) {
    FUZZ_CHECK(o.seen.calls == 3);
    FUZZ_CHECK(o.error == valo::formatMessage("'%s' is not a valid integer value", lines[3]));
    return;
  }
  FUZZ_CHECK(!o.error);
  FUZZ_CHECK(o.seen.calls == 4);
  FUZZ_CHECK(o.seen.interval == valo::files::clampIntervalSeconds(value));

  // Unix line ends read the same: turn every lone LF into CR LF.
  std::string crlf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
    crlf += text[i];
  }
  FUZZ_CHECK(sameOutcome(o, apply(crlf)));
}

void checkRoundTrip(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return;
  ProgressValues v;
  std::int32_t k, interval;
  std::memcpy(&k, data, 4);
  std::memcpy(&interval, data + 4, 4);
  v.keywordIndex = k;
  v.intervalSeconds = interval;
  v.dedupTicked = (data[8] & 1) != 0;
  v.engineText.assign(reinterpret_cast<const char*>(data) + 9, size - 9);
  // The engine box is a one-line box: it cannot hold a line end.
  v.engineText = v.engineText.substr(0, v.engineText.find('\n'));

  const std::string bytes = valo::files::progressFileBytes(v);
  FUZZ_CHECK(bytes.ends_with("\r\n"));
  const Outcome o = apply(bytes);
  FUZZ_CHECK(o.seen.engineText == v.engineText);
  if (k == std::numeric_limits<std::int32_t>::min()) {
    // KeywordIndex - 1 is written without wrapping, so this one value comes
    // back as a number the reader refuses.
    FUZZ_CHECK(o.error == "'-2147483649' is not a valid integer value");
    return;
  }
  FUZZ_CHECK(!o.error);
  FUZZ_CHECK(o.seen.keywordIndex == k - 1);  // the file stores KeywordIndex - 1, read back unchanged
  FUZZ_CHECK(o.seen.dedup == v.dedupTicked);
  FUZZ_CHECK(o.seen.interval == valo::files::clampIntervalSeconds(interval));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  checkReading(std::string_view(reinterpret_cast<const char*>(data), size));
  checkRoundTrip(data, size);
  return 0;
}
