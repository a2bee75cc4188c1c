// The store window's filters on a small table, its pages read by key, and
// the deletion of chosen numbers with their sightings.
#include "files/store/store_query.h"

#include "store_fixture.h"

namespace valo::files::store::testing {
namespace {

class Query : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    seed({"010-66666666", "2026-11-30T23:59:59", "fixed", "北京市", "北京 阀门", "北京阀门厂 传真：010-66666666"}, 1);
    seed({"013912345678", "2026-12-01T00:00:00", "mobile", "江苏省南京市", "南京 机械", "传真：13912345678"}, 1);
    seed({"0755-12345678", "2026-12-02T09:30:00", "fixed", "广东省深圳市", "深圳 机械", "深圳某某机械 传真：0755-12345678"}, 2);
    seed({"0755-87654321", "2026-12-03T10:00:00", "fixed", "广东省深圳市", "深圳 五金", "五金厂 FAX:0755-87654321"}, 2);
    seed({"0400-1234567", "2026-12-03T11:00:00", "other", "", "", ""});
  }
  std::string matching(const StoreFilter& filter) {
    StoreQuery query(db, filter);
    std::string out;
    for (const StoreRow& row : query.page("", 100)) out += (out.empty() ? "" : " ") + row.number;
    EXPECT_EQ(query.countMatching(), out.empty() ? 0 : std::count(out.begin(), out.end(), ' ') + 1);
    return out;
  }
};

template <typename Set>
StoreFilter with(Set set) {
  StoreFilter f;
  set(f);
  return f;
}

struct FilterCase {
  const char* name;
  StoreFilter filter;
  const char* numbers;
};

TEST_F(Query, FiltersAloneAndTogether) {
  const FilterCase cases[] = {
      {"none", {}, "010-66666666 013912345678 0400-1234567 0755-12345678 0755-87654321"},
      {"number text", with([](StoreFilter& f) { f.text = "0755"; }), "0755-12345678 0755-87654321"},
      {"keyword text", with([](StoreFilter& f) { f.text = "机械"; }), "013912345678 0755-12345678"},
      {"source line text", with([](StoreFilter& f) { f.text = "FAX:"; }), "0755-87654321"},
      {"search", with([](StoreFilter& f) { f.searchId = 1; }), "010-66666666 013912345678"},
      {"from a day", with([](StoreFilter& f) { f.fromDate = "2026-12-01"; }), "013912345678 0400-1234567 0755-12345678 0755-87654321"},
      {"to a day, its last second included", with([](StoreFilter& f) { f.toDate = "2026-11-30"; }), "010-66666666"},
      {"one day", with([](StoreFilter& f) { f.fromDate = f.toDate = "2026-12-03"; }), "0400-1234567 0755-87654321"},
      {"kind", with([](StoreFilter& f) { f.kind = "fixed"; }), "010-66666666 0755-12345678 0755-87654321"},
      {"region", with([](StoreFilter& f) { f.region = "广东"; }), "0755-12345678 0755-87654321"},
      {"together", with([](StoreFilter& f) { f.text = "机械", f.kind = "fixed", f.region = "深圳"; }), "0755-12345678"},
      {"nothing matches", with([](StoreFilter& f) { f.text = "上海"; }), ""},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(matching(c.filter), c.numbers);
  }
  EXPECT_EQ(StoreQuery(db, with([](StoreFilter& f) { f.text = "0755"; })).countAll(), 5);
}

TEST_F(Query, PagesFollowEachOtherByNumber) {
  StoreQuery query(db, with([](StoreFilter& f) { f.kind = "fixed"; }));
  const std::vector<StoreRow> first = query.page("", 2);
  ASSERT_EQ(first.size(), 2u);
  const std::vector<StoreRow> second = query.page(first.back().number, 2);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].number, "0755-87654321");
  EXPECT_EQ(second[0].firstKeyword, "深圳 五金");
  EXPECT_EQ(cellText(second[0], StoreColumn::Kind), "固定电话");
  EXPECT_TRUE(query.page(second.back().number, 2).empty());
}

TEST_F(Query, DeleteTakesTheNumbersWithTheirSightings) {
  EXPECT_EQ(deleteNumbers(db, {"013912345678", "0755-12345678", "not-there"}), 2);
  EXPECT_EQ(matching({}), "010-66666666 0400-1234567 0755-87654321");
  EXPECT_EQ(db.scalar("SELECT count(*) FROM sightings"), 2);
  const std::vector<SearchSummary> searches = recentSearches(db, 10);
  ASSERT_EQ(searches.size(), 2u);
  EXPECT_EQ(searches[0].id, 2);
}

}  // namespace
}  // namespace valo::files::store::testing
