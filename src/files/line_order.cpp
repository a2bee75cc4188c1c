// The merge order; see line_order.h.
#include "files/line_order.h"

#include <unicode/locid.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace valo::files {

LineOrder::LineOrder() {
  init(icu::Locale::getDefault().getName());
}

LineOrder::LineOrder(const char* localeName) {
  init(localeName);
}

LineOrder::~LineOrder() {
  if (collator_ != nullptr) ucol_close(collator_);
  if (converter_ != nullptr) ucnv_close(converter_);
}

LineOrder::LineOrder(const LineOrder& from, CloneTag) : rank_(from.rank_), fastEnabled_(from.fastEnabled_) {
  UErrorCode status = U_ZERO_ERROR;
  collator_ = ucol_clone(from.collator_, &status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU cannot clone a collator");
  openConverter();
}

std::unique_ptr<LineOrder> LineOrder::clone() const {
  return std::unique_ptr<LineOrder>(new LineOrder(*this, CloneTag{}));
}

void LineOrder::openConverter() {
  UErrorCode status = U_ZERO_ERROR;
  converter_ = ucnv_open("windows-936-2000", &status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU has no converter for code page 936");
}

void LineOrder::init(const char* localeName) {
  UErrorCode status = U_ZERO_ERROR;
  collator_ = ucol_open(localeName, &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    collator_ = ucol_open("", &status);
  }
  if (U_FAILURE(status)) throw std::runtime_error("ICU cannot open a collator");
  // Case is folded away before comparing; tertiary strength keeps every other
  // difference (accents, width) that the locale distinguishes.
  ucol_setStrength(collator_, UCOL_TERTIARY);
  openConverter();
  fastEnabled_ = deriveRanks();
}

bool LineOrder::deriveRanks() {
  std::vector<char16_t> chars;
  for (char16_t c = 0x20; c <= 0x7E; ++c) {
    if (c < u'A' || c > u'Z') chars.push_back(c);
  }
  auto coll = [this](const std::u16string& a, const std::u16string& b) {
    return ucol_strcoll(collator_, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                        reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
  };
  std::sort(chars.begin(), chars.end(), [&](char16_t a, char16_t b) {
    return coll(std::u16string(1, a), std::u16string(1, b)) == UCOL_LESS;
  });
  rank_.fill(0);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (i > 0 && coll(std::u16string(1, chars[i - 1]), std::u16string(1, chars[i])) != UCOL_LESS)
      return false;
    rank_[chars[i]] = static_cast<std::uint8_t>(i + 1);
  }
  for (unsigned char c = 'A'; c <= 'Z'; ++c) rank_[c] = rank_[c - 'A' + 'a'];

  // Every string of one or two characters, ordered by ranks, must be strictly
  // ascending under the collator too; this catches contractions, expansions,
  // ignorable characters and numeric ordering.
  std::vector<std::u16string> samples;
  for (char16_t a : chars) {
    samples.emplace_back(1, a);
    for (char16_t b : chars) samples.push_back(std::u16string{a, b});
  }
  auto byRank = [this](const std::u16string& a, const std::u16string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [this](char16_t x, char16_t y) { return rank_[x] < rank_[y]; });
  };
  std::sort(samples.begin(), samples.end(), byRank);
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (coll(samples[i - 1], samples[i]) != UCOL_LESS) {
      rank_.fill(0);
      return false;
    }
  }
  return true;
}

std::u16string_view LineOrder::fold(std::string_view gbk, std::u16string& buffer) const {
  // The buffers only grow, so a comparison neither allocates nor clears
  // memory that the conversion overwrites anyway.
  if (scratchFold_.size() < gbk.size() + 1) scratchFold_.resize(gbk.size() + 1);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(converter_);
  int32_t n = ucnv_toUChars(converter_, reinterpret_cast<UChar*>(scratchFold_.data()),
                            static_cast<int32_t>(scratchFold_.size()), gbk.data(),
                            static_cast<int32_t>(gbk.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error("GBK conversion failed");
  // Folding may lengthen a string (for example the German sharp s).
  const std::size_t room = static_cast<std::size_t>(n) * 3 + 1;
  if (buffer.size() < room) buffer.resize(room);
  status = U_ZERO_ERROR;
  const int32_t m =
      u_strFoldCase(reinterpret_cast<UChar*>(buffer.data()), static_cast<int32_t>(buffer.size()),
                    reinterpret_cast<const UChar*>(scratchFold_.data()), n, U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) throw std::runtime_error("case folding failed");
  return std::u16string_view(buffer.data(), static_cast<std::size_t>(m));
}

int LineOrder::compare(std::string_view a, std::string_view b) const {
  if (fastEnabled_) {
    const auto fast = [](std::string_view s) {
      return std::all_of(s.begin(), s.end(),
                         [](char c) { return isFastByte(static_cast<unsigned char>(c)); });
    };
    if (fast(a) && fast(b)) {
      const std::size_t n = std::min(a.size(), b.size());
      for (std::size_t i = 0; i < n; ++i) {
        const int d = rank_[static_cast<unsigned char>(a[i])] - rank_[static_cast<unsigned char>(b[i])];
        if (d != 0) return d;
      }
      return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    }
  }
  const std::u16string_view foldedA = fold(a, scratchA_);
  const std::u16string_view foldedB = fold(b, scratchB_);
  const int r = compareFolded(foldedA, foldedB);
  if (r != 0) return r;
  // Bytes that are no GBK all decode to U+FFFD; such lines are only equal when
  // their bytes are the same apart from ASCII letter case.
  if (foldedA.find(u'\uFFFD') != std::u16string_view::npos) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
      const int d = lower(static_cast<unsigned char>(a[i])) - lower(static_cast<unsigned char>(b[i]));
      if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  }
  return 0;
}

std::size_t LineOrder::sortKey(std::string_view line, std::uint8_t* out, std::size_t capacity) const {
  const std::u16string_view folded = fold(line, scratchA_);
  const int32_t length = ucol_getSortKey(collator_, reinterpret_cast<const UChar*>(folded.data()),
                                         static_cast<int32_t>(folded.size()), out,
                                         static_cast<int32_t>(std::min<std::size_t>(capacity, INT32_MAX)));
  if (length <= 0) throw std::runtime_error("ICU cannot make a collation key");
  return static_cast<std::size_t>(length);
}

int LineOrder::compareFolded(std::u16string_view a, std::u16string_view b) const {
  const UCollationResult r =
      ucol_strcoll(collator_, reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                   reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()));
  if (r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
  // Equal to the collator (ignorable characters, for example) but not the same
  // text: still distinct lines, in code point order.
  const int32_t c =
      u_strCompare(reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                   reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()), true);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace valo::files
