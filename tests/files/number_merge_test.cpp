// The merge: joining, splitting, first-of-equal, order, failures, and the
// O(n log n) path agreeing with the sorted-insert list it replaces.
#include "files/number_merge.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

#include <algorithm>
#include <filesystem>
#include <random>

#include "files/line_order.h"
#include "test_support.h"
#include "text/gbk.h"

namespace valo::files {
namespace {

using testing::readBytes;
using testing::runInChild;
using testing::TempDir;
using testing::writeBytes;

struct MergeCase {
  const char* name;
  std::vector<std::string> sources;
  std::string target;
  std::int64_t count;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const MergeCase& c, std::ostream* os) {
  *os << c.name;
}

class MergeFiles : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeFiles, TargetHoldsSortedDistinctLines) {
  TempDir dir;
  QStringList sources;
  for (std::size_t i = 0; i < GetParam().sources.size(); ++i) {
    const std::string name = "src" + std::to_string(i) + ".txt";
    writeBytes(dir.file(name), GetParam().sources[i]);
    sources << dir.qfile(name);
  }
  writeBytes(dir.file("out.txt"), "previous target content\r\n");
  const MergeOutcome outcome = MergeNumberLists(sources, dir.qfile("out.txt"));
  EXPECT_FALSE(outcome.error.has_value()) << outcome.error->message();
  EXPECT_TRUE(outcome.targetWritten);
  EXPECT_EQ(outcome.lineCount, GetParam().count);
  EXPECT_EQ(readBytes(dir.file("out.txt")), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeFiles,
    ::testing::Values(
        MergeCase{"TwoFilesOneCommonNumber",
                  {"0755-3\r\n0755-1\r\n0755-5\r\n", "0755-2\r\n0755-5\r\n0755-4\r\n"},
                  "0755-1\r\n0755-2\r\n0755-3\r\n0755-4\r\n0755-5\r\n",
                  5},
        MergeCase{"RepeatWithinOneFile", {"021-7\r\n010-1\r\n021-7\r\n"}, "010-1\r\n021-7\r\n", 2},
        MergeCase{"LastLineJoinsNextFilesFirst", {"1\r\n2", "3\r\n4\r\n"}, "1\r\n23\r\n4\r\n", 3},
        MergeCase{
            "BlankLinesGiveOneEmptyLineOnTop", {"5\r\n\r\n3\r\n", "\r\n1\r\n"}, "\r\n1\r\n3\r\n5\r\n", 4},
        MergeCase{"CaseVariantsKeepTheFirstFilesLine",
                  {"021-1x\r\n", "021-1X\r\n021-1y\r\n"},
                  "021-1x\r\n021-1y\r\n",
                  2},
        MergeCase{"CaseVariantsOtherOrder", {"EXT 5\r\n", "ext 5\r\nExt 5\r\n"}, "EXT 5\r\n", 1},
        MergeCase{"ZeroByteEndsTheText",
                  {std::string("1\r\n2\0"
                               "9\r\n",
                               6),
                   "3\r\n"},
                  "1\r\n2\r\n",
                  2},
        MergeCase{"SingleFile", {"c\r\nb\r\na\r\nb\r\n"}, "a\r\nb\r\nc\r\n", 3},
        MergeCase{"CrAloneAndLfAloneSplit", {"c\rb\na\r\n"}, "a\r\nb\r\nc\r\n", 3},
        MergeCase{"FinalLineEndAddsNoEmptyLine", {"a\r\n", "b\n", "c\r"}, "a\r\nb\r\nc\r\n", 3},
        MergeCase{"EmptySources", {"", ""}, "", 0},
        MergeCase{"GbkBytesUnchanged",
                  {"\xB4\xAB\xD5\xE6 1\r\n", "\xB4\xAB\xD5\xE6 1\r\n0\r\n"},
                  "0\r\n\xB4\xAB\xD5\xE6 1\r\n",
                  2},
        // 深圳 in GBK, then letters in three cases.
        MergeCase{"ChineseCaseVariantsKeepTheFirstFilesLine",
                  {"\xC9\xEE\xDB\xDA"
                   "ABC 1\r\n",
                   "\xC9\xEE\xDB\xDA"
                   "abc 1\r\n\xC9\xEE\xDB\xDA"
                   "Abc 2\r\n"},
                  "\xC9\xEE\xDB\xDA"
                  "ABC 1\r\n\xC9\xEE\xDB\xDA"
                  "Abc 2\r\n",
                  2},
        MergeCase{"LongCommonPrefix",
                  {"0755-12345678b\r\n0755-12345678A\r\n0755-12345678a\r\n"},
                  "0755-12345678A\r\n0755-12345678b\r\n",
                  2}),
    [](const ::testing::TestParamInfo<MergeCase>& p) { return std::string(p.param.name); });

TEST(NumberMerge, SourceThatCannotBeOpenedStillMergesTheOnesBefore) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "b\r\na\r\n");
  writeBytes(dir.file("c.txt"), "c\r\n");
  const MergeOutcome outcome =
      MergeNumberLists({dir.qfile("a.txt"), dir.qfile("gone.txt"), dir.qfile("c.txt")}, dir.qfile("out.txt"));
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->message(), "Cannot open file " + dir.file("gone.txt"));
  EXPECT_TRUE(outcome.targetWritten);
  EXPECT_EQ(outcome.lineCount, 2);
  EXPECT_EQ(readBytes(dir.file("out.txt")), "a\r\nb\r\n");
}

