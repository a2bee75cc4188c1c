// Replacing a file as a whole without ever leaving half of it in place: the
// new content goes into a fresh file beside the old one, is flushed to the
// disk, and only then renamed over the old name. Any failure before the
// rename leaves the old file exactly as it was and removes the fresh one.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace valo::files {

class AtomicFile {
 public:
  explicit AtomicFile(const QString& path);
  ~AtomicFile();  // discards the fresh file unless commit() succeeded
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The file ends with exactly `mode` (for example 0600 for a file that holds
  // passwords), from its first byte on, whatever the old file's mode was.
  // Without it the old file's permissions are kept. Before open().
  void setMode(unsigned mode) { forcedMode_ = static_cast<int>(mode); }

  // Each returns 0 on success or the errno value of the failure.
  // open(): refuses an existing file we may not write (as the old delete-and-
  // create would have), then creates the fresh file in the same folder.
  int open();
  // Writes all bytes; a write that stops short without an error reports ENOSPC.
  int write(std::string_view bytes);
  // Flushes, closes and renames over the target; then flushes the folder.
  int commit();
  void discard();

 private:
  std::string target_;  // local-encoded path the rename lands on
  std::string temp_;
  int fd_ = -1;
  int forcedMode_ = -1;
  bool committed_ = false;
};

// Buffers small writes into large ones for an AtomicFile; the first failure
// sticks and is returned by flush().
class BufferedWriter {
 public:
  explicit BufferedWriter(AtomicFile& file, std::size_t capacity = std::size_t{1} << 20);
  void append(std::string_view bytes);
  int flush();
  int error() const { return error_; }

 private:
  AtomicFile& file_;
  std::string buffer_;
  std::size_t capacity_;
  int error_ = 0;
};

// Reads a whole file. Returns 0, or the errno of the failing open (openFailed
// set) or read (openFailed clear).
int readWholeFile(const QString& path, std::string& out, bool& openFailed);

// The local (file system) encoding of a path.
std::string localPath(const QString& path);

}  // namespace valo::files
