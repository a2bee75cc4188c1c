// The start-up clean-up of the atomic replace's leftovers: only its own
// names, only when the writer is gone and nobody holds the file.
#include "files/stale_temp_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files/atomic_file.h"
#include "test_support.h"

namespace valo::files {
namespace {

using testing::TempDir;

// The id of a process that has ended.
pid_t goneProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(StaleTemporaryFiles, OnlyOwnLeftoversOfEndedWritersNobodyHolds) {
  TempDir dir;
  const std::string gone = std::to_string(goneProcess());
  const std::string self = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {"valofaxscan.ini.tmp" + gone + "-123", true},
      {"valofaxbody.ini.tmp" + gone + "-999999", true},
      {"valofaxscan.ini.tmp" + self + "-1", false},     // a running writer
      {"valofaxbody.ini.tmp" + gone + "-7", false},     // held below
      {"numbers.txt.tmp" + gone + "-1", false},         // not a file of this folder's own
      {"valofaxscan.ini.tmp" + gone + "-1234567", false},
      {"valofaxscan.ini.tmpx-1", false},
      {"valofaxscan.ini", false},
      {"valofaxbody.ini.tmp" + gone + "-5.bak", false},
  };
  for (const Case& c : cases) testing::writeBytes(dir.file(c.name), "x");
  ::mkdir(dir.file("valofaxscan.ini.tmp" + gone + "-8").c_str(), 0700);  // a folder is never removed
  const int held = ::open(dir.file("valofaxbody.ini.tmp" + gone + "-7").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // A replace in progress in this process keeps its fresh file.
  AtomicFile live(dir.qfile("valofaxscan.ini"));
  ASSERT_EQ(live.open(), 0);

  EXPECT_EQ(removeStaleTemporaryFiles({dir.qpath(), QString()}), 2);
  for (const Case& c : cases) EXPECT_EQ(testing::fileExists(dir.file(c.name)), !c.removed) << c.name;
  EXPECT_TRUE(testing::fileExists(dir.file("valofaxscan.ini.tmp" + gone + "-8")));
  EXPECT_EQ(dir.names().size(), std::size(cases) - 2 + 2);  // the folder and the live file stay
  ::close(held);
}

}  // namespace
}  // namespace valo::files
