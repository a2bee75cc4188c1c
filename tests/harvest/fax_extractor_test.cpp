// The extractor from page lines to result list: the worked examples of the
// label rewriting and number normalisation, and the list and counter rules.
#include <gtest/gtest.h>

#include <set>

#include <string>
#include <vector>

#include "harvest/fax_extractor.h"
#include "harvest/marker_rewrites.h"
#include "harvest/number_normaliser.h"
#include "text/gbk.h"
#include "text/text_lines.h"

namespace valo::harvest {
namespace {

// A page line (UTF-8 source text) and what it adds to an empty list with
// de-duplication off; "" for nothing.
struct LineCase {
  const char* name;
  std::string line;
  std::string added;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class OneLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(OneLine, AddsExpectedNumber) {
  const LineCase& c = GetParam();
  NumberList list;
  NumberListSink sink(list, false);
  std::int32_t found = 0;
  ExtractFaxNumbers({gbk(c.line)}, sink, found);
  if (c.added.empty()) {
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(sink.shownCount(), -1);
  } else {
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.at(0), c.added);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(sink.shownCount(), 1);
  }
}

std::string caseName(const ::testing::TestParamInfo<LineCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, OneLine,
    ::testing::Values(LineCase{"Prefix0086", "传真：0086-21-12345678", "021-12345678"},
                      LineCase{"SpacedInternational", "Fax: +86 (21) 1234 5678", "021-12345678"},
                      LineCase{"PhoneSlashFax", "电话/传真：+86-21-12345678", "021-12345678"},
                      LineCase{"ParenthesisedAreaCode", "传真：(0571)87654321", "0571-87654321"},
                      LineCase{"SpacedDigitsJoined", "FAX: 021 1234 5678", "02112345678"},
                      LineCase{"RunEndsAtChinese", "传真至：0512-12345678转8001", "0512-12345678"},
                      LineCase{"CutThenTrailingDash", "传真：0755-1234567-1", "0755-1234567"},
                      LineCase{"TwoNumbersJoinedAndCut", "传真：021-12345678 021-87654321", "021-123456780"},
                      LineCase{"MobileGainsZero", "传真：13912345678", "013912345678"},
                      LineCase{"LocalNumberTooShort", "传真：12345678", ""},
                      LineCase{"ParenFaxSpaceLosesMarker", "(Fax) 021-12345678", ""},
                      LineCase{"ParenFaxColon", "(Fax)：021-12345678", "021-12345678"},
                      LineCase{"FullWidthHyphenEndsRun", "传真：021－12345678", ""},
                      LineCase{"FirstMarkerWins", "FAX:021-12345678 FAX:010-87654321", "021-12345678"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    LabelVariants, OneLine,
    ::testing::Values(LineCase{"LowerColon", "fax:021-12345678", "021-12345678"},
                      LineCase{"MixedFullWidthColon", "Fax：021-12345678", "021-12345678"},
                      LineCase{"OddCase", "fAx：021-12345678", "021-12345678"},
                      LineCase{"FaxNumberWord", "FAX号码：021-12345678", "021-12345678"},
                      LineCase{"LowerFaxTo", "fax至：021-12345678", "021-12345678"},
                      LineCase{"ChineseTo", "传真至：021-12345678", "021-12345678"},
                      LineCase{"ChineseNumberWord", "传真号码：021-12345678", "021-12345678"},
                      LineCase{"ChineseSpace", "传真 021-12345678", "021-12345678"},
                      LineCase{"ChineseAsciiColonSpace", "传真: 021-12345678", "021-12345678"},
                      LineCase{"ChineseSemicolon", "传真;021-12345678", "021-12345678"},
                      LineCase{"FullWidthParensColon", "（fax）：021-12345678", "021-12345678"},
                      LineCase{"FullWidthParensNoColon", "（FAX）021-12345678", ""},
                      // Rows 5, 17 and 22 in turn: three spaces become "FAX: " and then "FAX:".
                      LineCase{"ThreeSpaces", "FAX   021-12345678", "021-12345678"},
                      // Only the final space deletion joins the letters into a marker.
                      LineCase{"SpacedLetters", "F A X ; 021-12345678", "021-12345678"},
                      LineCase{"BlankBeforeColon", "FAX :021-12345678", ""},
                      LineCase{"MarkerAtEnd", "传真：", ""}, LineCase{"MarkerThenLetters", "传真：见下", ""},
                      LineCase{"FirstMarkerEmptyRun", "传真：无 FAX:021-12345678", ""},
                      LineCase{"NoLabel", "电话：021-12345678", ""}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Normalisation, OneLine,
    ::testing::Values(
        LineCase{"CountryCodeMakesLocalTooShort", "传真：86123456", ""},
        LineCase{"CumulativePrefixes", "传真：(0086)21-12345678", "021-12345678"},
        LineCase{"ZeroZeroEightSixThenZeroEightSix", "传真：00860861234567890", "01234567890"},
        LineCase{"EightySixRemovedOnce", "传真：868612345678", "08612345678"},
        LineCase{"TrailingDashDropped", "传真：0571-87654321-", "0571-87654321"},
        LineCase{"TenCharactersRejected", "传真：0123456789", ""},
        LineCase{"ElevenCharactersAccepted", "传真：01234567890", "01234567890"},
        LineCase{"TwentyNineAcceptedAndCut", "传真：" + std::string(29, '0'), std::string(13, '0')},
        LineCase{"ThirtyRejectedNotCut", "传真：" + std::string(30, '0'), ""},
        // 226 "+" and 30 zeros: only 255 characters are read, so 29 zeros remain.
        LineCase{"RunReadsAt255Characters", "传真：" + std::string(226, '+') + std::string(30, '0'),
                 std::string(13, '0')},
        LineCase{"RunWithin255Characters", "传真：" + std::string(225, '+') + std::string(30, '0'), ""}),
    caseName);

TEST(NormaliseNumber, DashRunsCollapseInTwoPasses) {
  struct Case {
    const char* run;
    const char* expected;
  };
  for (const Case& c : {Case{"021--12345678", "021-12345678"}, Case{"021---12345678", "021-12345678"},
                        Case{"021----12345678", "021-12345678"}, Case{"021-----1234567", "021--1234567"},
                        Case{"0571)(87654321", "0571-87654321"}, Case{"(+86)-571-87654321", "0571-87654321"},
                        Case{"-0086-21-12345678", "021-12345678"}}) {
    EXPECT_EQ(normaliseNumber(c.run).value_or("<none>"), c.expected) << c.run;
  }
}

TEST(NormaliseNumber, TrailingDashRemovedAgainAfterCut) {
  // Five dashes leave two; N7 takes one and N9 the other, although nothing is cut.
  EXPECT_EQ(normaliseNumber("0571-8765432-----").value_or("<none>"), "0571-8765432");
  EXPECT_EQ(normaliseNumber("").value_or("<none>"), "<none>");
}

TEST(NumberRun, StopsAtFirstOtherCharacterAndAt255) {
  EXPECT_EQ(numberRun("(0571)8765-4321+1x99"), "(0571)8765-4321+1");
  EXPECT_EQ(numberRun(":021"), "");
  EXPECT_EQ(numberRun(std::string(300, '1')).size(), 255u);
}

TEST(MayHoldMarker, SkipsOnlyLinesWithoutLabelLetters) {
  struct Case {
    std::string line;
    bool may;
  };
  for (const Case& c : {Case{gbk("电话：0571-87654321"), false}, Case{"www.xinhua.com", false},
                        Case{gbk("大家好"), false},  // shares the lead byte of 传
                        Case{gbk("传真"), true}, Case{"f a x", true}, Case{"(FAX)", true},
                        Case{"faxes", true}, Case{"xa f", false}, Case{"", false}}) {
    EXPECT_EQ(mayHoldMarker(c.line), c.may) << c.line;
  }
}

TEST(ExtractFaxNumbers, EmptyPageChangesNothing) {
  NumberList list;
  list.append("021-12345678");
  NumberListSink sink(list, true);
  std::int32_t found = 7;
  ExtractFaxNumbers({}, sink, found);
  EXPECT_EQ(found, 7);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(sink.shownCount(), -1);
}

const std::vector<std::string> kRepeatedPage = {gbk("传真：021-12345678"), gbk("公司简介"),
                                                "FAX:021-12345678", gbk("传真：02112345678"),
                                                "fax 021-12345678"};

TEST(ExtractFaxNumbers, WithoutDedupEveryRepeatIsAddedAndCounted) {
  NumberList list;
  list.append("021-12345678");
  NumberListSink sink(list, false);
  std::int32_t found = 1;
  ExtractFaxNumbers(kRepeatedPage, sink, found);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"021-12345678", "021-12345678", "021-12345678",
                                                    "02112345678", "021-12345678"}));
  EXPECT_EQ(found, 5);
  EXPECT_EQ(sink.shownCount(), 5);
}

TEST(ExtractFaxNumbers, WithDedupRepeatsWithinAndAcrossPagesAreDropped) {
  NumberList list;
  NumberListSink sink(list, true);
  std::int32_t found = 0;
  ExtractFaxNumbers(kRepeatedPage, sink, found);
  // The dashed and undashed forms are different texts and both stay.
  EXPECT_EQ(list.items(), (std::vector<std::string>{"021-12345678", "02112345678"}));
  EXPECT_EQ(found, 2);
  ExtractFaxNumbers(kRepeatedPage, sink, found);
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(found, 2);
}

// A window stand-in whose check box changes as candidates arrive.
class ScriptedSink : public ExtractionSink {
 public:
  explicit ScriptedSink(std::vector<bool> ticks) : ticks_(std::move(ticks)) {}
  bool dedupTicked() override { return ticks_.at(asked_++); }
  bool hasCaption(std::string_view number) override { return list_.contains(number); }
  void addNumber(const GbkString& number) override { list_.append(number); }
  void showFoundCount(std::int32_t count) override { shown_.push_back(count); }

