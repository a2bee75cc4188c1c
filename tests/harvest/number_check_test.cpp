// The second opinion on listed numbers: validity, kind and region for a
// table of fixed-line, mobile, service and invalid numbers.
#include "harvest/number_check.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace valo::harvest
