// The keyword file: line ends on loading, byte-for-byte saving, the capacity
// and open errors, and the user's file surviving failed saves and loads.
#include "files/keyword_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <ostream>

#include "test_support.h"
#include "text/app_error.h"

namespace valo::files {
namespace {

using testing::readBytes;
using testing::runInChild;
using testing::TempDir;
using testing::writeBytes;

struct LoadCase {
  const char* name;
  std::string file;
  std::string box;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class KeywordLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(KeywordLoad, BoxTextAndSavedBackBytes) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), GetParam().file);
  KeywordStore store(dir.qfile("valofaxbody.ini"));
  const std::optional<GbkString> text = store.load();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, GetParam().box);
  // The exit writes the box's text back unchanged.
  ASSERT_TRUE(store.saveAtExit(*text));
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), GetParam().box);
}

const std::string kShenzhen = "\xC9\xEE\xDB\xDA \xBB\xFA\xD0\xB5 \xB4\xAB\xD5\xE6:";  // "深圳 机械 传真:"

INSTANTIATE_TEST_SUITE_P(
    Cases, KeywordLoad,
    ::testing::Values(LoadCase{"EmptyFileGivesEmptyBox", "", ""},
                      LoadCase{"CrLfUnchanged", kShenzhen + "\r\nb\r\n", kShenzhen + "\r\nb\r\n"},
                      LoadCase{"LfBecomesCrLf", "a\nb\n", "a\r\nb\r\n"},
                      LoadCase{"CrAloneBecomesCrLf", "a\rb\r", "a\r\nb\r\n"},
                      LoadCase{"MixedLineEnds", "a\r\r\nb\n\rc", "a\r\n\r\nb\r\n\r\nc"},
                      LoadCase{"NoFinalLineEndRoundTrips", "a\r\nlast", "a\r\nlast"},
                      LoadCase{"BlankMiddleLineKept", "a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
                      LoadCase{"ZeroByteCutsTheText", std::string("ab\r\ncd\0ef\r\n", 10), "ab\r\ncd"},
                      LoadCase{"ZeroByteFirst", std::string("\0abc", 4), ""},
                      LoadCase{"ZeroByteAfterLoneCr", std::string("a\r\0b", 4), "a\r\n"}),
    [](const ::testing::TestParamInfo<LoadCase>& p) { return std::string(p.param.name); });

TEST(KeywordStoreFile, NoFileKeepsTheDefaultLines) {
  TempDir dir;
  EXPECT_FALSE(LoadKeywords(dir.qfile("valofaxbody.ini")).has_value());
}

TEST(KeywordStoreFile, DefaultLinesSavedWithCrLf) {
  TempDir dir;
  KeywordStore store(dir.qfile("valofaxbody.ini"));
  EXPECT_FALSE(store.load().has_value());
  const std::string box = kShenzhen + "\r\n" + kShenzhen + "\r\n";
  EXPECT_TRUE(store.saveAtExit(box));
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), box);
}

TEST(KeywordStoreFile, EmptyBoxWritesAnEmptyFile) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), "old\r\n");
  EXPECT_TRUE(SaveKeywords(dir.qfile("valofaxbody.ini"), ""));
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), "");
  EXPECT_EQ(LoadKeywords(dir.qfile("valofaxbody.ini")), std::optional<GbkString>(""));
}

TEST(KeywordStoreFile, TextBeyondCapacityIsRefusedAfterLineEndConversion) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), "ab\r\n");
  EXPECT_EQ(LoadKeywords(dir.qfile("valofaxbody.ini"), 4), std::optional<GbkString>("ab\r\n"));
  writeBytes(dir.file("valofaxbody.ini"), "ab\n\n");  // 4 bytes on disk, 6 in the box
  try {
    LoadKeywords(dir.qfile("valofaxbody.ini"), 4);
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), gbk("文本超过 Memo 容量"));
  }
}

TEST(KeywordStoreFile, EntryThatCannotBeReadNamesTheFullPath) {
  TempDir dir;
  ::mkdir(dir.file("valofaxbody.ini").c_str(), 0755);
  try {
    LoadKeywords(dir.qfile("valofaxbody.ini"));
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), "Cannot open file " + dir.file("valofaxbody.ini"));
  }
}

const std::string kUserList = "\xC9\xEE\xDB\xDA a\r\nline two\r\nline three\r\n";

TEST(KeywordStoreFile, FileThatCannotBeOpenedReportsAndIsKept) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), kUserList);
  ::chmod(dir.file("valofaxbody.ini").c_str(), 0);
  ::chmod(dir.path().c_str(), 0777);
  const QString path = dir.qfile("valofaxbody.ini");
  const std::string result = runInChild(testing::permissionBitsBind(), [&] {
    KeywordStore store(path);
    std::string out;
    try {
      store.load();
      out = "loaded";
    } catch (const AppError& e) {
      out = e.message();
    }
    // The exit then must not replace the unread file with the default lines.
    return out + (store.saveAtExit("default\r\n") ? "; saved" : "; not saved");
  });
  ::chmod(dir.file("valofaxbody.ini").c_str(), 0644);
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "Cannot open file " + dir.file("valofaxbody.ini") + "; not saved");
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), kUserList);
}