  std::vector<bool> ticks_;
  std::size_t asked_ = 0;
  NumberList list_;
  std::vector<std::int32_t> shown_;
};

TEST(ExtractFaxNumbers, DedupSwitchIsReadForEveryCandidate) {
  // Five candidates, the same number each time; lines without one do not ask.
  const std::vector<std::string> page = {"FAX:021-12345678", gbk("联系我们"), "FAX:021-12345678",
                                         "FAX:021-12345678", "FAX:",          "FAX:021-12345678",
                                         "FAX:021-12345678"};
  ScriptedSink sink({false, false, true, false, true});
  std::int32_t found = 0;
  ExtractFaxNumbers(page, sink, found);
  EXPECT_EQ(sink.asked_, 5u);
  EXPECT_EQ(sink.list_.size(), 3u);  // ticked candidates 3 and 5 are duplicates
  EXPECT_EQ(found, 3);
  EXPECT_EQ(sink.shown_, (std::vector<std::int32_t>{1, 2, 3}));
}

// A list whose store already holds some numbers, logging every sighting.
class HistorySink : public NumberListSink {
 public:
  HistorySink(NumberList& list, std::set<std::string> known) : NumberListSink(list, true), known_(std::move(known)) {}
  bool knownBefore(std::string_view number) override { return known_.count(std::string(number)) != 0; }
  void sighted(const GbkString& number, std::string_view line, Sighting what) override {
    log_.push_back(number + "|" + std::string(line) + "|" + std::to_string(static_cast<int>(what)));
  }
  std::set<std::string> known_;
  std::vector<std::string> log_;
};

TEST(ExtractFaxNumbers, KnownNumbersAreSightedButNotListedOrCounted) {
  // The duplicates box drops the repeat before the store is asked, so it
  // leaves no sighting; a known number leaves one marked as known.
  const std::vector<std::string> page = {"FAX:021-12345678", "x FAX:0755-1234567", "FAX:021-12345678",
                                         "FAX:010-7654321"};
  NumberList list;
  HistorySink sink(list, {"0755-1234567"});
  std::int32_t found = 0;
  ExtractFaxNumbers(page, sink, found);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"021-12345678", "010-7654321"}));
  EXPECT_EQ(found, 2);
  EXPECT_EQ(sink.log_, (std::vector<std::string>{"021-12345678|FAX:021-12345678|0",
                                                 "0755-1234567|x FAX:0755-1234567|1",
                                                 "010-7654321|FAX:010-7654321|0"}));
}

