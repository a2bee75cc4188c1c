// Test helpers; see test_support.h.
#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace valo::files::testing {

TempDir::TempDir() {
  std::string pattern = "/tmp/valo-files-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  // Readable for the unprivileged child, writable only by the owner.
  ::chmod(path_.c_str(), 0755);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::names() const {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(path_))
    out.push_back(e.path().filename().string());
  return out;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::string readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return "<missing>";
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

namespace {

// Whether the calling process can create a file in `folder`; the probe is
// removed again.
bool canCreateIn(const std::string& folder) {
  const std::string probe = folder + "/.valo-fault-probe-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// In the child: make the faults, or say why they cannot be made here.
std::string applyFaults(const ChildFaults& faults) {
  if (faults.fileSizeLimit >= 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(faults.fileSizeLimit), static_cast<rlim_t>(faults.fileSizeLimit)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string(kFaultNotMade) + "setrlimit failed";
  }
  const bool bound = faults.permissionBitsApply || !faults.readOnlyFolder.empty();
  if (bound && ::geteuid() == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
      return std::string(kFaultNotMade) +
             "the superuser cannot change to uid 65534 here: " + std::strerror(errno);
    }
  }
  if (!faults.readOnlyFolder.empty() && canCreateIn(faults.readOnlyFolder)) {
    return std::string(kFaultNotMade) + faults.readOnlyFolder + " stays writable for uid " +
           std::to_string(::geteuid()) + " (a capability overrides its permission bits)";
  }
  return {};
}

// Takes the write bits off a folder for an ordinary user and puts them back.
class WriteBitsOff {
 public:
  explicit WriteBitsOff(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::geteuid() == 0 || ::stat(folder.c_str(), &st) != 0) return;
    folder_ = folder;
    mode_ = st.st_mode & 07777;
    ::chmod(folder_.c_str(), mode_ & ~mode_t{0222});
  }
  ~WriteBitsOff() {
    if (!folder_.empty()) ::chmod(folder_.c_str(), mode_);
  }
  WriteBitsOff(const WriteBitsOff&) = delete;
  WriteBitsOff& operator=(const WriteBitsOff&) = delete;

 private:
  std::string folder_;
  mode_t mode_ = 0;
};

}  // namespace

std::string runInChild(const ChildFaults& faults, const std::function<std::string()>& body) {
  const WriteBitsOff readOnly(faults.readOnlyFolder);
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    std::string result;
    try {
      result = applyFaults(faults);
      if (result.empty()) result = body();
    } catch (const std::exception& e) {
      result = std::string("exception: ") + e.what();
    }
    const char* p = result.data();
    std::size_t left = result.size();
    while (left > 0) {
      const ssize_t n = ::write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child died";
  return out;
}

}  // namespace valo::files::testing
