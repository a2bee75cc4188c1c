// The wider reading: one table of page lines and the numbers they give, with
// libphonenumber's verdict, and the switch through the extractor's sink.
#include "harvest/wide_reading.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "harvest/fax_extractor.h"
#include "text/gbk.h"

namespace valo::harvest {
namespace {

// A page line (UTF-8 source text) and what it gives: valid numbers as they
// are, invalid ones with a leading "!".
struct Case {
  const char* line;
  std::vector<std::string> numbers;
};

const Case kCases[] = {
    // Labels the marker rewrites lack, in any case, full-width too.
    {"传真电话：021-53853022", {"021-53853022"}},
    {"传真号：0571-87654321", {"0571-87654321"}},
    {"传真号码:0571-87654321", {"0571-87654321"}},
    {"传 真：021-53853022", {"021-53853022"}},
    {"傳真：021-53853022", {"021-53853022"}},
    {"Fax No.: 021-53853022", {"021-53853022"}},
    {"FACSIMILE: +86 21 5385 3022", {"021-53853022"}},
    {"ＦＡＸ：０２１－５３８５３０２２", {"021-53853022"}},
    {"FAX :021-53853022", {"021-53853022"}},
    // Full-width parentheses and dash, mobiles, service numbers.
    {"传真：（0571）87654321", {"0571-87654321"}},
    {"传真：021－53853022", {"021-53853022"}},
    {"传真: 0755 - 8888 1234", {"0755-88881234"}},
    {"传真：139 1234 5678", {"013912345678"}},
    {"传真：400-812-3123", {"04008123123"}},
    // Country codes with and without "+", "00" and "(0)".
    {"Fax: +86-(0)25-84311234", {"025-84311234"}},
    {"Fax: (+86)21-53853022", {"021-53853022"}},
    {"传真：0086 571 8765 4321", {"0571-87654321"}},
    {"传真：+86 0571 87654321", {"0571-87654321"}},
    // "86" written straight before a whole number, as the exact rules read
    // it; before anything shorter it is part of the number.
    {"传真：8613912345678", {"013912345678"}},
    {"传真：862153853022", {"021-53853022"}},
    {"传真：86543210", {}},
    // Several numbers after one label, and short tails.
    {"传真：021-53853033/3022", {"021-53853033", "021-53853022"}},
    {"传真：021-53853033/22、021-53853044", {"021-53853033", "021-53853022", "021-53853044"}},
    {"传真：021-53853022，0571-87654321, 010-62345678", {"021-53853022", "0571-87654321", "010-62345678"}},
    {"传真：021-53853022 0571-87654321", {"021-53853022", "0571-87654321"}},
    {"传真：021-53853022；0571-87654321", {"021-53853022", "0571-87654321"}},
    {"传真：0571-87654321/87654322", {"0571-87654321", "0571-87654322"}},
    {"Fax: +86 21 5385 3022 / 5385 3033", {"021-53853022", "021-53853033"}},
    {"传真/电话：021-53853022", {"021-53853022"}},
    // Every label of the line; a label inside a longer word is none.
    {"FAX:021-53853022 FAX:010-62345678", {"021-53853022", "010-62345678"}},
    {"footerFax: Fax: 021-53853022", {"021-53853022"}},
    {"传真：021-53853022 Fax: 021-53853022", {"021-53853022"}},
    // Extensions belong to their number.
    {"传真：0571-87654321-8001", {"0571-87654321"}},
    {"传真：0571-87654321转8001/8002", {"0571-87654321"}},
    // Foreign numbers are not read as mainland ones.
    {"Fax: 202-2440931", {}},
    {"Fax: +1 202 244 0931", {}},
    {"Fax: 001-202-2440931", {}},
    {"Fax: +852 2345 6789 / 021-53853022", {}},
    // Invalid mainland-looking numbers are kept apart; a cut one too.
    {"传真：010-6234567", {"!010-6234567"}},
    {"传真：0123-4567890", {"!0123-4567890"}},
    {"传真：057187654321012", {"!0571-87654321"}},
    // Precision: what is no fax number of the line stays out.
    {"电话：021-11111111 传真：021-53853022", {"021-53853022"}},
    {"电话：021-11111111 手机：13912345678", {}},
    // A mobile after the fax's fixed line is the contact's; standing alone
    // after the label, or with a label of its own, it is the fax.
    {"传真：0755-26543210 13912345678", {"0755-26543210"}},
    {"传真：0755-26543210/13912345678 0755-26543211", {"0755-26543210"}},
    {"传真：13912345678 0755-26543210", {"013912345678", "0755-26543210"}},
    {"传真：0755-26543210 传真：13912345678", {"0755-26543210", "013912345678"}},
    {"传真：021-53853022 邮编：200001", {"021-53853022"}},
    {"传真：021-53853022 200001", {"021-53853022"}},
    {"传真：021-53853022 2024-05-01", {"021-53853022"}},
    {"传真：2024-05-01", {}},
    {"订单号：202405010001 传真机 0571-87654321", {}},
    {"传真：12345678", {}},
    {"传真：见下方", {}},
};

std::vector<std::string> read(const std::string& utf8Line) {
  std::vector<std::string> out;
  for (const WideNumber& n : readWideNumbers(gbk(utf8Line))) out.push_back(n.valid ? n.number : "!" + n.number);
  return out;
}

TEST(WideReading, LinesGiveTheirNumbers) {
  for (const Case& c : kCases) {
    EXPECT_EQ(read(c.line), c.numbers) << c.line;
  }
}

// Records what the extractor did with each number.
class RecordingSink : public NumberListSink {
 public:
  using NumberListSink::NumberListSink;
  bool knownBefore(std::string_view number) override { return number == "010-62345678"; }
  void sighted(const GbkString& number, std::string_view, Sighting what) override {
    sightings.emplace_back(number, what);
  }
  std::vector<std::tuple<std::string, Sighting>> sightings;
};

TEST(WideReading, SwitchChoosesTheRules) {
  const std::vector<GbkString> page = {gbk("传真：021-53853033/3022 010-62345678"), gbk("传真号：0571-87654321"),
                                       gbk("Fax: 010-6234567"), gbk("传真：021-53853022")};
  using S = Sighting;
  const struct {
    bool wide;
    std::vector<std::string> listed;
    std::vector<std::tuple<std::string, Sighting>> sighted;
  } runs[] = {
      // Off: the marker rules, one number a line ("传真号：" is none of
      // theirs), no judgement.
      {false,
       {"021-53853033", "010-6234567", "021-53853022"},
       {{"021-53853033", S::Listed}, {"010-6234567", S::Listed}, {"021-53853022", S::Listed}}},
      // On: every number, the duplicates box first (the last line's number
      // came as a tail already), then the verdict, then the history.
      {true,
       {"021-53853033", "021-53853022", "0571-87654321"},
       {{"021-53853033", S::Listed},
        {"021-53853022", S::Listed},
        {"010-62345678", S::Known},
        {"0571-87654321", S::Listed},
        {"010-6234567", S::Rejected}}},
  };
  for (const auto& run : runs) {
    NumberList list;
    RecordingSink sink(list, true);
    sink.setWideReading(run.wide);
    std::int32_t found = 0;
    ExtractFaxNumbers(page, sink, found);
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < list.size(); ++i) listed.emplace_back(list.at(i));
    EXPECT_EQ(listed, run.listed) << run.wide;
    EXPECT_EQ(found, static_cast<std::int32_t>(run.listed.size()));
    EXPECT_EQ(sink.sightings, run.sighted) << run.wide;
  }
}

// "FAX:0755-260000NN" for `from` to `to` - 1, blank-separated.
std::string faxRun(int from, int to) {
  std::string text;
  for (int i = from; i < to; ++i) text += "FAX:0755-26" + std::to_string(100000 + i) + " ";
  return text;
}

// A page's text under each rule, the duplicates box off, so the list shows
// what each line gave: the marker rules read a line's first 4096 bytes, the
// wider reading the whole line, each number of a line once however many the
// line holds.
TEST(WideReading, PageTextLinesAreReadWhole) {
  const std::string late = std::string(5000, '.') + "FAX:021-53853022";
  const struct {
    std::string text;
    bool wide;
    std::size_t listed;
  } cases[] = {
      {late, false, 0},
      {late, true, 1},
      {late + "\r\n" + late, true, 2},
      {faxRun(0, 40) + faxRun(0, 40), true, 40},
      {faxRun(0, 3000) + faxRun(1000, 4000) + "\r\n" + faxRun(0, 10), true, 4010},
      {faxRun(0, 3000), false, 1},
  };
  for (const auto& c : cases) {
    NumberList list;
    NumberListSink sink(list, false);
    sink.setWideReading(c.wide);
    std::int32_t found = 0;
    ExtractFaxNumbersFromText(c.text, sink, found);
    EXPECT_EQ(list.size(), c.listed) << c.text.size() << (c.wide ? " wide" : " exact");
  }
}

}  // namespace
}  // namespace valo::harvest