TEST(NumberMerge, SourceThatCannotBeReadIsAStreamReadError) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "x\r\n");
  ::mkdir(dir.file("folder.txt").c_str(), 0755);
  const MergeOutcome outcome =
      MergeNumberLists({dir.qfile("a.txt"), dir.qfile("folder.txt")}, dir.qfile("out.txt"));
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->message(), "Stream read error");
  EXPECT_EQ(readBytes(dir.file("out.txt")), "x\r\n");
}

TEST(NumberMerge, ErrorAfterAZeroByteIsStillReported) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), std::string("x\r\n\0y\r\n", 7));
  const MergeOutcome outcome =
      MergeNumberLists({dir.qfile("a.txt"), dir.qfile("gone.txt")}, dir.qfile("out.txt"));
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->message(), "Cannot open file " + dir.file("gone.txt"));
  EXPECT_EQ(readBytes(dir.file("out.txt")), "x\r\n");
}

TEST(NumberMerge, TargetThatCannotBeCreatedReadsNothing) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "x\r\n");
  const MergeOutcome outcome = MergeNumberLists({dir.qfile("a.txt")}, dir.qfile("missing/out.txt"));
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->message(), "Cannot create file " + dir.file("missing/out.txt"));
  EXPECT_FALSE(outcome.targetWritten);
  EXPECT_EQ(outcome.lineCount, 0);
}

TEST(NumberMerge, NoSourcesDoNothing) {
  TempDir dir;
  const MergeOutcome outcome = MergeNumberLists({}, dir.qfile("out.txt"));
  EXPECT_FALSE(outcome.error.has_value());
  EXPECT_FALSE(outcome.targetWritten);
  EXPECT_FALSE(testing::fileExists(dir.file("out.txt")));
}

TEST(NumberMerge, ReadOnlyTargetFolderKeepsTheOldTarget) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "x\r\n");
  writeBytes(dir.file("out.txt"), "old\r\n");
  const QStringList sources{dir.qfile("a.txt")};
  const QString target = dir.qfile("out.txt");
  const std::string result = runInChild(testing::readOnlyFolder(dir.path()), [&] {
    const MergeOutcome o = MergeNumberLists(sources, target);
    return (o.error ? o.error->message() : std::string("none")) +
           (o.targetWritten ? "; written" : "; not written");
  });
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "Cannot create file " + dir.file("out.txt") + "; not written");
  EXPECT_EQ(readBytes(dir.file("out.txt")), "old\r\n");
}

TEST(NumberMerge, DiskFullWhileWritingKeepsTheOldTarget) {
  TempDir dir;
  std::string big;
  for (int i = 0; i < 3000; ++i) big += "0755-" + std::to_string(1000000 + i) + "\r\n";
  writeBytes(dir.file("a.txt"), big);
  writeBytes(dir.file("out.txt"), "old\r\n");
  const QStringList sources{dir.qfile("a.txt")};
  const QString target = dir.qfile("out.txt");
  const std::string result = runInChild(testing::fileSizeLimit(4096), [&] {
    const MergeOutcome o = MergeNumberLists(sources, target);
    return (o.error ? o.error->message() : std::string("none")) +
           (o.targetWritten ? "; written" : "; not written");
  });
  EXPECT_EQ(result, "Stream write error; not written");
  EXPECT_EQ(readBytes(dir.file("out.txt")), "old\r\n");
  EXPECT_EQ(dir.names().size(), 2u);  // no temporary file left
}

