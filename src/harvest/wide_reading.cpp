// The wider reading: labels found in the folded line, then the numbers that
// follow each of them, read by the shape of the mainland numbering plan
// (area codes 10 and 20 to 29 have two digits, the others three; local
// numbers seven or eight digits; mobiles eleven digits from 13 to 19) and
// judged by libphonenumber.
#include "harvest/wide_reading.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "harvest/number_check.h"
#include "harvest/number_key_set.h"
#include "harvest/wide_text.h"

namespace valo::harvest {
namespace {

constexpr std::size_t kMaxDigits = 20;   // longer runs are read, not kept
constexpr std::size_t kMaxNumber = 13;   // the exact rules' cut
constexpr std::size_t kMinFirst = 5;     // fewer digits behind a label say nothing

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isLetter(char c) {
  c = static_cast<char>(c | 0x20);
  return c >= 'a' && c <= 'z';
}
bool at(std::string_view s, std::size_t p, std::string_view bytes) {
  return p <= s.size() && s.substr(p, bytes.size()) == bytes;
}
// `lowerWord` in any case of its ASCII letters, not followed by a letter.
bool wordAt(std::string_view s, std::size_t p, std::string_view lowerWord) {
  if (p + lowerWord.size() > s.size()) return false;
  for (std::size_t k = 0; k < lowerWord.size(); ++k) {
    if ((s[p + k] | 0x20) != lowerWord[k]) return false;
  }
  return p + lowerWord.size() == s.size() || !isLetter(s[p + lowerWord.size()]);
}
std::size_t skipBlanks(std::string_view s, std::size_t p) {
  while (p < s.size() && s[p] == ' ') ++p;
  return p;
}

// GBK bytes of the label characters.
constexpr std::string_view kChuan = "\xB4\xAB", kChuanTraditional = "\x82\xF7", kZhen = "\xD5\xE6";
constexpr std::string_view kHaoMa = "\xBA\xC5\xC2\xEB", kHao = "\xBA\xC5", kDianHua = "\xB5\xE7\xBB\xB0",
                           kZhi = "\xD6\xC1", kZhuan = "\xD7\xAA";

// Where the label that begins at `p` ends, 0 when none begins there.
// `afterLetter`: the character before `p` is an ASCII letter, so a Latin
// label there is part of a longer word ("footerFax").
std::size_t labelAt(std::string_view s, std::size_t p, bool afterLetter) {
  const auto c = static_cast<unsigned char>(s[p]);
  if (c != 0xB4 && c != 0x82 && (c | 0x20) != 'f') return 0;  // most characters
  if (at(s, p, kChuan) || at(s, p, kChuanTraditional)) {
    const std::size_t q = skipBlanks(s, p + 2);
    return at(s, q, kZhen) ? q + 2 : 0;
  }
  if (afterLetter || (s[p] | 0x20) != 'f') return 0;
  if (wordAt(s, p, "facsimile")) return p + 9;
  if (wordAt(s, p, "fax")) return p + 3;
  // "FaxNo:", "FaxNumber:"; the tail reads the rest.
  if (wordAt(s.substr(0, p + 3), p, "fax") && (wordAt(s, p + 3, "no") || wordAt(s, p + 3, "number"))) {
    return p + 3;
  }
  return 0;
}

// What may stand between a label and its number: "号码", "号", "电话", "至",
// "No.", "Number", "#", a closing parenthesis, a colon, blanks.
std::size_t skipLabelTail(std::string_view s, std::size_t p) {
  p = skipBlanks(s, p);
  if (at(s, p, kHaoMa) || at(s, p, kDianHua)) {
    p += 4;
  } else if (at(s, p, kHao) || at(s, p, kZhi)) {
    p += 2;
  } else if (wordAt(s, p, "number")) {
    p += 6;
  } else if (wordAt(s, p, "no")) {
    p += 2;
    if (p < s.size() && s[p] == '.') ++p;
  } else if (p < s.size() && s[p] == '#') {
    ++p;
  }
  p = skipBlanks(s, p);
  // "传真/电话：", "Fax/Tel:": the number serves both.
  if (p < s.size() && (s[p] == '/' || s[p] == ',' || s[p] == '&')) {
    const std::size_t q = skipBlanks(s, p + 1);
    if (at(s, q, kDianHua)) p = skipBlanks(s, q + 4);
    if (wordAt(s, q, "tel")) p = skipBlanks(s, q + 3);
    if (wordAt(s, q, "phone")) p = skipBlanks(s, q + 5);
  }
  if (p < s.size() && s[p] == ')') p = skipBlanks(s, p + 1);
  if (p < s.size() && (s[p] == ':' || s[p] == ';')) p = skipBlanks(s, p + 1);
  return p;
}

bool numberStartsAt(std::string_view s, std::size_t p) {
  if (p >= s.size()) return false;
  if (isDigit(s[p])) return true;
  if (p + 1 >= s.size()) return false;
  if (s[p] == '+') return isDigit(s[p + 1]);
  return s[p] == '(' && (isDigit(s[p + 1]) || s[p + 1] == '+');
}

// Length of the separator inside one number that is followed by a digit, 0
// when none is: "-", ".", ")", "(" and short runs of them, blanks around
// them ("0755 - 8888"), or one blank alone.
std::size_t innerSeparatorAt(std::string_view s, std::size_t p) {
  std::size_t q = p;
  int blanks = 0;
  while (q < s.size() && q - p < 3 && s[q] != '\0' && std::strchr("-. ()", s[q]) != nullptr) {
    blanks += s[q] == ' ' ? 1 : 0;
    ++q;
  }
  const std::size_t length = q - p;
  if (length == 0 || q >= s.size() || !isDigit(s[q])) return 0;
  return blanks <= 1 || static_cast<std::size_t>(blanks) < length ? length : 0;
}

std::size_t readDigits(std::string_view s, std::size_t p, std::string& digits) {
  while (p < s.size() && isDigit(s[p])) {
    if (digits.size() < kMaxDigits) digits += s[p];
    ++p;
  }
  return p;
}

enum class Shape { Mobile, Service, TwoDigitArea, ThreeDigitArea, Unknown };

struct Parsed {
  bool mainland = false;  // false: foreign, or no number of the mainland's shape
  std::string digits;     // the national significant number
  Shape shape = Shape::Unknown;
  std::size_t end = 0;
};

Shape shapeOf(const std::string& d, bool prefixed) {
  if (d.size() < 2) return Shape::Unknown;
  if (d[0] == '1' && d[1] >= '3') return Shape::Mobile;
  if (d.size() >= 3 && (d.compare(0, 3, "400") == 0 || d.compare(0, 3, "800") == 0)) return Shape::Service;
  // Without "0" or a country code only mobiles and service numbers stand
  // for themselves; "202-2440931" is not read as a Guangzhou number.
  if (!prefixed) return Shape::Unknown;
  if (d[0] == '2' || (d[0] == '1' && d[1] == '0')) return Shape::TwoDigitArea;
  // No area code begins with 1 but 10; such a number is read to be judged.
  if (d[0] >= '3' || d[0] == '1') return Shape::ThreeDigitArea;
  return Shape::Unknown;
}

// The digit counts a complete number of the shape has.
std::size_t minDigits(Shape shape) {
  switch (shape) {
    case Shape::Mobile: return 11;
    case Shape::Service: return 10;
    case Shape::TwoDigitArea: return 9;
    case Shape::ThreeDigitArea: return 10;
    case Shape::Unknown: break;
  }
  return kMaxDigits;
}
std::size_t areaLength(Shape shape) {
  return shape == Shape::TwoDigitArea ? 2 : shape == Shape::ThreeDigitArea ? 3 : 0;
}

// Whether `d` (no trunk "0") is exactly one whole national number: a mobile
// of eleven digits, a service number of ten, an area code and a local number
// of seven or eight digits.
bool wholeNational(std::string_view d) {
  if (d.empty() || d[0] == '0') return false;
  const Shape shape = shapeOf(std::string(d), true);
  if (shape == Shape::Unknown) return false;
  const std::size_t least = minDigits(shape);
  const std::size_t most = shape == Shape::Mobile || shape == Shape::Service ? least : least + 1;
  return d.size() >= least && d.size() <= most;
}

// A country code at `p`: "+86", "0086", "86" before a separator, "(+86)".
// Returns the position behind it, or p; `foreign` when another one stands there.
std::size_t countryCodeAt(std::string_view s, std::size_t p, bool& country, bool& foreign) {
  for (const std::string_view code : {std::string_view("(+86)"), std::string_view("(0086)"),
                                      std::string_view("(86)"), std::string_view("+86"),
                                      std::string_view("0086")}) {
    if (at(s, p, code)) {
      country = true;
      return p + code.size();
    }
  }
  if (at(s, p, "86") && p + 2 < s.size() && std::strchr("-. (", s[p + 2]) != nullptr) {
    country = true;
    return p + 2;
  }
  if (s[p] == '+' || (s[p] == '(' && p + 1 < s.size() && s[p + 1] == '+') || at(s, p, "00")) foreign = true;
  return p;
}

// One number beginning at `p` (numberStartsAt holds there).
Parsed parseNumber(std::string_view s, std::size_t p) {
  Parsed out;
  bool country = false, foreign = false, trunk = false;
  std::size_t i = countryCodeAt(s, p, country, foreign);
  if (country) {
    while (i < s.size() && (s[i] == '-' || s[i] == ' ' || s[i] == '.')) ++i;
    if (at(s, i, "(0)")) {
      trunk = true;
      i += 3;
      while (i < s.size() && (s[i] == '-' || s[i] == ' ' || s[i] == '.')) ++i;
    }
  }
  while (i < s.size() && (s[i] == '(' || s[i] == '+')) ++i;
  const std::size_t groupStart = i;
  i = readDigits(s, i, out.digits);
  if (!country && !foreign && !out.digits.empty() && out.digits[0] == '0') trunk = true;
  // "8613912345678": a country code written straight before the number, as
  // the exact rules read it too. Only a group that is "86" and one whole
  // number is read so: "86543210" stays a local number without area code.
  if (!country && !foreign && !trunk && out.digits.size() == i - groupStart && out.digits.starts_with("86") &&
      wholeNational(std::string_view(out.digits).substr(2))) {
    out.digits.erase(0, 2);
    country = true;
  }
  // "+86 0571 …" and "0571" carry the trunk prefix; the national number has none.
  if ((country || trunk) && !out.digits.empty() && out.digits[0] == '0') out.digits.erase(0, 1);
  // The shape needs two digits; then groups are taken until it is complete.
  for (std::size_t sep; out.digits.size() < 2 && (sep = innerSeparatorAt(s, i)) != 0;) {
    i = readDigits(s, i + sep, out.digits);
  }
  out.shape = foreign ? Shape::Unknown : shapeOf(out.digits, country || trunk);
  const std::size_t need = minDigits(out.shape);
  for (std::size_t sep; out.digits.size() < need && (sep = innerSeparatorAt(s, i)) != 0;) {
    i = readDigits(s, i + sep, out.digits);
  }
  out.mainland = out.shape != Shape::Unknown;
  // An extension ("-8001", "转8001") belongs to the number and is no number.
  if (out.mainland && out.digits.size() >= need) {
    std::size_t q = i;
    if (q < s.size() && s[q] == '-') {
      ++q;
    } else if (at(s, q, kZhuan)) {
      q += 2;
    }
    if (q > i && q < s.size() && isDigit(s[q])) {
      std::string extension;
      const std::size_t end = readDigits(s, q, extension);
      if (extension.size() <= 5) {
        i = end;
        // More extensions of the same number: "转8001/8002".
        while (i + 1 < s.size() && s[i] == '/' && isDigit(s[i + 1])) {
          extension.clear();
          const std::size_t next = readDigits(s, i + 1, extension);
          if (extension.size() > 5) break;
          i = next;
        }
      }
    }
  }
  out.end = i;
  return out;
}

std::string domesticForm(const std::string& digits, Shape shape) {
  std::string number = "0";
  const std::size_t area = areaLength(shape);
  if (area != 0 && digits.size() > area) {
    number.append(digits, 0, area);
    number += '-';
    number.append(digits, area, std::string::npos);
  } else {
    number += digits;
  }
  return number;
}

// The numbers of one line, each once, handed on as they are read.
class LineNumbers {
 public:
  explicit LineNumbers(const std::function<void(WideNumber&&)>& take) : take_(take) {}

