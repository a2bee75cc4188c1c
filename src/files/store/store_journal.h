// The journal beside the number store: records the store cannot take now
// (another program holds it, the disk refused a write) are appended here and
// synced, as the result file is, and written into the store once it takes
// writes again. A batch appended in part when the program was killed is cut
// off at the next reading; every whole batch survives any kill.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/store/store_batch.h"

namespace valo::files::store {

// Each running program keeps a journal of its own, locked while it runs, so
// that one copy emptying its journal never cuts off what another appended;
// a journal whose program ended without emptying it is unlocked, and the
// next program to open the store takes it over.
class WaitingJournal {
 public:
  // `path` in the local encoding; the file is made and locked at the first
  // append.
  explicit WaitingJournal(std::string path);
  ~WaitingJournal();
  WaitingJournal(const WaitingJournal&) = delete;
  WaitingJournal& operator=(const WaitingJournal&) = delete;

  const std::string& path() const { return path_; }
  // Gives the batch a new key, appends it and syncs. Returns an empty string,
  // or the system's error text when the journal could not take it (nothing
  // of it then counts as written).
  std::string append(RecordBatch& batch);
  // Every whole batch in the order written; a torn tail is cut off the file.
  std::vector<RecordBatch> readAll();
  // Empties the file once its batches are in the store.
  std::string clear();
  // Removes the file (a journal taken over, once its batches are written).
  void remove();

  // The journals of programs that ended with batches waiting, beside
  // `ownPath`, locked for this program from now on.
  static std::vector<std::unique_ptr<WaitingJournal>> takeOverLeftJournals(const std::string& storePath,
                                                                           const std::string& ownPath);

 private:
  bool lock();  // opens and locks the file, creating it

  std::string path_;
  int fd_ = -1;
};

// The batch's payload and back, for the journal and its tests.
std::string encodeBatch(const RecordBatch& batch);
bool decodeBatch(std::string_view payload, RecordBatch& batch);

}  // namespace valo::files::store
