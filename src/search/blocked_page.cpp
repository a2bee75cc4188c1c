// The blocked-page decision; see blocked_page.h.
#include "search/blocked_page.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "harvest/char_boundary.h"
#include "harvest/fax_extractor.h"
#include "search/engine_file.h"
#include "search/next_page_rules.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::search {
namespace {

// What the engines write on their check pages (Baidu's "百度安全验证", Sogou's
// and 360's "请输入验证码", Google's "unusual traffic from your computer
// network", and the human checks and rate notices of the others).
constexpr std::array kChineseRequests = {
    "验证码", "安全验证", "人机验证", "访问过于频繁", "访问频率过高", "异常流量", "拖动滑块", "请完成验证",
};
constexpr std::array kLatinRequests = {
    "unusual traffic",
    "are not a robot",
    "captcha",
    "too many requests",
};

const std::vector<GbkString>& chineseRequests() {
  static const std::vector<GbkString> texts = [] {
    std::vector<GbkString> out;
    out.reserve(kChineseRequests.size());
    for (const char* t : kChineseRequests) out.push_back(gbk(t));
    return out;
  }();
  return texts;
}

std::string asciiLower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return out;
}

}  // namespace

bool isRefusalStatus(int httpStatus) {
  return httpStatus == 403 || httpStatus == 429 || httpStatus == 503;
}

bool holdsVerificationRequest(std::string_view gbkLine) {
  for (const GbkString& text : chineseRequests()) {
    if (harvest::findAtCharBoundary(gbkLine, text) != std::string_view::npos) return true;
  }
  // Lowering also changes trail bytes of double-byte characters, but never a
  // lead byte, so the character boundaries, and the search at them, stay exact.
  const std::string lowered = asciiLower(gbkLine);
  for (const char* text : kLatinRequests) {
    if (harvest::findAtCharBoundary(lowered, text) != std::string_view::npos) return true;
  }
  return false;
}

namespace {

// A check page is a few short lines with the request at its top; a result
// page has the engine's header above its snippets and is larger.
constexpr std::size_t kCheckPageMaxBytes = 4096;
constexpr int kCheckPageMaxLines = 40;
constexpr int kCheckRequestTopLines = 5;

// The texts a file's engine adds, matched as written at character starts.
bool holdsEngineVerification(const SearchEngine* engine, std::string_view line) {
  if (engine == nullptr || engine->fileRules == nullptr) return false;
  for (const GbkString& text : engine->fileRules->verifyTexts) {
    if (harvest::findAtCharBoundary(line, text) != std::string_view::npos) return true;
  }
  return false;
}

// The decision over any source of lines: `next(line)` gives the following
// line and returns false after the last.
template <typename NextLine>
bool decide(int httpStatus, NextLine&& next, const SearchEngine* engine) {
  const bool refusalStatus = isRefusalStatus(httpStatus);
  bool requestAtTop = false;
  std::size_t bytes = 0;
  int count = 0;
  std::string_view line;
  while (next(line)) {
    // A page with results is never blocked, whatever else it says.
    if (engine != nullptr && linePassesNextPageRule(*engine, line)) return false;
    if (harvest::extractCandidate(line)) return false;
    ++count;
    bytes += line.size() + 2;
    if (!refusalStatus) {
      // Past the size of a check page nothing more can make it one.
      if (count > kCheckPageMaxLines || bytes > kCheckPageMaxBytes) return false;
      if (count <= kCheckRequestTopLines && !requestAtTop)
        requestAtTop = holdsVerificationRequest(line) || holdsEngineVerification(engine, line);
    }
  }
  return refusalStatus || requestAtTop;
}

}  // namespace

bool isBlockedPage(int httpStatus, std::span<const std::string_view> lines, const SearchEngine* engine) {
  std::size_t i = 0;
  return decide(
      httpStatus,
      [&](std::string_view& line) {
        if (i >= lines.size()) return false;
        line = lines[i++];
        return true;
      },
      engine);
}

bool isBlockedPage(int httpStatus, std::string_view pageText, const SearchEngine* engine) {
  TextLineCursor cursor(pageText);
  return decide(httpStatus, [&](std::string_view& line) { return cursor.next(line); }, engine);
}

}  // namespace valo::search
