// The progress file: exact bytes written, the reading rules line by line, and
// the old file surviving every failed write.
#include "files/progress_file.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

#include "files/io_error.h"
#include "test_support.h"
#include "text/app_error.h"

namespace valo::files {
namespace {

using testing::ChildFaults;
using testing::readBytes;
using testing::runInChild;
using testing::TempDir;
using testing::writeBytes;

// Records what reading applies, in order.
struct RecordingTarget : ProgressTarget {
  std::vector<std::string> log;
  void setEngineText(const GbkString& text) override { log.push_back("engine=" + text); }
  void setKeywordIndex(std::int32_t index) override { log.push_back("index=" + std::to_string(index)); }
  void setDedupTicked(bool ticked) override { log.push_back(ticked ? "dedup=on" : "dedup=off"); }
  void setIntervalSeconds(std::int32_t s) override { log.push_back("interval=" + std::to_string(s)); }
};

struct LoadCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> applied;
  std::string error;  // empty: none
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgressLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ProgressLoad, AppliesLinesInOrderAndStopsAtABadInteger) {
  const LoadCase& c = GetParam();
  TempDir dir;
  writeBytes(dir.file("valofaxscan.ini"), c.bytes);
  RecordingTarget target;
  std::string error;
  try {
    LoadProgress(dir.qfile("valofaxscan.ini"), target);
  } catch (const AppError& e) {
    error = e.message();
  }
  EXPECT_EQ(target.log, c.applied);
  EXPECT_EQ(error, c.error);
}

const std::string kBaidu = "http://www.baidu.com/";
const std::string kGbkEngine = "\xB0\xD9\xB6\xC8";  // "百度" in GBK

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressLoad,
    ::testing::Values(
        LoadCase{"CrLf",
                 kBaidu + "\r\n4\r\nqcyes\r\n8\r\n",
                 {"engine=" + kBaidu, "index=4", "dedup=on", "interval=8"},
                 ""},
        LoadCase{"UnixLineEnds",
                 kBaidu + "\n4\nqcyes\n8\n",
                 {"engine=" + kBaidu, "index=4", "dedup=on", "interval=8"},
                 ""},
        LoadCase{"NoFinalLineEnd",
                 "e\r\n-1\r\nqcno\r\n8",
                 {"engine=e", "index=-1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"CrAloneStaysInTheLine",
                 "a\rb\n5\nqcno\n8\n",
                 {"engine=a\rb", "index=5", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"GbkEngineTextUnchanged",
                 kGbkEngine + "\r\n0\r\nqcno\r\n3\r\n",
                 {"engine=" + kGbkEngine, "index=0", "dedup=off", "interval=3"},
                 ""},
        LoadCase{"EmptyEngineLine",
                 "\r\n-1\r\nqcno\r\n8\r\n",
                 {"engine=", "index=-1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"QcyesInCapitals",
                 "e\r\n1\r\nQCYES\r\n8\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"QcyesTrailingBlank",
                 "e\r\n1\r\nqcyes \r\n8\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"QcyesLeadingBlank",
                 "e\r\n1\r\n qcyes\r\n8\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"QcyesWithStrayCr",
                 "e\r\n1\r\nqcyes\r\r\n8\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=8"},
                 ""},
        LoadCase{"IntervalZeroClampsToOne",
                 "e\r\n1\r\nqcno\r\n0\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=1"},
                 ""},
        LoadCase{"Interval5000ClampsTo1000",
                 "e\r\n1\r\nqcno\r\n5000\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=1000"},
                 ""},
        LoadCase{"NegativeIntervalClampsToOne",
                 "e\r\n1\r\nqcno\r\n-3\r\n",
                 {"engine=e", "index=1", "dedup=off", "interval=1"},
                 ""},
        LoadCase{"HexAndLeadingBlanksAccepted",
                 "e\r\n$11\r\nqcno\r\n 0x1A\r\n",
                 {"engine=e", "index=17", "dedup=off", "interval=26"},
                 ""},
        LoadCase{"LinesAfterTheFourthIgnored",
                 "e\r\n2\r\nqcyes\r\n9\r\nrubbish\r\nmore\r\n",
                 {"engine=e", "index=2", "dedup=on", "interval=9"},
                 ""},
        LoadCase{"EmptyFileSetsEngineThenFailsAtLine2", "", {"engine="}, "'' is not a valid integer value"},
        LoadCase{"OneLineFile", "e\r\n", {"engine=e"}, "'' is not a valid integer value"},
        LoadCase{"TwoLineFileStopsAtLine4",
                 "e\r\n3\r\n",
                 {"engine=e", "index=3", "dedup=off"},
                 "'' is not a valid integer value"},
        LoadCase{"ThreeLineFileTicksThenStops",
                 "e\r\n3\r\nqcyes\r\n",
                 {"engine=e", "index=3", "dedup=on"},
                 "'' is not a valid integer value"},
        LoadCase{"BadLine2KeepsOnlyEngine",
                 "e\r\nabc\r\nqcyes\r\n8\r\n",
                 {"engine=e"},
                 "'abc' is not a valid integer value"},
        LoadCase{"Line2TrailingBlankIsNoInteger",
                 "e\r\n5 \r\nqcyes\r\n8\r\n",
                 {"engine=e"},
                 "'5 ' is not a valid integer value"},
        LoadCase{"BadLine4AfterThreeSteps",
                 "e\r\n5\r\nqcyes\r\nx8\r\n",
                 {"engine=e", "index=5", "dedup=on"},
                 "'x8' is not a valid integer value"},
        LoadCase{"Line2OutOfRange",
                 "e\r\n2147483648\r\nqcno\r\n8\r\n",
                 {"engine=e"},
                 "'2147483648' is not a valid integer value"}),
    [](const ::testing::TestParamInfo<LoadCase>& p) { return std::string(p.param.name); });