// Even without the window's refusal, a source named as target is read before
// anything replaces it.
TEST(NumberMerge, TargetThatIsASourceKeepsItsContent) {
  TempDir dir;
  writeBytes(dir.file("a.txt"), "b\r\na\r\nb\r\n");
  const MergeOutcome outcome = MergeNumberLists({dir.qfile("a.txt")}, dir.qfile("a.txt"));
  EXPECT_FALSE(outcome.error.has_value());
  EXPECT_EQ(readBytes(dir.file("a.txt")), "a\r\nb\r\n");
}

// Mend 4: every spelling of a source as the target is recognised.
TEST(NumberMerge, TargetAmongSourcesIsRefused) {
  TempDir dir;
  ::mkdir(dir.file("sub").c_str(), 0755);
  writeBytes(dir.file("a.txt"), "1\r\n");
  writeBytes(dir.file("b.txt"), "2\r\n");
  ::symlink(dir.file("a.txt").c_str(), dir.file("link.txt").c_str());
  ::symlink(dir.path().c_str(), dir.file("dirlink").c_str());
  ::link(dir.file("b.txt").c_str(), dir.file("hard.txt").c_str());
  const QStringList sources{dir.qfile("a.txt"), dir.qfile("b.txt")};
  const struct {
    std::string target;
    bool among;
  } cases[] = {
      {dir.file("a.txt"), true},    {dir.path() + "/./a.txt", true},   {dir.path() + "/sub/../b.txt", true},
      {dir.file("link.txt"), true}, {dir.file("dirlink/a.txt"), true}, {dir.file("hard.txt"), true},
      {dir.file("c.txt"), false},   {dir.file("sub/a.txt"), false},    {dir.file("dirlink/new.txt"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(targetIsAmongSources(sources, QString::fromStdString(c.target)), c.among) << c.target;
  }
  // A missing source spelled differently from a missing target.
  EXPECT_TRUE(targetIsAmongSources({dir.qfile("sub/../gone.txt")}, dir.qfile("gone.txt")));
  // Relative spellings against the working folder.
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.path());
  EXPECT_TRUE(targetIsAmongSources(sources, QStringLiteral("a.txt")));
  EXPECT_TRUE(targetIsAmongSources(sources, QStringLiteral("sub/../b.txt")));
  std::filesystem::current_path(cwd);
}

// Lines that need the collator, in a given locale: what stays and in which order.
TEST(NumberMerge, CollatedLinesKeepTheFirstOfEqualOnesInOrder) {
  const auto g = [](const char* utf8) { return valo::gbk(utf8); };
  const struct {
    const char* name;
    const char* locale;
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"case variants, the first stays", "zh_CN", g("深圳ABC\r\n深圳abc\r\n深圳Abc\r\n"), {g("深圳ABC")}},
      {"pinyin order", "zh_CN", g("上海\n北京\n杭州\n"), {g("北京"), g("杭州"), g("上海")}},
      {"code point order in root", "root", g("北京\n上海\n"), {g("上海"), g("北京")}},
      // Control characters are ignorable to the collator, yet make another line.
      {"collator tie, different lines",
       "zh_CN",
       g("传真\n\x01传真\n传真\n传\x02真\n"),
       {g("\x01传真"), g("传\x02真"), g("传真")}},
      {"full-width letters fold", "zh_CN", g("ＡＢ号\nａｂ号\n"), {g("ＡＢ号")}},
      // The Chinese order puts Han characters before Latin letters.
      {"ASCII and Chinese lines merged",
       "zh_CN",
       g("b\n北京\na\nB\n上海\n"),
       {g("北京"), g("上海"), "a", "b"}},
      {"ASCII and Chinese lines in root",
       "root",
       g("b\n北京\na\nB\n上海\n"),
       {"a", "b", g("上海"), g("北京")}},
      {"a trail byte is no letter", "zh_CN", "\xB1\x41\n\xB1\x61\n", {"\xB1\x41", "\xB1\x61"}},
  };
  for (const auto& c : cases) {
    for (const std::size_t twoThreadLines : {kTwoThreadLines, std::size_t{1}}) {
      std::string work = c.text;
      std::vector<std::string> merged;
      const std::int64_t count = sortDistinctLines(
          work, LineOrder(c.locale), [&](std::string_view l) { merged.emplace_back(l); }, twoThreadLines);
      EXPECT_EQ(merged, c.lines) << c.name;
      EXPECT_EQ(count, static_cast<std::int64_t>(c.lines.size())) << c.name;
    }
  }
}

