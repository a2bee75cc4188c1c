// See proxy_file.h.
#include "files/proxy_file.h"

#include <sys/stat.h>

#include <cerrno>

#include "files/atomic_file.h"
#include "files/io_error.h"

namespace valo::files {
namespace {

constexpr mode_t kOwnerOnly = 0600;

}  // namespace

std::string readProxyFile(const QString& path) {
  std::string text;
  bool openFailed = false;
  const int err = readWholeFile(path, text, openFailed);
  if (err == ENOENT) return {};
  if (err != 0) throw ioErrorFromErrno(err);
  // A file written with an editor gets the editor's mode: not for passwords.
  struct stat st {};
  const std::string local = localPath(path);
  if (::stat(local.c_str(), &st) == 0 && (st.st_mode & 077) != 0) ::chmod(local.c_str(), st.st_mode & 0700);
  return text;
}

void writeProxyFile(const QString& path, const std::string& utf8Text) {
  AtomicFile file(path);
  file.setMode(kOwnerOnly);
  int err = file.open();
  if (err == 0) err = file.write(utf8Text);
  if (err == 0) err = file.commit();
  if (err != 0) throw ioErrorFromErrno(err);
}

}  // namespace valo::files