struct SaveCase {
  const char* name;
  ProgressValues values;
  std::string bytes;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const SaveCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgressSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(ProgressSave, WritesFourCrLfLines) {
  TempDir dir;
  // A longer old file must not leave a tail behind.
  writeBytes(dir.file("valofaxscan.ini"), std::string(200, 'z'));
  SaveProgress(dir.qfile("valofaxscan.ini"), GetParam().values);
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), GetParam().bytes);
  EXPECT_EQ(dir.names().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressSave,
    ::testing::Values(
        SaveCase{"BeforeAnySearchWritesMinusOne", {kBaidu, 0, false, 8}, kBaidu + "\r\n-1\r\nqcno\r\n8\r\n"},
        SaveCase{"IndexFiveWritesFour", {kBaidu, 5, true, 8}, kBaidu + "\r\n4\r\nqcyes\r\n8\r\n"},
        SaveCase{"EndOfTwelveKeywordsWritesEleven", {"e", 12, false, 1000}, "e\r\n11\r\nqcno\r\n1000\r\n"},
        SaveCase{"EngineBoxTextWrittenUnchanged",
                 {kGbkEngine + " x", 1, false, 1},
                 kGbkEngine + " x\r\n0\r\nqcno\r\n1\r\n"},
        SaveCase{"EmptyEngineText", {"", 3, true, 20}, "\r\n2\r\nqcyes\r\n20\r\n"}),
    [](const ::testing::TestParamInfo<SaveCase>& p) { return std::string(p.param.name); });

// A target that keeps the values, the way the main window holds them.
struct HeldValues : ProgressTarget {
  ProgressValues values;
  void setEngineText(const GbkString& text) override { values.engineText = text; }
  void setKeywordIndex(std::int32_t index) override { values.keywordIndex = index; }
  void setDedupTicked(bool ticked) override { values.dedupTicked = ticked; }
  void setIntervalSeconds(std::int32_t s) override { values.intervalSeconds = s; }
};

TEST(ProgressFile, ReadingFiveThenSavingTwiceWritesFourBothTimes) {
  TempDir dir;
  const QString path = dir.qfile("valofaxscan.ini");
  writeBytes(dir.file("valofaxscan.ini"), "e\r\n5\r\nqcyes\r\n30\r\n");
  HeldValues held;
  LoadProgress(path, held);
  EXPECT_EQ(held.values.keywordIndex, 5);
  SaveProgress(path, held.values);
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), "e\r\n4\r\nqcyes\r\n30\r\n");
  SaveProgress(path, held.values);
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), "e\r\n4\r\nqcyes\r\n30\r\n");
}

TEST(ProgressFile, NoFileAppliesNothing) {
  TempDir dir;
  RecordingTarget target;
  LoadProgress(dir.qfile("valofaxscan.ini"), target);
  EXPECT_TRUE(target.log.empty());
}

TEST(ProgressFile, UnreadableEntryRaisesIoErrorAndAppliesNothing) {
  TempDir dir;
  ::mkdir(dir.file("valofaxscan.ini").c_str(), 0755);  // a folder where the file should be
  RecordingTarget target;
  try {
    LoadProgress(dir.qfile("valofaxscan.ini"), target);
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), "File access denied");
  }
  EXPECT_TRUE(target.log.empty());
}

TEST(ProgressFile, SaveIntoMissingFolderRaisesFileNotFound) {
  TempDir dir;
  try {
    SaveProgress(dir.qfile("missing/valofaxscan.ini"), {"e", 0, false, 8});
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), "File not found");
  }
}

