// The fast extraction (prefilter, prepared rewrite rules, byte searches) must
// give byte for byte what the plain character-by-character reference gives,
// on many generated lines that mix labels in every case, GBK text, stray lead
// and trail bytes, digits, spaces and parentheses.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "harvest/fax_extractor.h"
#include "harvest/marker_rewrites.h"
#include "harvest/number_list.h"
#include "harvest/rewrite.h"
#include "reference_extractor.h"
#include "text/gbk.h"

namespace valo::harvest {
namespace {

std::vector<std::string> lineTokens() {
  std::vector<std::string> tokens;
  for (const char* utf8 :
       {"传真",       "传",       "真",      "号码",      "至",          "：",        "（",       "）",
        "－",         "电话",     "公司",    "大家",      "地址",        "转",        "ＦＡＸ",   "传真：",
        "传真号码：", "传真至：", "（FAX）", "（(Fax)）", "（（fax））", "(（FAX）)", "（fAx）："}) {
    tokens.push_back(gbk(utf8));
  }
  for (const char* ascii :
       {"FAX",      "fax",      "Fax",         "fAX",         "FaX",    "fAx",  "F",
        "A",        "X",        "f",           "a",           "x",      ":",    ";",
        " ",        "  ",       "   ",         "(",           ")",      "-",    "--",
        "+",        "+86",      "86",          "0086",        "086",    "021",  "0571",
        "12345678", "87654321", "13912345678", "(Fax)",       "(fax) ", "FAX:", "www.xinhua.com",
        "\t",       "((Fax) )", "((fax)",      "(fax)(Fax) ", "(FAX)",  "((("}) {
    tokens.emplace_back(ascii);
  }
  // Bytes that move character boundaries: lone lead bytes pair with whatever
  // follows, 0x81 0x46 hides an "F" as trail byte, and the halves of 传真.
  for (const char* raw : {"\x81", "\x81\x46",
                          "\x81"
                          "f",
                          "\xB4", "\xAB", "\xD5\xE6", "\xA3", "\xBA", "\xFF", "\x80"}) {
    tokens.emplace_back(raw);
  }
  return tokens;
}

std::string randomNoise(std::mt19937& rng, const std::vector<std::string>& tokens, int maxTokens) {
  std::uniform_int_distribution<int> count(0, maxTokens);
  std::uniform_int_distribution<std::size_t> pick(0, tokens.size() - 1);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string line;
  for (int n = count(rng); n > 0; --n) {
    const std::size_t k = pick(rng);
    if (k % 7 == 0) {
      for (int d = digit(rng); d >= 0; --d) line += static_cast<char>('0' + digit(rng));
    } else {
      line += tokens[k];
    }
  }
  return line;
}

// Half the lines are free mixtures; the other half are shaped like a label,
// separators and a number inside noise, so that many of them yield.
std::string randomLine(std::mt19937& rng, const std::vector<std::string>& tokens) {
  if (rng() % 2 == 0) return randomNoise(rng, tokens, 16);
  static const std::vector<std::string> labels = [] {
    std::vector<std::string> out;
    for (const char* utf8 : {"传真", "传真号码", "传真至", "FAX", "Fax", "fax", "fAX", "(Fax)", "(fAX) ",
                             "（FAX）", "FAX号码", "fax至", "F A X", "传 真"}) {
      out.push_back(gbk(utf8));
    }
    return out;
  }();
  static const std::vector<std::string> separators = {gbk("："), ":", ";", " ", "  ", "   ", ""};
  static const std::vector<std::string> numberParts = {"+86",  "86",  "0086", "(",    ")",        "-",
                                                       "--",   " ",   "021",  "0571", "12345678", "1234",
                                                       "5678", "139", "+",    "0"};
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  std::string line = randomNoise(rng, tokens, 4) + pick(labels);
  for (int n = static_cast<int>(rng() % 3); n > 0; --n) line += pick(separators);
  for (int n = 1 + static_cast<int>(rng() % 6); n > 0; --n) line += pick(numberParts);
  return line + randomNoise(rng, tokens, 4);
}

std::string hexOf(std::string_view bytes) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
    out += ' ';
  }
  return out;
}

TEST(FastPathProperty, MarkerRewritesAndExtractionMatchReference) {
  const auto tokens = lineTokens();
  std::mt19937 rng(20090317);
  int yielded = 0;
  int skipped = 0;
  constexpr int kLines = 40000;
  for (int i = 0; i < kLines; ++i) {
    const std::string line = randomLine(rng, tokens);
    const std::string expectedText = reference::rewriteMarkers(line);
    ASSERT_EQ(applyMarkerRewrites(line), expectedText) << hexOf(line);
    if (!mayHoldMarker(line)) {
      ++skipped;
      ASSERT_EQ(reference::findMarker(expectedText), std::string::npos)
          << "skipped a line with a marker: " << hexOf(line);
    }
    const auto expected = reference::extract(line);
    ASSERT_EQ(extractCandidate(line), expected) << hexOf(line);
    if (expected) ++yielded;
  }
  // The generator must exercise both roads, or the comparison proves little.
  EXPECT_GT(yielded, kLines / 20);
  EXPECT_GT(skipped, kLines / 20);
}

