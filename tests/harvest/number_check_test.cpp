// The second opinion on listed numbers: validity, kind and region for a
// table of fixed-line, mobile, service and invalid numbers.
#include "harvest/number_check.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "harvest/mainland_patterns.h"

namespace valo::harvest {
namespace {

struct Case {
  const char* number;
  bool valid;
  NumberKind kind;
  const char* region;
};

const Case kCases[] = {
    {"021-53853022", true, NumberKind::Fixed, "上海市"},
    {"0755-12345678", true, NumberKind::Fixed, "广东省深圳市"},
    {"0571-87654321", true, NumberKind::Fixed, "浙江省杭州市"},
    {"+86-21-53853022", true, NumberKind::Fixed, "上海市"},
    {"013912345678", true, NumberKind::Mobile, "江苏省常州市"},
    {"13912345678", true, NumberKind::Mobile, "江苏省常州市"},
    // Service numbers are valid but belong to no province.
    {"4008123123", true, NumberKind::Other, ""},
    {"400-812-3123", true, NumberKind::Other, ""},
    // Too short for its area, an unused prefix, foreign, not a number.
    {"010-6234567", false, NumberKind::Other, ""},
    {"0123-4567890", false, NumberKind::Other, ""},
    {"+1-202-2440931", false, NumberKind::Other, ""},
    {"FAX:", false, NumberKind::Other, ""},
    {"", false, NumberKind::Other, ""},
};

TEST(NumberCheck, ValidityKindAndRegion) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.number);
    const NumberCheck check = checkMainlandNumber(c.number);
    EXPECT_EQ(check.valid, c.valid);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.region, c.region);
  }
}

// The compiled patterns must give libphonenumber's own verdict: a spread of
// numbers over every length and the leading digits that decide the kinds
// (area codes, mobile and service prefixes), each asked of both.
TEST(NumberCheck, CompiledPatternsGiveTheLibrarysVerdict) {
  ASSERT_TRUE(mainlandPatternsInUse());
  const char* const kLeads[] = {"1", "10", "13", "14", "15", "16", "17", "174", "18", "19", "2", "20", "21",
                                "3", "35", "4", "400", "5", "571", "6", "7", "755", "8", "800", "86", "9", "95"};
  std::mt19937_64 random(2026);
  int valid = 0;
  for (int i = 0; i < 60000; ++i) {
    std::string digits = kLeads[random() % std::size(kLeads)];
    // Most of them of the lengths numbers have, the rest of any length.
    const std::size_t length = i % 4 == 0 ? 1 + random() % 17 : 9 + random() % 3;
    while (digits.size() < length) digits += static_cast<char>('0' + random() % 10);
    const bool expected = libraryMainlandVerdict(digits);
    ASSERT_EQ(mainlandVerdict(digits), expected) << digits;
    ASSERT_EQ(isValidMainlandNational(digits), expected) << digits;
    valid += expected ? 1 : 0;
  }
  // Both answers occur often, so agreement means something.
  EXPECT_GT(valid, 6000);
  EXPECT_LT(valid, 55000);
  for (const char* notNational : {"", "0755123456", "7551234567x", "123456789012345678"}) {
    EXPECT_FALSE(mainlandVerdict(notNational)) << notNational;
  }
}

}  // namespace
}  // namespace valo::harvest
