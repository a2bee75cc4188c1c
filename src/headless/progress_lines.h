// The lines a search without a window writes to standard error: one a page
// and one at the end, as text for a person or as JSON for a program.
#pragma once

#include <QString>
#include <cstdint>

namespace valo::headless {

struct PageLine {
  QString time;  // "14:05:30"
  std::int32_t keyword = 0;  // the keyword's line, from 1
  std::int32_t keywords = 0;
  std::int32_t page = 0;  // from 1 within the keyword
  std::int32_t onPage = 0;
  std::int32_t soFar = 0;
  std::int32_t refusals = 0;
  QString proxy;  // empty: none
  QString address;
  std::int64_t queueId = 0;  // the keyword's id on a team's queue; 0: none
};

struct EndLine {
  QString time;
  int exitCode = 0;
  std::int32_t found = 0;
  std::int32_t pages = 0;
  std::int32_t refusals = 0;
  QString endText;  // the status bar's end text
};

QString formatPageLine(const PageLine& line, bool json);
QString formatEndLine(const EndLine& line, bool json);
// A message the window would show in a box, or an error.
QString formatNotice(const QString& time, const QString& kind, const QString& text, bool json);

}  // namespace valo::headless
