// See run_progress.h.
#include "session/run_progress.h"

#include "text/app_error.h"

namespace valo::session {

GbkString RunProgress::keywordBegins(std::int32_t current, std::int32_t total) {
  const QDateTime now = now_();
  if (!started_) {
    started_ = true;
    startedAt_ = now;
    firstKeyword_ = current;
  }
  GbkString text = gbk("第 ") + intToStr(current) + "/" + intToStr(total) + gbk(" 个关键字");
  const std::int64_t done = current - firstKeyword_;
  if (done <= 0) return text;
  // The keyword just begun is still to do.
  const std::int64_t left = std::int64_t{total} - current + 1;
  const qint64 end = startedAt_.msecsTo(now) * left / done;
  return text + gbk("，预计 ") + toGbk(now.addMSecs(end).toString(QStringLiteral("HH:mm"))) + gbk(" 完成");
}

}  // namespace valo::session
