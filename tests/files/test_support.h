// Helpers of the files tests: a scratch folder, whole-file reads and writes,
// and a child process in which faults are injected (permission faults made
// the way that works for whoever runs the tests, a file-size limit for a full
// disk) without affecting the test process itself.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace valo::files::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  QString qfile(const std::string& name) const { return QString::fromStdString(file(name)); }
  QString qpath() const { return QString::fromStdString(path_); }
  // Names in the folder, to see that no temporary file was left behind.
  std::vector<std::string> names() const;

 private:
  std::string path_;
};

void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
bool fileExists(const std::string& path);

struct ChildFaults {
  // Permission bits bind the body. The superuser, whom they do not stop, runs
  // it as uid/gid 65534; an ordinary user already is bound by them.
  bool permissionBitsApply = false;
  // A folder the body cannot create files in (implies permissionBitsApply).
  // For an ordinary user its write bits are taken off for the length of the
  // call; for the superuser the folder is one that uid 65534 cannot write.
  std::string readOnlyFolder;
  // RLIMIT_FSIZE in bytes with SIGXFSZ ignored: writes past it fail with
  // EFBIG, as on a full disk. Negative: no limit.
  long long fileSizeLimit = -1;
};

inline ChildFaults permissionBitsBind() {
  ChildFaults f;
  f.permissionBitsApply = true;
  return f;
}
inline ChildFaults readOnlyFolder(std::string folder) {
  ChildFaults f;
  f.readOnlyFolder = std::move(folder);
  return f;
}
inline ChildFaults fileSizeLimit(long long bytes) {
  ChildFaults f;
  f.fileSizeLimit = bytes;
  return f;
}

// What runInChild returns when the fault cannot be made on this machine (no
// right to change user, or the folder stays writable through a capability).
inline constexpr std::string_view kFaultNotMade = "fault not made: ";

// Runs `body` in a forked child with the faults applied and returns the text
// it returned; an exception escaping it is returned as "exception: <what>".
std::string runInChild(const ChildFaults& faults, const std::function<std::string()>& body);

// A fault that could not be made is a skipped test, never a passed one.
#define VALO_SKIP_IF_FAULT_NOT_MADE(result)                                          \
  do {                                                                               \
    if (std::string_view(result).starts_with(::valo::files::testing::kFaultNotMade)) \
      GTEST_SKIP() << (result);                                                      \
  } while (false)

}  // namespace valo::files::testing
