// The number store's writer (see store_writer.h) when things go wrong: the
// backlog of records that waited in the journal or in memory, written out
// in short transactions once the store takes writes again, and a failed
// write told apart as busy, damaged (the store set aside) or failing.
#include <QDir>
#include <QFile>

#include "files/store/store_open.h"
#include "files/store/store_transaction.h"
#include "files/store/store_writer.h"

namespace valo::files::store {
namespace {

// One transaction of the backlog stays this small, so a page of a running
// search, or another copy of the program, waits for it only briefly.
constexpr std::size_t kBacklogRowsPerTransaction = 2000;

GbkString pathText(const QString& path) {
  return gbkFromUtf8(QDir::toNativeSeparators(path).toStdString());
}

bool isBusy(const SqliteError& e) {
  return e.primaryCode() == SQLITE_BUSY || e.primaryCode() == SQLITE_LOCKED;
}

}  // namespace

bool NumberStore::Writer::flushSome() {
  if (!loaded_) {
    std::deque<RecordBatch> batches;
    for (RecordBatch& b : journal_.readAll()) batches.push_back(std::move(b));
    std::lock_guard lock(mutex_);
    loaded_ = std::move(batches);
  }
  // The journal's batches first, as they were handed over before the ones
  // memory holds.
  std::vector<const RecordBatch*> chosen;
  std::size_t rows = 0;
  {
    std::lock_guard lock(mutex_);
    for (auto* from : {&*loaded_, &held_}) {
      for (const RecordBatch& b : *from) {
        if (rows >= kBacklogRowsPerTransaction) break;
        chosen.push_back(&b);
        rows += b.rows().size();
      }
    }
  }
  try {
    Transaction backlog(db_, "waiting records");
    for (const RecordBatch* b : chosen) batchWriter_->write(*b);
    backlog.commit();
  } catch (const SqliteError& e) {
    batchWriter_->forgetSearchIds();
    writeFailed(e);
    return false;
  }
  for (const RecordBatch* b : chosen) written(*b);
  bool allWritten = false;
  {
    std::lock_guard lock(mutex_);
    for (std::size_t n = chosen.size(); n > 0; --n) {
      auto& from = !loaded_->empty() ? *loaded_ : held_;
      const std::int64_t r = static_cast<std::int64_t>(from.front().rows().size());
      if (&from == &held_) {
        heldRows_ -= r;
      } else {
        journalRows_ -= r;
        --journalBatches_;
      }
      from.pop_front();
    }
    allWritten = loaded_->empty() && held_.empty();
    if (allWritten) failure_.reset();
  }
  if (allWritten) {
    // The journal is emptied before the keys go: a kill between the two
    // leaves keys that no batch will carry again.
    if (journal_.clear().empty()) {
      for (const auto& journal : adopted_) journal->remove();
      adopted_.clear();
      try {
        Transaction keys(db_, "forgetting written batches");
        db_.exec("DELETE FROM journal_batches", "forget written batches");
        keys.commit();
      } catch (const SqliteError&) {
        // Left for the next time the journal empties.
      }
      std::lock_guard lock(mutex_);
      loaded_.reset();
    }
  }
  notify(StoreEvent::Committed);
  statusChanged();
  return true;
}

bool NumberStore::Writer::writeFailed(const SqliteError& error) {
  if (isBusy(error)) {
    {
      std::lock_guard lock(mutex_);
      waitingForStore_ = true;
    }
    statusChanged();
    return false;
  }
  if ((error.primaryCode() == SQLITE_CORRUPT || error.primaryCode() == SQLITE_NOTADB) && damaged()) {
    setAside(storeReasonText(error));
    return static_cast<bool>(db_);
  }
  {
    std::lock_guard lock(mutex_);
    failure_ = storeFailureText(error, path_);
  }
  statusChanged();
  return false;
}

// A write that met damage may have met a page only this connection read
// wrong; the store is set aside only when its own check agrees.
bool NumberStore::Writer::damaged() {
  try {
    Statement check(db_.get(), "PRAGMA quick_check");
    return !check.step() || check.columnText(0) != "ok";
  } catch (const SqliteError& e) {
    return storeUnusable(e);
  }
}

void NumberStore::Writer::setAside(const GbkString& reason) {
  batchWriter_.reset();
  db_ = Connection();
  const QString aside = setStoreAside(path_, now_());
  GbkString text = gbk("号码库无法使用（") + reason;
  if (aside.isEmpty()) {
    text += gbk("），也无法改名，本次运行不记录号码来源：") + pathText(path_);
  } else {
    text += gbk("），已改名为 ") + pathText(aside);
    try {
      db_ = openStoreConnection(path_, timing_.writeWaitMs);
      batchWriter_ = std::make_unique<BatchWriter>(db_, timing_.machine);
      text += gbk("，并新建了号码库");
    } catch (const std::exception&) {
      db_ = Connection();
      text += gbk("，新的号码库也无法建立，本次运行不记录号码来源");
    }
  }
  {
    std::lock_guard lock(mutex_);
    notice_ = shownNotice_ = text;
    if (db_) {
      failure_.reset();
      ++generation_;
    }
  }
  statusChanged();
}

}  // namespace valo::files::store