// Lines of a directory page: a label in one of the spellings such pages
// use, a number in any form, short Chinese text around, parentheses nested
// around labels now and then.
std::string directoryLine(std::mt19937& rng) {
  static const std::vector<std::string> labels = [] {
    std::vector<std::string> out;
    for (const char* utf8 : {"传真：",      "传真:",       "传真 ",    "传真号码：", "传真至：",
                             "传真： ",     "FAX:",        "FAX：",    "Fax：",      "Fax: ",
                             "fax:",        "fax ",        "(Fax) ",   "(Fax)：",    "（FAX）",
                             "（FAX）：",   "电话/传真：", "Tel/Fax:", "TEL/FAX：",  "FAX号码：",
                             "Fax至：",     "传真;",       "F A X：",  "FAX :",      "((Fax) )：",
                             "（(Fax)）：", "(（FAX）)",   "传真：：", "Fax  "}) {
      out.push_back(gbk(utf8));
    }
    return out;
  }();
  static const std::vector<std::string> numbers = {"0571-87654321",
                                                   "+86-571-87654321",
                                                   "(0571)87654321",
                                                   "+86 571 8765 4321",
                                                   "86-0571-87654321",
                                                   "0571 87654321",
                                                   "0086-571-87654321-123",
                                                   "13912345678",
                                                   "87654321",
                                                   "0755-1234567-1",
                                                   "021-12345678 021-87654321",
                                                   "(021)-(1234)",
                                                   "++86--21---1234",
                                                   "0"};
  static const std::vector<std::string> text = [] {
    std::vector<std::string> out;
    for (const char* utf8 :
         {"深圳", "机械有限公司", "电话：0571-88888888 ", "联系人：王先生", "转", "（总机）", "－"}) {
      out.push_back(gbk(utf8));
    }
    return out;
  }();
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  std::string line;
  if (rng() % 2) line += pick(text);
  line += pick(labels) + pick(numbers);
  if (rng() % 3 == 0) line += pick(text);
  if (rng() % 5 == 0) line += pick(labels) + pick(numbers);
  return line;
}

TEST(FastPathProperty, DirectoryPagesMatchReference) {
  std::mt19937 rng(1999);
  std::vector<std::string> page;
  int yielded = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = directoryLine(rng);
    const auto expected = reference::extract(line);
    ASSERT_EQ(extractCandidate(line), expected) << hexOf(line);
    if (expected) ++yielded;
    page.push_back(line);
  }
  EXPECT_GT(yielded, 20000 / 2);

  // The whole page at once, in batches, with repeats dropped: the numbers in
  // line order, each first occurrence only.
  NumberList list;
  NumberListSink sink(list, true);
  std::int32_t found = 0;
  ExtractFaxNumbers(page, sink, found);
  std::vector<std::string> expected;
  std::set<std::string> seen;
  for (const std::string& line : page) {
    if (const auto number = reference::extract(line); number && seen.insert(*number).second) {
      expected.push_back(*number);
    }
  }
  EXPECT_EQ(list.items(), expected);
  EXPECT_EQ(found, static_cast<std::int32_t>(expected.size()));
}

// A run stops at 255 characters; what stands right behind it must not leak
// in, nested parenthesised labels included.
TEST(FastPathProperty, RunsAtTheLengthLimitMatchReference) {
  const std::string tails[] = {
      "", "1", "(", "((Fax) )", "(Fax) 5", "((fax)", gbk("（(Fax)）"), gbk("（FAX）"), " 9", ";", "FAX:1"};
  for (const std::string& label : {std::string("FAX:"), gbk("传真："), std::string("(Fax):")}) {
    // "+" signs fill the run and are deleted, so the number stays valid.
    for (std::size_t signs = 238; signs <= 246; ++signs) {
      for (const std::string& tail : tails) {
        const std::string line = label + "0571-8765432" + std::string(signs, '+') + tail;
        ASSERT_EQ(extractCandidate(line), reference::extract(line)) << signs << " signs, " << hexOf(tail);
      }
    }
  }
}

TEST(FastPathProperty, RewriteMatchesReferenceOnRandomBytes) {
  // A small alphabet so that patterns actually occur: letters in both cases,
  // lead bytes, a letter-valued trail byte, spaces and signs.
  static constexpr std::string_view kAlphabet = "aAfFxX :-\x81\xB4\xAB\xA3\xFF";
  std::mt19937 rng(4096);
  std::uniform_int_distribution<std::size_t> letter(0, kAlphabet.size() - 1);
  auto randomText = [&](int maxLength) {
    std::string s;
    for (int n = std::uniform_int_distribution<int>(0, maxLength)(rng); n > 0; --n)
      s += kAlphabet[letter(rng)];
    return s;
  };
  for (int i = 0; i < 100000; ++i) {
    const std::string text = randomText(24);
    const std::string pattern = randomText(4);
    const std::string replacement = randomText(3);
    ASSERT_EQ(Rewrite(text, pattern, replacement), reference::rewrite(text, pattern, replacement))
        << "text " << hexOf(text) << "pattern " << hexOf(pattern) << "replacement " << hexOf(replacement);
  }
}

}  // namespace
}  // namespace valo::harvest
