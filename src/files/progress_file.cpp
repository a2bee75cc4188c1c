// Writing and reading the progress file; see progress_file.h.
#include "files/progress_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "files/atomic_file.h"
#include "files/io_error.h"
#include "text/app_error.h"

namespace valo::files {
namespace {

constexpr std::string_view kTicked = "qcyes";
constexpr std::string_view kUnticked = "qcno";

// Reads one line the way a text file is read line by line: up to CR LF or LF
// alone (a CR elsewhere is part of the line); past the end yields "".
std::string_view readLine(std::string_view text, std::size_t& pos) {
  if (pos >= text.size()) return {};
  const std::size_t lf = text.find('\n', pos);
  std::size_t end = lf == std::string_view::npos ? text.size() : lf;
  std::string_view line = text.substr(pos, end - pos);
  if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = lf == std::string_view::npos ? text.size() : lf + 1;
  return line;
}

}  // namespace

std::int32_t clampIntervalSeconds(std::int32_t seconds) {
  return std::clamp(seconds, kIntervalMinSeconds, kIntervalMaxSeconds);
}

GbkString progressFileBytes(const ProgressValues& values) {
  GbkString out;
  out += values.engineText;
  out += "\r\n";
  out += intToStr(static_cast<std::int64_t>(values.keywordIndex) - 1);
  out += "\r\n";
  out += values.dedupTicked ? kTicked : kUnticked;
  out += "\r\n";
  out += intToStr(values.intervalSeconds);
  out += "\r\n";
  return out;
}

void SaveProgress(const QString& path, const ProgressValues& values) {
  AtomicFile file(path);
  int err = file.open();
  if (err == 0) err = file.write(progressFileBytes(values));
  if (err == 0) err = file.commit();
  if (err != 0) throw ioErrorFromErrno(err);
}

void applyProgressText(std::string_view text, ProgressTarget& target) {
  std::size_t pos = 0;
  target.setEngineText(GbkString(readLine(text, pos)));
  target.setKeywordIndex(strToInt(readLine(text, pos)));
  target.setDedupTicked(readLine(text, pos) == kTicked);
  target.setIntervalSeconds(clampIntervalSeconds(strToInt(readLine(text, pos))));
  // Lines after the fourth are ignored.
}

void LoadProgress(const QString& path, ProgressTarget& target) {
  struct stat st {};
  if (::stat(localPath(path).c_str(), &st) != 0 && errno == ENOENT) return;
  std::string text;
  bool openFailed = false;
  if (const int err = readWholeFile(path, text, openFailed); err != 0) throw ioErrorFromErrno(err);
  applyProgressText(text, target);
}

}  // namespace valo::files
