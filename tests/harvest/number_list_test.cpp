// The result list: order kept, repeats allowed, exact lookup, and a duplicate
// test that stays fast with 100,000 numbers listed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "harvest/fax_extractor.h"
#include "harvest/number_list.h"

namespace valo::harvest {
namespace {

TEST(NumberList, KeepsOrderAndRepeatsAndComparesExactly) {
  NumberList list;
  list.append("021-12345678");
  list.append("02112345678");
  list.append("021-12345678");
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(list.items(), (std::vector<std::string>{"021-12345678", "02112345678", "021-12345678"}));
  EXPECT_EQ(list.at(1), "02112345678");
  EXPECT_THROW(list.at(3), std::out_of_range);
  EXPECT_TRUE(list.contains("021-12345678"));
  EXPECT_FALSE(list.contains("021-1234567"));
  EXPECT_FALSE(list.contains("021-123456789"));
  EXPECT_FALSE(list.contains(""));
  list.clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_FALSE(list.contains("021-12345678"));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr double kTimeLimitSeconds = 5.0;  // instrumented builds run several times slower
#else
constexpr double kTimeLimitSeconds = 1.0;
#endif

std::string numberText(int i) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0571-%08d", i);
  return buffer;
}

TEST(NumberList, HundredThousandCandidatesAgainstHundredThousandListed) {
  NumberList list;
  for (int i = 0; i < 100000; ++i) list.append(numberText(2 * i));  // even numbers listed
  std::vector<std::string> page;
  for (int i = 0; i < 100000; ++i) page.push_back("FAX:" + numberText(i));
  NumberListSink sink(list, true);
  std::int32_t found = 0;

  const auto start = std::chrono::steady_clock::now();
  ExtractFaxNumbers(page, sink, found);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  // Of 0..99999 the evens below 100000 were listed; the 50,000 odds are new.
  EXPECT_EQ(found, 50000);
  EXPECT_EQ(list.size(), 150000u);
  EXPECT_EQ(list.at(100000), numberText(1));
  // A scan of every caption per candidate needs billions of comparisons here
  // and takes many seconds; the index needs a few tens of milliseconds.
  EXPECT_LT(elapsed.count(), kTimeLimitSeconds) << elapsed.count() << " s";
}

}  // namespace
}  // namespace valo::harvest
