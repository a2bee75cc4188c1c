// One pass over a page line that yields what the 34 marker rewrites, the
// marker search and the run collection yield; see marker_scan.h.
#include "harvest/marker_scan.h"

#include <cstring>

#include "harvest/marker_rewrites.h"
#include "text/gbk.h"

namespace valo::harvest {

namespace {

constexpr std::size_t kMaxRun = sizeof(NumberRun::chars);

// GBK bytes of the characters the label endings are made of.
constexpr unsigned char kColonLead = 0xA3, kColonTrail = 0xBA;            // ：
constexpr unsigned char kChuan[] = {0xB4, 0xAB, 0xD5, 0xE6};              // 传真
constexpr unsigned char kHaoMa[] = {0xBA, 0xC5, 0xC2, 0xEB, 0xA3, 0xBA};  // 号码：
constexpr unsigned char kZhi[] = {0xD6, 0xC1, 0xA3, 0xBA};                // 至：

bool isNumberChar(unsigned char c) {
  return (c >= '0' && c <= '9') || c == '(' || c == ')' || c == '-' || c == '+';
}

// The characters of the rewritten line, fed in order: finds the first
// "FAX:" among them and collects the run behind it.
class Output {
 public:
  explicit Output(NumberRun& run) : run_(run) {}

  bool done() const { return done_; }
  bool marked() const { return marked_; }

  void single(unsigned char c) {
    if (marked_) {
      if (isNumberChar(c) && run_.length < kMaxRun) {
        run_.chars[run_.length++] = static_cast<char>(c);
        done_ = run_.length == kMaxRun;
      } else {
        done_ = true;
      }
      return;
    }
    static constexpr char kMarker[] = "FAX:";
    matched_ = c == static_cast<unsigned char>(kMarker[matched_]) ? matched_ + 1 : (c == 'F' ? 1 : 0);
    marked_ = matched_ == 4;
  }
  void marker() {
    for (const char c : {'F', 'A', 'X', ':'}) single(static_cast<unsigned char>(c));
  }
  // A double-byte character: no part of a marker and not a number character.
  void wide() {
    if (marked_) {
      done_ = true;
    } else {
      matched_ = 0;
    }
  }

 private:
  NumberRun& run_;
  int matched_ = 0;
  bool marked_ = false;
  bool done_ = false;
};

bool bytesAt(const unsigned char* t, std::size_t n, std::size_t at, const unsigned char* bytes,
             std::size_t length) {
  return at + length <= n && std::memcmp(t + at, bytes, length) == 0;
}

// Length of the first label ending, in table order, that begins at `at` (a
// character start), or 0 when none does. ";" counts as ":" (row 4).
std::size_t endingAt(const unsigned char* t, std::size_t n, std::size_t at) {
  if (at >= n) return 0;
  const unsigned char c = t[at];
  if (c == kColonLead) {
    if (at + 1 < n && t[at + 1] == kColonTrail) return at + 2 < n && t[at + 2] == ' ' ? 3 : 2;  // "： ", "："
    return 0;
  }
  if (c == ':' || c == ';') return at + 1 < n && t[at + 1] == ' ' ? 2 : 1;  // ": ", ":"
  if (c == ' ') return 1;
  if (bytesAt(t, n, at, kHaoMa, sizeof kHaoMa)) return sizeof kHaoMa;
  if (bytesAt(t, n, at, kZhi, sizeof kZhi)) return sizeof kZhi;
  return 0;
}

void scan(std::string_view text, Output& out) {
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t p = 0;
  while (p < n && !out.done()) {
    const unsigned char c = t[p];
    if (c == ' ') {  // row 34
      ++p;
    } else if (c == ';') {  // row 4
      out.single(':');
      ++p;
    } else if ((c | 0x20) == 'f') {
      if (p + 2 < n && (t[p + 1] | 0x20) == 'a' && (t[p + 2] | 0x20) == 'x') {
        if (const std::size_t ending = endingAt(t, n, p + 3); ending != 0) {
          out.marker();
          p += 3 + ending;
          continue;
        }
      }
      out.single(c);
      ++p;
    } else if (isGbkLeadByte(c) && p + 1 < n) {
      if (c == kChuan[0] && bytesAt(t, n, p, kChuan, sizeof kChuan)) {
        if (const std::size_t ending = endingAt(t, n, p + 4); ending != 0) {
          out.marker();
          p += 4 + ending;
          continue;
        }
      }
      out.wide();
      p += 2;
    } else {
      out.single(c);
      ++p;
    }
  }
}

}  // namespace

bool findMarkedRun(std::string_view line, NumberRun& run) {
  run.length = 0;
  Output out(run);
  // Rows 1 to 3 need a parenthesis, ASCII or full-width; they run as the
  // table has them, into buffers kept for the next line.
  static constexpr std::string_view kFullWidthOpen = "\xA3\xA8";  // （
  if (line.find('(') == std::string_view::npos && line.find(kFullWidthOpen) == std::string_view::npos) {
    scan(line, out);
    return out.marked();
  }
  thread_local GbkString buffers[2];
  std::string_view current = line;
  int active = -1;
  for (std::size_t row = 0; row < 3; ++row) {
    const int target = active == 0 ? 1 : 0;
    if (markerRewrites()[row].applyTo(current, buffers[target])) {
      active = target;
      current = buffers[target];
    }
  }
  scan(current, out);
  return out.marked();
}

}  // namespace valo::harvest
