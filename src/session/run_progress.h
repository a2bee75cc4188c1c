// How far a search is, for a person glancing at the status bar or the tray:
// the keyword being searched of all keyword lines and, once a keyword is
// done, when the search should end at the pace so far.
#pragma once

#include <QDateTime>
#include <cstdint>
#include <functional>

#include "text/gbk.h"

namespace valo::session {

class RunProgress {
 public:
  explicit RunProgress(std::function<QDateTime()> now) : now_(std::move(now)) {}

  // A search begins; the pace counts from its first keyword.
  void start() { started_ = false; }
  // Keyword line `current` (from 1) of `total` begins. Returns
  // "第 12/300 个关键字，预计 18:40 完成", without the estimate before a
  // keyword of this search is done.
  GbkString keywordBegins(std::int32_t current, std::int32_t total);

 private:
  std::function<QDateTime()> now_;
  bool started_ = false;
  QDateTime startedAt_;
  std::int32_t firstKeyword_ = 0;
};

}  // namespace valo::session
