// The number store window reading the team's store: the same filters give
// the same rows as on the program's own store (its table of cases), rows
// come in byte order whatever the server's collation, and the window's
// place-keeping reads (rows near a number, a number's place) agree.
#include "files/store/store_schema.h"
#include "team/team_store_reader.h"
#include "team_fixture.h"

namespace valo::team {
namespace {

using files::store::StoreFilter;

class TeamReader : public TeamTest {
 protected:
  void SetUp() override {
    TeamTest::SetUp();
    link->exec(
        "INSERT INTO searches(id, started_at, engine, pause_seconds, start_line) VALUES "
        "(1, '2026-11-30T23:00:00', 'e', 1, 0), (2, '2026-12-02T09:00:00', 'e', 1, 0)",
        "seed searches");
    seed("010-66666666", "2026-11-30T23:59:59", "fixed", "北京市", "北京 阀门", "北京阀门厂 传真：010-66666666", 1);
    seed("013912345678", "2026-12-01T00:00:00", "mobile", "江苏省南京市", "南京 机械", "传真：13912345678", 1);
    seed("0755-12345678", "2026-12-02T09:30:00", "fixed", "广东省深圳市", "深圳 机械", "深圳某某机械 传真：0755-12345678", 2);
    seed("0755-87654321", "2026-12-03T10:00:00", "fixed", "广东省深圳市", "深圳 五金", "五金厂 FAX:0755-87654321", 2);
    seed("0400-1234567", "2026-12-03T11:00:00", "other", "", "", "", 0);
  }
  void seed(const std::string& number, const std::string& seen, const std::string& kind, const std::string& region,
            const std::string& keyword, const std::string& line, int search) {
    link->exec("INSERT INTO numbers(number, valid, kind, region, first_seen, last_seen, times_seen, first_keyword, "
               "source_line) VALUES($1, 1, $2, $3, $4, $4, 1, $5, $6)",
               {number, kind, region, seen, keyword, line}, "seed a number");
    if (search == 0) return;
    link->exec("INSERT INTO sightings(number, seen_at, search_id) VALUES($1, $2, $3)",
               {number, seen, std::to_string(search)}, "seed a sighting");
  }
  std::string matching(TeamStoreReader& reader, const StoreFilter& filter) {
    auto query = reader.query(filter);
    std::string out;
    for (const auto& row : query->rowsNear("", true, 0, 100)) out += (out.empty() ? "" : " ") + row.number;
    EXPECT_EQ(query->countMatching(), out.empty() ? 0 : std::count(out.begin(), out.end(), ' ') + 1);
    return out;
  }
};

template <typename Set>
StoreFilter with(Set set) {
  StoreFilter f;
  set(f);
  return f;
}

TEST_F(TeamReader, FiltersGiveWhatTheOwnStoreGives) {
  TeamStoreReader reader(conninfo);
  const struct {
    const char* name;
    StoreFilter filter;
    const char* numbers;
  } cases[] = {
      {"none", {}, "010-66666666 013912345678 0400-1234567 0755-12345678 0755-87654321"},
      {"number text", with([](StoreFilter& f) { f.text = "0755"; }), "0755-12345678 0755-87654321"},
      {"keyword text", with([](StoreFilter& f) { f.text = "机械"; }), "013912345678 0755-12345678"},
      {"source line text", with([](StoreFilter& f) { f.text = "FAX:"; }), "0755-87654321"},
      {"search", with([](StoreFilter& f) { f.searchId = 1; }), "010-66666666 013912345678"},
      {"to a day, its last second included", with([](StoreFilter& f) { f.toDate = "2026-11-30"; }), "010-66666666"},
      {"one day", with([](StoreFilter& f) { f.fromDate = f.toDate = "2026-12-03"; }), "0400-1234567 0755-87654321"},
      {"kind", with([](StoreFilter& f) { f.kind = "fixed"; }), "010-66666666 0755-12345678 0755-87654321"},
      {"unchecked", with([](StoreFilter& f) { f.kind = files::store::kKindUnchecked; }), ""},
      {"region", with([](StoreFilter& f) { f.region = "广东"; }), "0755-12345678 0755-87654321"},
      {"together", with([](StoreFilter& f) { f.text = "机械", f.kind = "fixed", f.region = "深圳"; }), "0755-12345678"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(matching(reader, c.filter), c.numbers);
  }
  ASSERT_EQ(reader.recentSearches(10).size(), 2u);
  EXPECT_EQ(reader.recentSearches(10).front().id, 2);
}

// "0755-1…" sorts before "07551…" by bytes ('-' < '5'), where a language
// collation that skips punctuation would put them the other way round.
TEST_F(TeamReader, RowsAndPlacesFollowByteOrder) {
  seed("07551000000", "2026-12-04T00:00:00", "fixed", "", "", "", 0);
  TeamStoreReader reader(conninfo);
  auto all = reader.query({});
  const auto after = all->rowsNear("0755-12345678", true, 0, 2);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].number, "0755-87654321");
  EXPECT_EQ(after[1].number, "07551000000");
  const auto before = all->rowsNear("0755-12345678", false, 1, 2);
  ASSERT_EQ(before.size(), 2u);
  EXPECT_EQ(before[0].number, "010-66666666");
  EXPECT_EQ(before[1].number, "013912345678");
  EXPECT_EQ(all->position("0755-12345678").before, 3);
  EXPECT_TRUE(all->position("0755-12345678").present);
  EXPECT_FALSE(all->position("0755-2").present);
  std::string walked;
  all->numbersFrom("0755-8", [&](std::string_view n) {
    walked += std::string(n) + " ";
    return true;
  });
  EXPECT_EQ(walked, "0755-87654321 07551000000 ");
}

}  // namespace
}  // namespace valo::team
