// A page's records as the store holds them before they are written: the
// sightings of a dense page share its lines, and a batch survives the trip
// through the journal whatever bytes its lines hold.
#include <gtest/gtest.h>

#include <memory>

#include "files/store/store_batch.h"
#include "files/store/store_journal.h"

namespace valo::files::store {
namespace {

std::string denseNumber(int i) {
  return "0755-" + std::to_string(20000000 + i);
}

TEST(RecordBatch, TheRecordsOfADensePageTakeLessThanTwiceThePage) {
  struct Case {
    const char* name;
    int lines, perLine;
  };
  const Case cases[] = {{"400 lines of 200 numbers", 400, 200},
                        {"one line of 80,000 numbers", 1, 80000},
                        {"80,000 lines of one number", 80000, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto page = std::make_shared<std::string>();
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    for (int l = 0; l < c.lines; ++l) {
      const std::size_t at = page->size();
      for (int k = 0; k < c.perLine; ++k) *page += "FAX:" + denseNumber(l * c.perLine + k) + " ";
      lines.emplace_back(at, page->size() - at);
      *page += "\r\n";
    }
    RecordBatch batch;
    batch.sharePage(page);
    for (int l = 0; l < c.lines; ++l) {
      const std::string_view line = std::string_view(*page).substr(lines[l].first, lines[l].second);
      for (int k = 0; k < c.perLine; ++k)
        batch.add(denseNumber(l * c.perLine + k), line, harvest::Sighting::Listed);
    }
    EXPECT_EQ(batch.rows().size(), static_cast<std::size_t>(c.lines * c.perLine));
    EXPECT_LE(batch.heldBytes(), 2 * page->size());
    // What is written keeps the stored line's rule.
    EXPECT_EQ(batch.lineText(batch.rows().back()).size(),
              std::min<std::size_t>(lines.back().second, kMaxLineBytes));
  }
}

TEST(RecordBatch, SurvivesTheJournalWithAnyBytesInItsLines) {
  RecordBatch batch;
  batch.search.runKey = "k1";
  batch.search.engine = "http://www.baidu.com";
  batch.search.endText = "搜索已经结束！\t\\n";
  batch.search.pagesRead = 3;
  batch.search.ended = true;
  batch.hasPage = true;
  batch.page.keyword = "深圳 机械\r\n传真:";
  batch.page.keywordLine = 7;
  const std::string lines[] = {gbk("传真：0755-1\t2\\3"), "", "a\nb\rc", std::string("\x81", 1)};
  batch.add("0755-12345678", lines[0], harvest::Sighting::Listed);
  batch.add("021-53853022", lines[0], harvest::Sighting::Known);
  batch.add("010-1", lines[1], harvest::Sighting::Rejected);
  batch.add("020-2", lines[2], harvest::Sighting::Listed);
  batch.add("020-3", lines[3], harvest::Sighting::Listed);

  RecordBatch back;
  ASSERT_TRUE(decodeBatch(encodeBatch(batch), back));
  EXPECT_EQ(encodeBatch(back), encodeBatch(batch));
  ASSERT_EQ(back.rows().size(), 5U);
  EXPECT_EQ(back.search.endText, batch.search.endText);
  EXPECT_EQ(back.page.keyword, batch.page.keyword);
  EXPECT_TRUE(back.search.ended);
  EXPECT_EQ(back.rows()[2].what(), harvest::Sighting::Rejected);
  EXPECT_EQ(back.lineText(back.rows()[3]), lines[2]);
  EXPECT_EQ(back.lineText(back.rows()[4]), "\xEF\xBF\xBD");  // a lone lead byte, as the store keeps it
  EXPECT_FALSE(decodeBatch("R\t1\n", back));  // a row before its line: not the program's writing
}

}  // namespace
}  // namespace valo::files::store