// The sorted list the merge replaces: binary search, insert or drop.
std::vector<std::string> sortedInsertReference(const std::vector<std::string>& lines,
                                               const LineOrder& order) {
  std::vector<std::string> list;
  for (const std::string& line : lines) {
    auto it =
        std::lower_bound(list.begin(), list.end(), line,
                         [&](const std::string& a, const std::string& b) { return order.compare(a, b) < 0; });
    if (it != list.end() && order.compare(*it, line) == 0) continue;
    list.insert(it, line);
  }
  return list;
}

struct RandomLists {
  const char* name;
  std::vector<std::string> pieces;
  const char* locale = nullptr;  // the default locale when null
  std::size_t twoThreadLines = kTwoThreadLines;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const RandomLists& c, std::ostream* os) {
  *os << c.name;
}

// Pieces of company lines, with letters in both cases, full-width letters,
// ignorable control characters (collator ties that are different lines), bytes that are no
// GBK (U+FFFD, whose lines compare by their bytes), and ASCII-only pieces,
// so that lines of both kinds meet in one text.
std::vector<std::string> chinesePieces() {
  std::vector<std::string> pieces = {"ABC", "abc", "Fax:", " ",    "\t",       "\x01",     "0755-",
                                     "1",   "2",   "x",    "\x81", "\xA1\x41", "\xA1\x61", "\xFF"};
  for (const char* utf8 :
       {"深圳", "杭州", "北京", "机械", "有限公司", "号", "传真：", "ＡＢＣ", "ａｂｃ", "－"}) {
    pieces.push_back(valo::gbk(utf8));
  }
  return pieces;
}

std::vector<std::string> longPieces() {
  std::string han;
  for (int i = 0; i < 40; ++i) han += valo::gbk("深圳机械有限公司");
  return {han, han + "ABC", han + "abc", "x", "X", valo::gbk("传真"), "1", "\t"};
}

class SortedInsertAgreement : public ::testing::TestWithParam<RandomLists> {};

TEST_P(SortedInsertAgreement, SameResultAsTheSortedInsertList) {
  std::mt19937 rng(20240521);
  const std::vector<std::string>& pieces = GetParam().pieces;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> lines;
    std::string text;
    const int n = 300 + static_cast<int>(rng() % 300);
    for (int i = 0; i < n; ++i) {
      std::string line;
      if (!lines.empty() && rng() % 3 == 0) {
        line = lines[rng() % lines.size()];  // a repeat, maybe in other case
        for (char& ch : line) {
          if (rng() % 2 && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
        }
      } else {
        const int parts = static_cast<int>(rng() % 6);
        for (int p = 0; p < parts; ++p) line += pieces[rng() % pieces.size()];
      }
      lines.push_back(line);
      text += line + (rng() % 4 == 0 ? "\n" : "\r\n");
    }
    const LineOrder order = GetParam().locale ? LineOrder(GetParam().locale) : LineOrder();
    std::vector<std::string> merged;
    std::string work = text;
    sortDistinctLines(
        work, order, [&](std::string_view l) { merged.emplace_back(l); }, GetParam().twoThreadLines);
    ASSERT_EQ(merged, sortedInsertReference(lines, order)) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Alphabets, SortedInsertAgreement,
    ::testing::Values(
        // Few distinct bytes: long numbers packed whole, tails compared past the key.
        RandomLists{"DigitsAndDash", {"0", "1", "7", "-", "0755-1234", "5678"}},
        RandomLists{"FaxLike", {"021-", "0755-", "1", "2", "9", "x", "X", " ext ", "EXT", "(", ")", " "}},
        RandomLists{"MixedBytes",
                    {"0", "1", "7", "-", " ", "x", "X", "ext", "EXT", "(", ")", "\t", "\xB4\xAB", "\xD5\xE6",
                     "\xA3\xC1", "\xA3\xE1", "\x81", "0755-1234567"}},
        // Company lines: all through collation keys, on one thread and on two.
        RandomLists{"ChineseLines", chinesePieces(), "zh_CN"},
        RandomLists{"ChineseLinesTwoThreads", chinesePieces(), "zh_CN", 1},
        RandomLists{"ChineseLinesRootOrder", chinesePieces(), "root", 1},
        // Long shared beginnings: keys equal far beyond the first rounds of the sort.
        RandomLists{"LongCommonBeginnings", longPieces(), "zh_CN", 1}),
    [](const ::testing::TestParamInfo<RandomLists>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace valo::files
