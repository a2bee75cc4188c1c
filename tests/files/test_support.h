// Helpers of the files tests: a scratch folder, whole-file reads and writes,
// and a child process in which faults are injected (a dropped user for
// permission faults, a file-size limit for a full disk) without affecting
// the test process itself.
#pragma once

#include <QString>
#include <functional>
#include <string>
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
  // Runs as an ordinary user (uid/gid 65534), so permission bits apply even
  // when the tests run as the superuser.
  bool dropPrivileges = false;
  // RLIMIT_FSIZE in bytes with SIGXFSZ ignored: writes past it fail with
  // EFBIG, as on a full disk. Negative: no limit.
  long long fileSizeLimit = -1;
};

// Runs `body` in a forked child with the faults applied and returns the text
// it returned; an exception escaping it is returned as "exception: <what>".
std::string runInChild(const ChildFaults& faults, const std::function<std::string()>& body);

}  // namespace valo::files::testing
