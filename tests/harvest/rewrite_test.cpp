// The replace-all operation: left to right, no overlap, no rescan, ASCII case
// folding only, and matches only at GBK character starts.
#include <gtest/gtest.h>

#include "harvest/rewrite.h"
#include "text/gbk.h"

namespace valo::harvest {
namespace {

struct RewriteCase {
  const char* name;
  std::string text;
  std::string pattern;
  std::string replacement;
  std::string expected;
};

void PrintTo(const RewriteCase& c, std::ostream* os) {
  *os << c.name;
}

class RewriteTable : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteTable, GivesExpectedBytes) {
  const RewriteCase& c = GetParam();
  EXPECT_EQ(Rewrite(c.text, c.pattern, c.replacement), c.expected);
}

std::string rewriteCaseName(const ::testing::TestParamInfo<RewriteCase>& param) {
  return param.param.name;
}

const std::string kChuan = gbk("传");  // B4 AB
const std::string kZhen = gbk("真");   // D5 E6

INSTANTIATE_TEST_SUITE_P(
    Semantics, RewriteTable,
    ::testing::Values(
        RewriteCase{"NoOverlapEven", "aaaa", "aa", "b", "bb"},
        RewriteCase{"NoOverlapOdd", "aaa", "aa", "b", "ba"},
        RewriteCase{"ThreeSpacesKeepTwo", "a   b", "  ", " ", "a  b"},
        RewriteCase{"DeletionIsNotRescanned", "xaabb", "ab", "", "xab"},
        RewriteCase{"ReplacementIsNotRescanned", "fax", "fax", "faxfax", "faxfax"},
        RewriteCase{"TextBetweenMatchesCopied", "1;2;;3", ";", ":", "1:2::3"},
        RewriteCase{"CaseIgnoredInText", "FaX:1 fAx:2", "fax:", "FAX:", "FAX:1 FAX:2"},
        RewriteCase{"ReplacementKeepsItsCase", "FAX", "fax", "Fax", "Fax"},
        RewriteCase{"DigitsAndSignsExact", "1+1", "+", "", "11"},
        RewriteCase{"EmptyReplacementDeletes", " 021 1234 ", " ", "", "0211234"},
        RewriteCase{"EmptyPatternChangesNothing", "abc", "", "x", "abc"},
        RewriteCase{"PatternLongerThanText", "ab", "abc", "x", "ab"},
        RewriteCase{"EmptyText", "", "a", "b", ""},
        // Full-width letters are not ASCII and compare exactly.
        RewriteCase{"FullWidthLettersExact", gbk("ＦＡＸ"), gbk("ｆａｘ"), "x", gbk("ＦＡＸ")},
        RewriteCase{"FullWidthColonDistinct", gbk("FAX:FAX："), gbk("FAX："), "#", gbk("FAX:#")},
        RewriteCase{"ChineseMatched", gbk("电话/传真：1"), gbk("传真："), "FAX:", gbk("电话/") + "FAX:1"},
        // The bytes AB D5 straddle 传 and 真: no character starts at AB.
        RewriteCase{"NotAcrossCharacters", kChuan + kZhen, "\xAB\xD5", "x", kChuan + kZhen},
        RewriteCase{"NotAtTrailByte", kChuan + "\xAB", "\xAB", "x", kChuan + "x"},
        // 0x81 0x46 is one character whose trail byte is the value of "F".
        RewriteCase{"NoMatchStartingAtTrailLetter",
                    "\x81"
                    "FAX:",
                    "FAX", "#",
                    "\x81"
                    "FAX:"},
        RewriteCase{"MatchAfterTrailLetter",
                    "\x81"
                    "FAX:",
                    "AX", "#",
                    "\x81"
                    "F#:"},
        RewriteCase{"TrailLetterNotFolded",
                    "\x81"
                    "f",
                    "\x81"
                    "F",
                    "#",
                    "\x81"
                    "f"},
        RewriteCase{"TrailLetterExact",
                    "\x81"
                    "F",
                    "\x81"
                    "F",
                    "#", "#"},
        RewriteCase{"SingleLetterNotInsideCharacter",
                    "\x81"
                    "f",
                    "f", "#",
                    "\x81"
                    "f"},
        // A lead byte takes the byte after it, whatever it is.
        RewriteCase{"LeadBytePairsWithAnyByte",
                    "\xB4"
                    "AX",
                    "AX", "#",
                    "\xB4"
                    "AX"},
        RewriteCase{"LeadByteAtEndStandsAlone", "ab\xB4", "\xB4", "#", "ab#"},
        RewriteCase{"LoneLeadPatternNeedsTextEnd", kChuan, "\xB4", "#", kChuan},
        RewriteCase{"ResumesAtBoundaryAfterMatch", "X" + kChuan + "X" + kChuan, "X", "", kChuan + kChuan},
        RewriteCase{"Bytes0x80And0xFFAreSingle",
                    "\x80"
                    "a\xFF"
                    "a",
                    "a", "b",
                    "\x80"
                    "b\xFF"
                    "b"}),
    rewriteCaseName);

TEST(RewriteRule, ReportsWhetherItMatchedAndLeavesOutputAloneOtherwise) {
  const RewriteRule rule(gbk("传真："), "FAX:");
  std::string out = "untouched";
  EXPECT_FALSE(rule.applyTo(gbk("电话：1"), out));
  EXPECT_EQ(out, "untouched");
  EXPECT_TRUE(rule.applyTo(gbk("传真：1"), out));
  EXPECT_EQ(out, "FAX:1");
}

}  // namespace
}  // namespace valo::harvest