TEST(ProgressFile, ClampHelperKeepsTheBoxRange) {
  EXPECT_EQ(clampIntervalSeconds(0), 1);
  EXPECT_EQ(clampIntervalSeconds(1), 1);
  EXPECT_EQ(clampIntervalSeconds(1000), 1000);
  EXPECT_EQ(clampIntervalSeconds(1001), 1000);
  EXPECT_EQ(clampIntervalSeconds(INT32_MIN), 1);
}

// Fault injection: every failed write keeps the old file byte for byte and
// leaves no temporary file beside it.
const std::string kOldProgress = "http://www.sogou.com/\r\n41\r\nqcyes\r\n12\r\n";

struct SaveFault {
  const char* name;
  bool readOnlyFolder;
  long long fileSizeLimit;
  std::string error;
};

// Failure reports name the case rather than dumping its bytes.
void PrintTo(const SaveFault& c, std::ostream* os) {
  *os << c.name;
}

class ProgressSaveFault : public ::testing::TestWithParam<SaveFault> {};

TEST_P(ProgressSaveFault, OldFileSurvivesAndErrorIsShown) {
  TempDir dir;
  writeBytes(dir.file("valofaxscan.ini"), kOldProgress);
  const QString path = dir.qfile("valofaxscan.ini");
  ChildFaults faults = testing::fileSizeLimit(GetParam().fileSizeLimit);
  if (GetParam().readOnlyFolder) faults.readOnlyFolder = dir.path();
  const std::string result = runInChild(faults, [&] {
    try {
      SaveProgress(path, {"http://www.baidu.com/", 100, false, 8});
      return std::string("saved");
    } catch (const AppError& e) {
      return e.message();
    }
  });
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, GetParam().error);
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), kOldProgress);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"valofaxscan.ini"});
}

INSTANTIATE_TEST_SUITE_P(Faults, ProgressSaveFault,
                         ::testing::Values(SaveFault{"ReadOnlyFolder", true, -1, "File access denied"},
                                           SaveFault{"DiskFull", false, 0, "Disk full"},
                                           SaveFault{"WriteFailsHalfWay", false, 20, "Disk full"}),
                         [](const ::testing::TestParamInfo<SaveFault>& p) {
                           return std::string(p.param.name);
                         });

// Mend 1: replacing by delete-and-create would leave a shortened file here.
TEST(ProgressFile, ReplaceIsAtomicOldFileSurvivesFailure) {
  TempDir dir;
  writeBytes(dir.file("valofaxscan.ini"), kOldProgress);
  const QString path = dir.qfile("valofaxscan.ini");
  const std::string result = runInChild(testing::fileSizeLimit(25), [&] {
    try {
      SaveProgress(path, {"http://www.baidu.com/", 7, true, 8});
      return std::string("saved");
    } catch (const AppError& e) {
      return e.message();
    }
  });
  EXPECT_EQ(result, "Disk full");
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), kOldProgress);
}

TEST(ProgressFile, FileThatCannotBeOpenedAppliesNothing) {
  TempDir dir;
  writeBytes(dir.file("valofaxscan.ini"), kOldProgress);
  ::chmod(dir.file("valofaxscan.ini").c_str(), 0);
  const QString path = dir.qfile("valofaxscan.ini");
  const std::string result = runInChild(testing::permissionBitsBind(), [&] {
    RecordingTarget target;
    try {
      LoadProgress(path, target);
      return "applied " + std::to_string(target.log.size());
    } catch (const AppError& e) {
      return e.message() + "; applied " + std::to_string(target.log.size());
    }
  });
  ::chmod(dir.file("valofaxscan.ini").c_str(), 0644);
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "File access denied; applied 0");
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), kOldProgress);
}

TEST(ProgressFile, SavingOverAReadOnlyFileIsRefused) {
  TempDir dir;
  writeBytes(dir.file("valofaxscan.ini"), kOldProgress);
  ::chmod(dir.file("valofaxscan.ini").c_str(), 0444);
  ::chmod(dir.path().c_str(), 0777);  // the folder itself is writable for everyone
  const QString path = dir.qfile("valofaxscan.ini");
  const std::string result = runInChild(testing::permissionBitsBind(), [&] {
    try {
      SaveProgress(path, {"x", 1, false, 8});
      return std::string("saved");
    } catch (const AppError& e) {
      return e.message();
    }
  });
  VALO_SKIP_IF_FAULT_NOT_MADE(result);
  EXPECT_EQ(result, "File access denied");
  EXPECT_EQ(readBytes(dir.file("valofaxscan.ini")), kOldProgress);
}

}  // namespace
}  // namespace valo::files