  void add(const std::string& digits, Shape shape) {
    WideNumber found{domesticForm(digits, shape), false};
    // A longer number is no valid one, and its cut form could look valid,
    // so it is marked before the cut.
    const bool cut = found.number.size() > kMaxNumber;
    if (cut) found.number.resize(kMaxNumber);
    if (!seen_.insert(found.number)) return;
    if (!cut) found.valid = isValidMainlandNational(digits);
    take_(std::move(found));
  }

 private:
  const std::function<void(WideNumber&&)>& take_;
  NumberKeySet seen_;
};

// A short tail at `p` after "/", ",", "、" or ";" following `previous`: its digits
// replace the last ones of the local number ("021-53853033/3022"). Returns
// the tail's end, or 0 when what stands there is no tail.
std::size_t tailAt(std::string_view s, std::size_t p, const Parsed& previous, std::string& digits) {
  const std::size_t area = areaLength(previous.shape);
  if (area == 0 || !isDigit(s[p])) return 0;
  const std::size_t local = previous.digits.size() - area;
  std::string tail;
  std::size_t end = readDigits(s, p, tail);
  if (const std::size_t sep = innerSeparatorAt(s, end); sep != 0) {
    // A number of its own goes on with its groups ("/021-53853044"); a
    // whole local number may come in blank-separated groups ("/5385 3033").
    if (s[end] != ' ' || tail[0] == '0') return 0;
    std::string whole = tail;
    std::size_t q = end;
    while (whole.size() < local && q < s.size() && s[q] == ' ' && innerSeparatorAt(s, q) == 1) {
      q = readDigits(s, q + 1, whole);
    }
    if (whole.size() == local) {
      tail = std::move(whole);
      end = q;
    }
  }
  // A whole local number never begins with 0 or 1.
  if (tail.size() > local || (tail.size() == local && tail[0] < '2')) return 0;
  digits = previous.digits;
  digits.replace(digits.size() - tail.size(), tail.size(), tail);
  return end;
}

// The numbers behind one label, from `p`; returns where they end.
std::size_t readNumbersAfterLabel(std::string_view s, std::size_t p, LineNumbers& out) {
  Parsed previous;
  bool first = true;
  bool fixedLine = false;  // the label's list holds a number with an area code
  bool listed = false;  // behind "/", ",", "、", ";", where short tails may stand
  while (numberStartsAt(s, p)) {
    std::string tailDigits;
    if (const std::size_t tailEnd = listed ? tailAt(s, p, previous, tailDigits) : 0; tailEnd != 0) {
      out.add(tailDigits, previous.shape);
      p = tailEnd;
    } else {
      Parsed number = parseNumber(s, p);
      // After the first, only whole numbers go on: a postcode, a date or an
      // order number ends the list, as does anything foreign.
      if (!number.mainland || number.digits.size() < (first ? kMinFirst : minDigits(number.shape))) {
        return number.end;
      }
      // "传真：0755-26543210 13912345678": a mobile after the fax's fixed line
      // is the contact's own; a mobile gets a fax label of its own.
      if (fixedLine && number.shape == Shape::Mobile) return number.end;
      fixedLine = fixedLine || areaLength(number.shape) != 0;
      out.add(number.digits, number.shape);
      p = number.end;
      previous = std::move(number);
    }
    first = false;
    const std::size_t q = skipBlanks(s, p);
    listed = q < s.size() && (s[q] == '/' || s[q] == ',' || s[q] == ';');
    if (listed) {
      p = skipBlanks(s, q + 1);
    } else if (q > p) {
      p = q;
    } else {
      break;
    }
  }
  return p;
}

}  // namespace

std::vector<WideNumber> readWideNumbers(std::string_view line) {
  std::vector<WideNumber> out;
  readWideNumbers(line, out);
  return out;
}

void readWideNumbers(std::string_view line, std::vector<WideNumber>& out) {
  out.clear();
  readWideNumbers(line, [&out](WideNumber&& found) { out.push_back(std::move(found)); });
}

void readWideNumbers(std::string_view line, const std::function<void(WideNumber&&)>& take) {
  if (!mayHoldWideLabel(line)) return;
  thread_local GbkString folded;
  foldWideForms(line, folded);
  const std::string_view s = folded;
  LineNumbers numbers(take);
  bool afterLetter = false;
  for (std::size_t p = 0; p < s.size();) {
    if (const std::size_t label = labelAt(s, p, afterLetter); label != 0) {
      const std::size_t q = skipLabelTail(s, label);
      p = std::max(label, readNumbersAfterLabel(s, q, numbers));
      afterLetter = false;
      continue;
    }
    const auto c = static_cast<unsigned char>(s[p]);
    if (isGbkLeadByte(c) && p + 1 < s.size()) {
      afterLetter = false;
      p += 2;
    } else {
      afterLetter = isLetter(s[p]);
      ++p;
    }
  }
}

}  // namespace valo::harvest
