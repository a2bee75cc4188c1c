// Imported numbers wait unchecked until the background worker fills in
// their checks; the worker ends promptly when asked, keeping what it wrote.
#include "files/store/number_check_worker.h"

#include <QDateTime>

#include <chrono>
#include <thread>

#include "files/store/number_store.h"
#include "files/store/store_import.h"
#include "files/store/store_query.h"
#include "store_fixture.h"

namespace valo::files::store::testing {
namespace {

struct CheckCase {
  const char* number;
  const char* valid;
  const char* kind;
  const char* region;
};

const CheckCase kChecks[] = {
    {"021-53853022", "1", "fixed", "上海市"},
    {"013912345678", "1", "mobile", "江苏省常州市"},
    {"4008123123", "1", "other", ""},
    {"0123-4567890", "0", "other", ""},
};

class CheckWorker : public StoreFixture {
 protected:
  NumberStore& store() {
    if (!store_) store_ = std::make_unique<NumberStore>(path("valofaxnumbers.db"), [] { return QDateTime::currentDateTime(); });
    return *store_;
  }
  std::unique_ptr<NumberStore> store_;
};

TEST_F(CheckWorker, ImportLeavesNumbersUncheckedAndTheWorkerFillsThemIn) {
  QByteArray list;
  for (const CheckCase& c : kChecks) list += QByteArray(c.number) + "\n";
  writeAll(path("list.txt"), list);
  ASSERT_EQ(importNumberList(db, path("list.txt")).added, 4);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM numbers WHERE valid IS NULL AND kind IS NULL"), 4);
  StoreFilter unchecked;
  unchecked.kind = kKindUnchecked;
  StoreQuery query(db, unchecked);
  EXPECT_EQ(query.countMatching(), 4);
  const std::vector<StoreRow> rows = query.page("", 1);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(cellText(rows[0], StoreColumn::Valid), "未检查");
  EXPECT_EQ(cellText(rows[0], StoreColumn::Kind), "未检查");

  NumberCheckWorker worker(store(), 3);  // two batches
  worker.start();
  worker.waitUntilIdle();
  EXPECT_EQ(worker.checkedCount(), 4);
  for (const CheckCase& c : kChecks) {
    Statement s(db.get(), "SELECT valid, kind, region FROM numbers WHERE number = ?1");
    s.bind(1, numberFromListLine(c.number).value_or(""));  // as the import writes it
    ASSERT_TRUE(s.step()) << c.number;
    EXPECT_EQ(s.columnText(0), c.valid) << c.number;
    EXPECT_EQ(s.columnText(1), c.kind) << c.number;
    EXPECT_EQ(s.columnText(2), c.region) << c.number;
  }
  EXPECT_EQ(StoreQuery(db, unchecked).countMatching(), 0);
}

TEST_F(CheckWorker, StopsPromptlyAndKeepsWhatItWrote) {
  QByteArray list;
  for (int i = 0; i < 200000; ++i) list += "0755-" + QByteArray::number(20000000 + i) + "\n";
  writeAll(path("big.txt"), list);
  importNumberList(db, path("big.txt"));
  NumberCheckWorker worker(store(), 500);
  worker.start();
  while (worker.checkedCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto asked = std::chrono::steady_clock::now();
  worker.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500));
  EXPECT_FALSE(worker.busy());
  const std::int64_t left = db.scalar("SELECT count(*) FROM numbers WHERE valid IS NULL");
  EXPECT_GT(left, 0);
  EXPECT_EQ(200000 - left, worker.checkedCount());
}

}  // namespace
}  // namespace valo::files::store::testing
