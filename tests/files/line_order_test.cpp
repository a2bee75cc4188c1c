// The merge order: case ignored, everything else distinct, locale-aware, and
// the ASCII rank table agreeing with the collator it was derived from.
#include "files/line_order.h"

#include <gtest/gtest.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "text/gbk.h"

namespace valo::files {
namespace {

int sign(int v) {
  return (v > 0) - (v < 0);
}

TEST(LineOrder, CaseIsIgnoredAndNothingElse) {
  const LineOrder order("root");
  const struct {
    std::string a, b;
    int expected;
  } cases[] = {
      {"021-1234567x", "021-1234567X", 0},
      {"EXT", "ext", 0},
      {gbk("ＡＢ"), gbk("ａｂ"), 0},  // full-width letters fold too
      {"", "", 0},
      {"", "0", -1},  // the empty line sorts first
      {"", "\t", -1},
      {"a", "a\t", -1},  // control characters are ignorable to the collator yet make another line
      {"a", "a ", -1},
      {"cafe", gbk("café"), -1},
      {"1", "2", -1},
      {"9", "10", 1},  // no numeric ordering: text order
      {"2", "a", -1},
      {"a", "ab", -1},
      {"0755-1", "07551", -1},  // punctuation before digits
      {"abc", "ABD", -1},
      {"0755-123456789a", "0755-123456789B", -1},  // differences past the packed prefix
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sign(order.compare(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(sign(order.compare(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
  }
}

TEST(LineOrder, FollowsTheLocale) {
  const std::string beijing = gbk("北京"), shanghai = gbk("上海");
  // Chinese sorts by pinyin (bei < shang); the root order by code point (上 U+4E0A < 北 U+5317).
  EXPECT_LT(LineOrder("zh_CN").compare(beijing, shanghai), 0);
  EXPECT_GT(LineOrder("root").compare(beijing, shanghai), 0);
}

TEST(LineOrder, RankTableOnlyWhereTheCollatorAllowsIt) {
  EXPECT_TRUE(LineOrder("root").fastPathEnabled());
  EXPECT_TRUE(LineOrder("en_US_POSIX").fastPathEnabled());
  EXPECT_TRUE(LineOrder("zh_CN").fastPathEnabled());
  EXPECT_FALSE(LineOrder("cs").fastPathEnabled());                       // "ch" is one letter after "h"
  EXPECT_FALSE(LineOrder("en@colNumeric=yes").fastPathEnabled());        // "9" before "10"
  EXPECT_FALSE(LineOrder("en@colAlternate=shifted").fastPathEnabled());  // punctuation ignorable
}

// The collator's own verdict on the folded texts, with the identical
// tie-break unless `tieBreak` is false.
int collatorVerdict(const char* locale, const std::string& a, const std::string& b, bool tieBreak = true) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* coll = ucol_open(locale, &status);
  ucol_setStrength(coll, UCOL_TERTIARY);
  auto fold = [](const std::string& s) {
    const std::u16string u = utf16FromGbk(s);
    std::u16string out(u.size() * 3 + 1, u'\0');
    UErrorCode st = U_ZERO_ERROR;
    const int32_t n = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                    reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                                    U_FOLD_CASE_DEFAULT, &st);
    out.resize(static_cast<std::size_t>(n));
    return out;
  };
  const std::u16string fa = fold(a), fb = fold(b);
  int r = ucol_strcoll(coll, reinterpret_cast<const UChar*>(fa.data()), static_cast<int32_t>(fa.size()),
                       reinterpret_cast<const UChar*>(fb.data()), static_cast<int32_t>(fb.size()));
  ucol_close(coll);
  if (r == 0 && tieBreak) r = fa < fb ? -1 : fa > fb ? 1 : 0;
  return r;
}

// The key as the merge makes it: asked for with no room first, then written.
std::string keyOf(const LineOrder& order, const std::string& line) {
  const std::size_t length = order.sortKey(line, nullptr, 0);
  std::string key(length, '\x7F');
  EXPECT_EQ(order.sortKey(line, reinterpret_cast<std::uint8_t*>(key.data()), key.size()), length);
  EXPECT_EQ(key.find('\0'), length - 1) << "a key ends at its only zero byte";
  return key;
}

TEST(LineOrder, SortKeysOrderAsTheCollatorAndClonesAgree) {
  const char* const locales[] = {"root", "zh_CN", "cs", "en@colAlternate=shifted"};
  std::vector<std::string> pieces = {"ABC", "abc",  "x", "X",  "ch",   "-",
                                     " ",   "0755", "9", "\t", "\x81", "\xA1\x41"};
  for (const char* utf8 : {"深圳", "北京", "上海", "机械", "传真：", "ＡＢ", "ａｂ", "é"})
    pieces.push_back(gbk(utf8));
  std::mt19937 rng(12);
  auto randomLine = [&] {
    std::string line;
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) line += pieces[rng() % pieces.size()];
    return line;
  };
  for (const char* locale : locales) {
    const LineOrder order(locale);
    const std::unique_ptr<LineOrder> clone = order.clone();
    for (int i = 0; i < 1500; ++i) {
      const std::string a = randomLine(), b = i % 5 == 0 ? a : randomLine();
      const std::string ka = keyOf(order, a), kb = keyOf(*clone, b);
      ASSERT_EQ(keyOf(*clone, a), ka) << locale << ": " << a;
      const int byKey = sign(std::strcmp(ka.c_str(), kb.c_str()));
      ASSERT_EQ(byKey, sign(collatorVerdict(locale, a, b, false))) << locale << ": " << a << " | " << b;
      if (byKey != 0) {
        ASSERT_EQ(sign(order.compare(a, b)), byKey) << locale << ": " << a << " | " << b;
      }
    }
  }
}

TEST(LineOrder, AsciiPathAgreesWithTheCollator) {
  const char* const locales[] = {"root", "en_US_POSIX", "zh_CN", "cs", "da", "en@colNumeric=yes"};
  const std::string alphabet = "0123456789-+() .,#/abchxzABCHXZ";
  std::mt19937 rng(7);
  for (const char* locale : locales) {
    const LineOrder order(locale);
    for (int i = 0; i < 3000; ++i) {
      std::string a, b;
      const int la = static_cast<int>(rng() % 14), lb = static_cast<int>(rng() % 14);
      for (int k = 0; k < la; ++k) a += alphabet[rng() % alphabet.size()];
      b = a.substr(0, std::min<std::size_t>(a.size(), rng() % 12));
      for (int k = static_cast<int>(b.size()); k < lb; ++k) b += alphabet[rng() % alphabet.size()];
      ASSERT_EQ(sign(order.compare(a, b)), sign(collatorVerdict(locale, a, b)))
          << locale << ": " << a << " | " << b;
    }
  }
}

}  // namespace
}  // namespace valo::files
