// Keeps the numbers of every search on disk as they are listed, so that a
// crash, a kill or a power cut never takes a result list with it: one file per
// search, "搜索结果/搜索结果-YYYYMMDD-HHMMSS.txt" in the data folder, holding
// the same text the Save command writes (GBK, every number followed by CR LF,
// in list order), forced to the disk after every page. Numbers the disk
// refused wait in memory and are written at every later flush, into their own
// search's file even after a new search has begun.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

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
  // this call. The file is made with the search's first number. Numbers of
  // the search before that still wait for the disk stay owed to its file.
  void begin();
  // A number just listed.
  void add(std::string_view number);
  // Writes everything added so far, of this search and of earlier ones, and
  // waits until the disk has it. Never throws and never blocks beyond the
  // write. While any number waits for the disk it returns the status text
  // that says so (GBK, naming the file), at every call; otherwise nullopt.
  // Bytes leave memory only once fdatasync has confirmed them.
  std::optional<GbkString> flush();

  // The current search's file; empty until it has been made.
  const QString& path() const { return current_.path; }

 private:
  // One search's file and what it still owes.
  struct SearchFile {
    QDateTime time;
    QString path;          // empty until made
    QString intendedPath;  // what a report names before the file exists
    int fd = -1;
    off_t synced = 0;     // bytes the disk has confirmed
    std::string pending;  // listed, not yet confirmed; goes at `synced`
  };
  int openFile(SearchFile& file);  // 0 or the errno of the failure
  int flushFile(SearchFile& file);  // 0 or the errno of the failure
  static void closeFile(SearchFile& file);
  GbkString report(const SearchFile& file, int err) const;

  std::function<QString()> dataFolder_;
  std::function<QDateTime()> now_;
  bool searching_ = false;
  SearchFile current_;
  std::vector<SearchFile> owed_;  // earlier searches with numbers not yet on disk
};

}  // namespace valo::files
