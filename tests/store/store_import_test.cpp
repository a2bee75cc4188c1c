// Import of number lists: each line read by the extractor's number rules,
// either file encoding and line end, lines without a number counted, and
// known numbers left as they were.
#include "files/store/store_import.h"

#include "store_fixture.h"
#include "text/gbk.h"

namespace valo::files::store::testing {
namespace {

struct LineCase {
  const char* line;    // UTF-8
  const char* number;  // "" when the line gives none
};

const LineCase kLines[] = {
    {"0755-12345678", "0755-12345678"},
    {"  0755 1234 5678  ", "075512345678"},
    {"(0755)12345678", "0755-12345678"},
    {"+86 21 5385 3022", "02153853022"},
    {"0086-21-53853022", "021-53853022"},
    {"13912345678", "013912345678"},
    {"021-53853022-8001-9", "021-53853022"},
    {"深圳某机械有限公司 传真：0755-87654321", "0755-87654321"},
    {"0755-12345678（总机）", "0755-12345678"},
    {"12345", ""},
    {"没有号码", ""},
    {"传真：", ""},
};

TEST(ListLine, ReadByTheExtractorsNumberRules) {
  for (const LineCase& c : kLines) {
    SCOPED_TRACE(c.line);
    const std::optional<GbkString> got = numberFromListLine(gbk(c.line));
    EXPECT_EQ(got.value_or(""), c.number);
  }
}

struct FileCase {
  const char* name;
  bool utf8;
  bool bom;
  const char* lineEnd;
};

class ImportFiles : public StoreFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(ImportFiles, EveryEncodingAndLineEndGivesTheSameNumbers) {
  const FileCase& c = GetParam();
  QByteArray bytes = c.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  for (const LineCase& l : kLines) {
    const std::string text = c.utf8 ? std::string(l.line) : gbk(l.line);
    bytes += QByteArray::fromStdString(text) + c.lineEnd;
  }
  bytes += QByteArray("   ") + c.lineEnd + QByteArray("0755-12345678");  // a blank line, a repeat without an end
  writeAll(path(c.name), bytes);

  const ImportOutcome outcome = importNumberList(db, path(c.name));
  EXPECT_EQ(outcome.lines, 13);
  EXPECT_EQ(outcome.withoutNumber, 3);
  EXPECT_EQ(outcome.added, 6);
  EXPECT_EQ(outcome.known, 4);
  EXPECT_FALSE(outcome.cancelled);
  for (const LineCase& l : kLines) {
    if (l.number[0] == '\0') continue;
    Statement s(db.get(), "SELECT source, times_seen, valid, kind FROM numbers WHERE number = ?1");
    s.bind(1, l.number);
    ASSERT_TRUE(s.step()) << l.number;
    EXPECT_EQ(s.columnText(0), c.name);
    EXPECT_EQ(s.columnInt(1), 0);
  }
  EXPECT_EQ(db.scalar("SELECT count(*) FROM sightings"), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ImportFiles,
                         ::testing::Values(FileCase{"utf8-bom-lf.txt", true, true, "\n"},
                                           FileCase{"utf8-crlf.txt", true, false, "\r\n"},
                                           FileCase{"gbk-crlf.txt", false, false, "\r\n"},
                                           FileCase{"gbk-lf.txt", false, false, "\n"}));

class Import : public StoreFixture {};

TEST_F(Import, KnownNumbersKeepTheirRowAndGetASourceOnlyWhenTheyHadNone) {
  seed({"0755-11111111", "2026-11-01T09:00:00", "fixed", "广东省深圳市", "深圳 机械", "传真：0755-11111111"});
  db.exec("INSERT INTO numbers (number, valid, kind, first_seen, last_seen, source) "
          "VALUES ('0755-22222222', 1, 'fixed', 'x', 'x', 'earlier.txt')",
          "seed");
  writeAll(path("list.txt"), "0755-11111111\r\n0755-22222222\r\n13912345678\r\n");
  const ImportOutcome outcome = importNumberList(db, path("list.txt"));
  EXPECT_EQ(outcome.added, 1);
  EXPECT_EQ(outcome.known, 2);

  Statement s(db.get(), "SELECT number, first_seen, first_keyword, source, valid, kind, region FROM numbers ORDER BY number");
  const char* expected[][7] = {
      {"013912345678", "", "", "list.txt", "0", "", ""},  // unchecked (valid, kind NULL) until the worker
      {"0755-11111111", "2026-11-01T09:00:00", "深圳 机械", "list.txt", "1", "fixed", "广东省深圳市"},
      {"0755-22222222", "x", "", "earlier.txt", "1", "fixed", ""},
  };
  for (const auto& e : expected) {
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.columnText(0), e[0]);
    if (e[1][0] != '\0') {
      EXPECT_EQ(s.columnText(1), e[1]);
    }
    EXPECT_EQ(s.columnText(2), e[2]);
    EXPECT_EQ(s.columnText(3), e[3]);
    EXPECT_EQ(s.columnIsNull(4), e[5][0] == '\0') << e[0];
    EXPECT_EQ(std::to_string(s.columnInt(4)), e[4]);
    EXPECT_EQ(s.columnText(5), e[5]);
    if (e[6][0] != '\0') {
      EXPECT_EQ(s.columnText(6), e[6]);
    }
  }
}

TEST_F(Import, ACancelKeepsNothingOfTheFileAndAnUnreadableFileIsAnError) {
  QByteArray bytes;
  for (int i = 0; i < 10000; ++i) bytes += "0755-" + QByteArray::number(20000000 + i) + "\n";
  writeAll(path("big.txt"), bytes);
  int calls = 0;
  const ImportOutcome outcome = importNumberList(db, path("big.txt"), [&](std::uint64_t done, std::uint64_t total) {
    EXPECT_LE(done, total);
    return ++calls < 2;
  });
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers"), 0);
  EXPECT_THROW(importNumberList(db, path("missing.txt")), AppError);
  EXPECT_EQ(importNumberList(db, path("big.txt")).added, 10000);
}

}  // namespace
}  // namespace valo::files::store::testing
