// One pass over a page line that yields what the 34 marker rewrites, the
// marker search and the run collection yield; see marker_scan.h.
#include "harvest/marker_scan.h"

#include <cstring>

#include "harvest/char_boundary.h"
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
constexpr unsigned char kFullWidthOpen[] = {0xA3, 0xA8};                  // （
constexpr unsigned char kFullWidthClose[] = {0xA3, 0xA9};                 // ）

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

// True when "(" or "（" is directly followed by an f or F somewhere.
bool parenthesisedLabelIn(std::string_view line) {
  static constexpr std::string_view kOpen = "\xA3\xA8";  // （
  for (std::size_t at = line.find('('); at != std::string_view::npos; at = line.find('(', at + 1)) {
    if (at + 1 < line.size() && (line[at + 1] | 0x20) == 'f') return true;
  }
  for (std::size_t at = line.find(kOpen); at != std::string_view::npos; at = line.find(kOpen, at + 1)) {
    if (at + 2 < line.size() && (line[at + 2] | 0x20) == 'f') return true;
  }
  return false;
}

// How a scan ended: with the line read (or the run complete), or at a
// parenthesised label directly behind an opening parenthesis, where rows 1
// to 3 may build a label out of each other's replacements.
enum class ScanEnd { kRead, kNestedLabel };

bool faxLettersAt(const unsigned char* t, std::size_t n, std::size_t at) {
  return at + 3 <= n && (t[at] | 0x20) == 'f' && (t[at + 1] | 0x20) == 'a' && (t[at + 2] | 0x20) == 'x';
}

// With `labelRows`, rows 1 to 3 are applied on the way: "(fax) " (row 1),
// "(fax)" (row 2) and "（fax）" (row 3), letters in any case, become "Fax"
// followed by the rest. Their matches never overlap, so each is settled
// where it stands, except where an opening parenthesis stands right before
// "(fax)": there a replacement can complete a later row's pattern, and the
// scan gives up. Without `labelRows` the text has been through those rows.
ScanEnd scan(std::string_view text, Output& out, bool labelRows) {
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t p = 0;
  bool afterOpening = false;  // the character before p is "(" or "（"
  // A "fax" (or the "Fax" a label row leaves) whose letters end before `at`.
  auto faxLetters = [&](std::size_t at, const char* letters) {
    if (const std::size_t ending = endingAt(t, n, at); ending != 0) {
      out.marker();
      p = at + ending;
    } else {
      for (int k = 0; k < 3; ++k) out.single(static_cast<unsigned char>(letters[k]));
      p = at;
    }
  };
  while (p < n && !out.done()) {
    const unsigned char c = t[p];
    bool opening = false;  // this character is "(" or "（" and stays one
    if (c == ' ') {        // row 34
      ++p;
    } else if (c == ';') {  // row 4
      out.single(':');
      ++p;
    } else if ((c | 0x20) == 'f') {
      if (faxLettersAt(t, n, p)) {
        const char letters[] = {static_cast<char>(t[p]), static_cast<char>(t[p + 1]),
                                static_cast<char>(t[p + 2])};
        faxLetters(p + 3, letters);
      } else {
        out.single(c);
        ++p;
      }
    } else if (c == '(') {
      if (labelRows && faxLettersAt(t, n, p + 1) && p + 4 < n && t[p + 4] == ')') {
        if (afterOpening) return ScanEnd::kNestedLabel;
        faxLetters(p + 5 < n && t[p + 5] == ' ' ? p + 6 : p + 5, "Fax");
      } else {
        out.single(c);
        ++p;
        opening = true;
      }
    } else if (isGbkLeadByte(c) && p + 1 < n) {
      if (c == kFullWidthOpen[0] && t[p + 1] == kFullWidthOpen[1]) {
        if (labelRows && faxLettersAt(t, n, p + 2) && p + 6 < n && t[p + 5] == kFullWidthClose[0] &&
            t[p + 6] == kFullWidthClose[1]) {
          faxLetters(p + 7, "Fax");
        } else {
          out.wide();
          p += 2;
          opening = true;
        }
      } else if (const std::size_t ending =
                     c == kChuan[0] && bytesAt(t, n, p, kChuan, sizeof kChuan) ? endingAt(t, n, p + 4) : 0;
                 ending != 0) {
        out.marker();
        p += 4 + ending;
      } else {
        out.wide();
        p += 2;
      }
    } else {
      out.single(c);
      ++p;
    }
    afterOpening = opening;
  }
  return ScanEnd::kRead;
}

}  // namespace

bool findMarkedRun(std::string_view line, std::size_t candidate, NumberRun& run) {
  {
    // Every marker starts at the candidate or later, made from its letters or
    // its "传真"; a parenthesised label that rows 1 to 3 would turn into those
    // letters starts at most two parentheses, four bytes, earlier.
    const std::size_t from = charStartBefore(line, candidate, 8);
    run.length = 0;
    Output out(run);
    const ScanEnd end = scan(line.substr(from), out, true);
    // A run that stopped at its length limit may end just before a
    // parenthesised label that rows 1 to 3 would reach back from.
    if (end == ScanEnd::kRead && !(run.length == sizeof run.chars && parenthesisedLabelIn(line))) {
      return out.marked();
    }
  }
  // Rows 1 to 3 as the table has them, into buffers kept for the next line.
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
  run.length = 0;
  Output out(run);
  scan(current, out, false);
  return out.marked();
}

}  // namespace valo::harvest
