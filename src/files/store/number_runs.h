// Sorting more numbers than memory may hold: numbers are gathered up to a
// budget of bytes, sorted and written out as a run file of distinct numbers,
// and the runs are merged at the end into one file of the distinct numbers
// in byte order. A list of any length so costs the budget in memory and
// about its own size in disk space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace valo::files::store {

class NumberRuns {
 public:
  // Run files go into `folder` (local encoding, existing). Gathered numbers
  // take at most `budgetBytes` of memory; sorting that many is what a cancel
  // may wait for, so the budget is kept to a few tens of megabytes.
  NumberRuns(std::string folder, std::size_t budgetBytes);

  // Takes a number (no line end in it); may sort and spill a run.
  // Throws AppError when a run cannot be written.
  void add(std::string_view number);
  std::int64_t added() const { return added_; }

  // Writes the distinct numbers, one a line, to `target` and returns their
  // count; nullopt when `stop` was requested on the way.
  std::optional<std::int64_t> finish(const std::string& target, std::stop_token stop);

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t length;
  };
  std::string_view at(const Entry& e) const { return {arena_.data() + e.offset, e.length}; }
  // Sorts what is gathered, drops repeats, writes it to `path`, and empties;
  // returns how many numbers were written.
  std::int64_t spillTo(const std::string& path);

  std::string folder_;
  std::size_t arenaBytes_;
  std::size_t entryCount_;
  std::string arena_;
  std::vector<Entry> entries_;
  std::vector<std::string> runs_;
  std::int64_t added_ = 0;
};

// Line files beside the runs (the sorted numbers, an undo record), written
// and read through the standard streams with a failure raised as AppError.
class LineFileWriter {
 public:
  explicit LineFileWriter(const std::string& path);
  void write(std::string_view line);
  void write(char tag, std::string_view line);
  // Hands the written lines to the system, so that a reader sees them.
  void flush();
  void close();

 private:
  std::string path_;
  std::ofstream out_;
};

class LineFileReader {
 public:
  explicit LineFileReader(const std::string& path);
  // The next line without its end; false at the end of the file.
  bool next(std::string& line);

 private:
  std::string path_;
  std::ifstream in_;
};

}  // namespace valo::files::store
