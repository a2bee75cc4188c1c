// Fuzz target: the blocked-page decision. The first bytes choose the main
// frame's HTTP status and the engine; the rest is the page's text. The
// decision must agree with a plain reading of its rule, built here from its
// own walk over the characters: refused by status, or a check page (at most
// 40 lines and 4096 bytes, counting CR LF, with a verification text that
// begins at a character start in one of its first five lines; Latin texts in
// any letter case), and never blocked while a line yields a fax number or
// passes the engine's next-page rule. Adding such a line to any page must
// unblock it; putting a verification line on top of a small page without
// results must block it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "fuzz_check.h"
#include "harvest/fax_extractor.h"
#include "search/blocked_page.h"
#include "search/engine_table.h"
#include "search/next_page_rules.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace {

using valo::search::SearchEngine;

// Statuses the reader can report, refusals and others side by side.
constexpr std::array kStatuses = {0, 200, 204, 302, 403, 404, 429, 500, 502, 503, 504, 401};

struct Texts {
  std::vector<std::string> chinese;
  std::vector<std::string> latin = {"unusual traffic", "are not a robot", "captcha", "too many requests"};
  Texts() {
    for (const char* t : {"验证码", "安全验证", "人机验证", "访问过于频繁", "访问频率过高", "异常流量",
                          "拖动滑块", "请完成验证"}) {
      chinese.push_back(valo::gbk(t));
    }
  }
};

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringAsciiCase(std::string_view text, std::string_view lowerNeedle) {
  if (text.size() < lowerNeedle.size()) return false;
  for (std::size_t i = 0; i < lowerNeedle.size(); ++i) {
    if (lowerAscii(text[i]) != lowerNeedle[i]) return false;
  }
  return true;
}

// Tries every text at every character start of the line.
bool referenceVerification(std::string_view line, const Texts& t) {
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::string_view rest = line.substr(pos);
    for (const std::string& text : t.chinese) {
      if (rest.starts_with(text)) return true;
    }
    for (const std::string& text : t.latin) {
      if (equalIgnoringAsciiCase(rest, text)) return true;
    }
    const auto b = static_cast<unsigned char>(line[pos]);
    pos += (b >= 0x81 && b <= 0xFE && pos + 1 < line.size()) ? 2 : 1;
  }
  return false;
}

bool exempt(std::string_view line, const SearchEngine* engine) {
  return (engine != nullptr && valo::search::linePassesNextPageRule(*engine, line)) ||
         valo::harvest::extractCandidate(line).has_value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Texts texts;
  static const std::string faxLine = valo::gbk("传真：0755-12345678");
  static const std::string checkLine = valo::gbk("百度安全验证");
  if (size < 2) return 0;
  const int status = kStatuses[data[0] % kStatuses.size()];
  const auto& table = valo::search::engineTable();
  // One choice beyond the table stands for a reader without an engine.
  const std::size_t choice = data[1] % (table.size() + 1);
  const SearchEngine* engine = choice < table.size() ? &table[choice] : nullptr;
  const std::string_view page(reinterpret_cast<const char*>(data) + 2, size - 2);

  std::vector<std::string_view> lines = valo::splitTextLines(page);
  bool anyExempt = false;
  bool requestAtTop = false;
  std::size_t bytes = 0;
  std::unordered_set<std::string_view> seen;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    bytes += line.size() + 2;
    const bool asks = referenceVerification(line, texts);
    if (i < 5) requestAtTop = requestAtTop || asks;
    if (!seen.insert(line).second) continue;
    FUZZ_CHECK_BYTES(valo::search::holdsVerificationRequest(line) == asks, line);
    anyExempt = anyExempt || exempt(line, engine);
  }
  const bool refusedStatus = valo::search::isRefusalStatus(status);
  FUZZ_CHECK(refusedStatus == (status == 403 || status == 429 || status == 503));
  const bool checkPage = lines.size() <= 40 && bytes <= 4096 && requestAtTop;
  const bool blocked = valo::search::isBlockedPage(status, lines, engine);
  FUZZ_CHECK_BYTES(blocked == (!anyExempt && (refusedStatus || checkPage)), page);

  // A result on the page outweighs whatever else it says.
  lines.emplace_back(faxLine);
  FUZZ_CHECK_BYTES(!valo::search::isBlockedPage(status, lines, engine), page);
  lines.pop_back();
  // A check request on top of a page small enough to be a check page blocks
  // it, unless the page carries results.
  lines.insert(lines.begin(), checkLine);
  const bool small = lines.size() <= 40 && bytes + checkLine.size() + 2 <= 4096;
  FUZZ_CHECK_BYTES(valo::search::isBlockedPage(status, lines, engine) == (!anyExempt && (refusedStatus || small)),
                   page);
  return 0;
}