TEST(ExtractFaxNumbers, CountWrapsAsA32BitInteger) {
  NumberList list;
  NumberListSink sink(list, false);
  std::int32_t found = INT32_MAX;
  ExtractFaxNumbers({"FAX:021-12345678"}, sink, found);
  EXPECT_EQ(found, INT32_MIN);
}

TEST(ExtractFaxNumbers, NeverChangesPageLines) {
  const std::vector<std::string> page = {gbk("传真： 0571 8765 4321"), "(Fax) 021;1"};
  const std::vector<std::string> copy = page;
  NumberList list;
  NumberListSink sink(list, true);
  std::int32_t found = 0;
  ExtractFaxNumbers(page, sink, found);
  EXPECT_EQ(page, copy);
  EXPECT_EQ(list.items(), std::vector<std::string>{"057187654321"});
}

// A page's whole text gives what its lines by the text-box rule give: a
// line's first 4096 bytes only, CR LF as the only break, more than one batch.
TEST(ExtractFaxNumbers, FromTextMatchesTheLinesRule) {
  std::string many;
  for (int i = 0; i < 100; ++i) many += "FAX:021-1234" + std::to_string(1000 + i) + "\r\n";
  const std::string texts[] = {
      "",
      "FAX:021-12345678",
      "FAX:021-12345678\r\n\r\nFAX:0755-1234567\r\n",
      "FAX:021-12345678\rFAX:0755-1234567\nFAX:010-7654321",
      std::string(4090, 'x') + "FAX:021-12345678\r\nFAX:0755-1234567",
      many,
  };
  for (const std::string& text : texts) {
    std::vector<std::string> lines;
    for (std::string_view line : splitTextLines(text)) lines.emplace_back(line);
    NumberList byLines, byText;
    NumberListSink a(byLines), b(byText);
    std::int32_t foundA = 0, foundB = 0;
    ExtractFaxNumbers(lines, a, foundA);
    ExtractFaxNumbersFromText(text, b, foundB);
    EXPECT_EQ(byText.items(), byLines.items()) << text.size();
    EXPECT_EQ(foundB, foundA);
  }
}

TEST(ExtractCandidate, MarkerMustBeginAtACharacterStart) {
  // 0x81 0x46 is one double-byte character whose trail byte has the value of "F".
  EXPECT_FALSE(extractCandidate("\x81"
                                "FAX:021-12345678")
                   .has_value());
  EXPECT_EQ(extractCandidate("\x81"
                             "@FAX:021-12345678")
                .value_or("<none>"),
            "021-12345678");
}

}  // namespace
}  // namespace valo::harvest
