// The errno-to-code mapping behind the I/O error texts.
#include "files/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace valo::files {
namespace {

TEST(IoError, SystemErrorsShowTheNearestText) {
  const struct {
    int err;
    const char* text;
  } cases[] = {
      {ENOENT, "File not found"},
      {ENAMETOOLONG, "Invalid filename"},
      {EINVAL, "Invalid filename"},
      {ENOTDIR, "Invalid filename"},
      {EMFILE, "Too many open files"},
      {ENFILE, "Too many open files"},
      {EACCES, "File access denied"},
      {EPERM, "File access denied"},
      {EROFS, "File access denied"},
      {EISDIR, "File access denied"},
      {ENOSPC, "Disk full"},
      {EDQUOT, "Disk full"},
      {EFBIG, "Disk full"},
      {EBUSY, "I/O error 32"},
      {ETXTBSY, "I/O error 32"},
      {EIO, "I/O error 31"},
      {EEXIST, "I/O error 80"},
  };
  for (const auto& c : cases) EXPECT_EQ(ioErrorFromErrno(c.err).message(), c.text) << c.err;
}

TEST(IoError, UnlistedErrnoCannotBeMistakenForAListedCode) {
  // ENETDOWN and ENETUNREACH are 100 and 101 on Linux, the numbers of two fixed texts.
  EXPECT_EQ(ioErrorFromErrno(ENETDOWN).message(), "I/O error " + std::to_string(1000 + ENETDOWN));
  EXPECT_EQ(ioErrorFromErrno(ENETUNREACH).message(), "I/O error " + std::to_string(1000 + ENETUNREACH));
}

TEST(IoError, FixedTextsByCode) {
  EXPECT_EQ(ioErrorText(100), "Read beyond end of file");
  EXPECT_EQ(ioErrorText(101), "Disk full");
  EXPECT_EQ(ioErrorText(106), "Invalid numeric input");
  EXPECT_EQ(ioErrorText(3), "Invalid filename");
  EXPECT_EQ(ioErrorText(4), "Too many open files");
  EXPECT_EQ(ioErrorText(77), "I/O error 77");
}

}  // namespace
}  // namespace valo::files