struct SaveFault {
  const char* name;
  bool readOnlyFolder;
  long long fileSizeLimit;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const SaveFault& c, std::ostream* os) {
  *os << c.name;
}

class KeywordSaveFault : public ::testing::TestWithParam<SaveFault> {};

TEST_P(KeywordSaveFault, FailsSilentlyAndKeepsTheOldFile) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), kUserList);
  const QString path = dir.qfile("valofaxbody.ini");
  testing::ChildFaults faults = testing::fileSizeLimit(GetParam().fileSizeLimit);
  if (GetParam().readOnlyFolder) faults.readOnlyFolder = dir.path();
  const std::string result = runInChild(faults, [&] {
    return SaveKeywords(path, std::string(4000, 'k')) ? std::string("saved") : std::string("failed");
  });
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "failed");
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), kUserList);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"valofaxbody.ini"});
}

INSTANTIATE_TEST_SUITE_P(Faults, KeywordSaveFault,
                         ::testing::Values(SaveFault{"ReadOnlyFolder", true, -1},
                                           SaveFault{"DiskFull", false, 0},
                                           SaveFault{"WriteFailsHalfWay", false, 1000}),
                         [](const ::testing::TestParamInfo<SaveFault>& p) {
                           return std::string(p.param.name);
                         });

// Mend 2: a truncate-and-write would leave the first 1000 bytes of the new text.
TEST(KeywordStoreFile, SaveIsAtomicOldFileSurvivesFailure) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), kUserList);
  const QString path = dir.qfile("valofaxbody.ini");
  const std::string result = runInChild(testing::fileSizeLimit(1000), [&] {
    return SaveKeywords(path, std::string(5000, 'n')) ? "saved" : "failed";
  });
  EXPECT_EQ(result, "failed");
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), kUserList);
}

// Mend 3: the box holds its default lines after a failed load; the exit must
// not put them in place of the user's list.
TEST(KeywordStoreFile, FailedLoadIsNeverOverwrittenAtExit) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), kUserList);
  KeywordStore store(dir.qfile("valofaxbody.ini"), /*capacity=*/8);
  EXPECT_THROW(store.load(), AppError);
  EXPECT_TRUE(store.loadFailed());
  EXPECT_FALSE(store.saveAtExit("default\r\n"));
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), kUserList);

  KeywordStore fine(dir.qfile("valofaxbody.ini"));
  ASSERT_TRUE(fine.load().has_value());
  EXPECT_FALSE(fine.loadFailed());
  EXPECT_TRUE(fine.saveAtExit("edited\r\n"));
  EXPECT_EQ(readBytes(dir.file("valofaxbody.ini")), "edited\r\n");
}

// An installed program reads the list shipped beside it and keeps the user's
// edits in the user's own folder, never touching the shipped file.
TEST(KeywordStoreFile, ReadsOnePlaceAndWritesAnother) {
  TempDir shipped, own;
  writeBytes(shipped.file("valofaxbody.ini"), kUserList);
  KeywordStore store(shipped.qfile("valofaxbody.ini"), own.qfile("valofaxbody.ini"));
  EXPECT_EQ(store.load(), std::optional<GbkString>(kUserList));
  EXPECT_TRUE(store.saveAtExit("edited\r\n"));
  EXPECT_EQ(readBytes(own.file("valofaxbody.ini")), "edited\r\n");
  EXPECT_EQ(readBytes(shipped.file("valofaxbody.ini")), kUserList);

  // A shipped file that cannot be read leaves the user's folder alone too.
  KeywordStore tooBig(shipped.qfile("valofaxbody.ini"), own.qfile("other.ini"), /*capacity=*/8);
  EXPECT_THROW(tooBig.load(), AppError);
  EXPECT_FALSE(tooBig.saveAtExit("default\r\n"));
  EXPECT_FALSE(testing::fileExists(own.file("other.ini")));
}

TEST(KeywordStoreFile, SaveKeepsTheFilePermissions) {
  TempDir dir;
  writeBytes(dir.file("valofaxbody.ini"), kUserList);
  ::chmod(dir.file("valofaxbody.ini").c_str(), 0640);
  ASSERT_TRUE(SaveKeywords(dir.qfile("valofaxbody.ini"), "x"));
  struct stat st {};
  ASSERT_EQ(::stat(dir.file("valofaxbody.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(KeywordStoreFile, SaveThroughALinkReplacesTheLinkedFile) {
  TempDir dir;
  writeBytes(dir.file("real.ini"), kUserList);
  ::symlink(dir.file("real.ini").c_str(), dir.file("valofaxbody.ini").c_str());
  ASSERT_TRUE(SaveKeywords(dir.qfile("valofaxbody.ini"), "new\r\n"));
  EXPECT_EQ(readBytes(dir.file("real.ini")), "new\r\n");
  struct stat st {};
  ASSERT_EQ(::lstat(dir.file("valofaxbody.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

}  // namespace
}  // namespace valo::files
