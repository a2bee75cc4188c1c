// The integer conversion's accepted forms and its exact error text, and the
// full stop rule of the error box.
#include <gtest/gtest.h>

#include "text/app_error.h"

TEST(StrToInt, AcceptsTheDocumentedForms) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"0", 0},
      {"17", 17},
      {"-1", -1},
      {"+5", 5},
      {"  42", 42},
      {"$1F", 31},
      {"0x1f", 31},
      {"0X10", 16},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"007", 7},
      {"$7FFFFFFF", 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(valo::strToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsWithTheExactMessage) {
  const char* bad[] = {"",   " ",   "12 ", "1.5", "abc", "2147483648", "-2147483649", "$",
                       "0x", "--1", "+",   "1e3", "\t1", "$80000000",  "12a"};
  for (const char* text : bad) {
    try {
      valo::strToInt(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const valo::AppError& e) {
      EXPECT_EQ(e.message(), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(ErrorBox, AddsAFullStopOnlyWhenMissing) {
  EXPECT_EQ(valo::errorBoxText("Cannot open file x"), "Cannot open file x.");
  EXPECT_EQ(valo::errorBoxText("Disk full."), "Disk full.");
  EXPECT_EQ(valo::errorBoxText(""), ".");
  EXPECT_EQ(valo::formatMessage("Cannot open file %s", "/a b"), "Cannot open file /a b");
}
