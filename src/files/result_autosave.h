// Keeps the numbers of every search on disk as they are listed, so that a
// crash, a kill or a power cut never takes a result list with it: one file per
// search, "搜索结果/搜索结果-YYYYMMDD-HHMMSS.txt" in the data folder, holding
// the same text the Save command writes (GBK, every number followed by CR LF,
// in list order), forced to the disk after every page.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/gbk.h"

namespace valo::files {

inline constexpr const char* kAutosaveFolderName = "搜索结果";

// "搜索结果-20261208-093015.txt" for that local time.
QString autosaveFileName(const QDateTime& searchTime);

class ResultAutosave {
 public:
  // `dataFolder` names the folder the file's folder goes in (with a trailing
  // separator); `now` is the local time of a Search command.
  ResultAutosave(std::function<QString()> dataFolder, std::function<QDateTime()> now);
  ~ResultAutosave();
  ResultAutosave(const ResultAutosave&) = delete;
  ResultAutosave& operator=(const ResultAutosave&) = delete;

  // A new search: its numbers go to a file of its own, named by the time of
  // this call. The file is made with the search's first number.
  void begin();
  // A number just listed.
  void add(std::string_view number);
  // Writes everything added so far and waits until the disk has it. Never
  // throws and never blocks beyond the write: a failure keeps the unwritten
  // numbers for the next flush and is reported once per search, as the status
  // text to show (GBK, naming the file); otherwise nullopt.
  std::optional<GbkString> flush();

  // The current search's file; empty until it has been made.
  const QString& path() const { return path_; }

 private:
  int openFile();  // 0 or the errno of the failure
  void closeFile();

  std::function<QString()> dataFolder_;
  std::function<QDateTime()> now_;
  QDateTime searchTime_;
  bool searching_ = false;
  QString path_;
  QString intendedPath_;  // what the report names before the file exists
  int fd_ = -1;
  std::string pending_;  // listed, not yet written
  bool reported_ = false;
};

}  // namespace valo::files
