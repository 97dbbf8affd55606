#include <gtest/gtest.h>
#include <clocale>
#include "base/core/Numbers.h"

using namespace vm;

TEST(Numbers, FixedNotationIgnoresTheLocale) {
  // A decimal-comma locale must not leak into instrument commands.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(FormatFixed(2.5e-10, 11), "0.00000000025");
  EXPECT_EQ(FormatFixed(1234567.25, 2), "1234567.25");
  EXPECT_EQ(FormatFixed(4000000000.0, 0), "4000000000");
  EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");
  EXPECT_EQ(*ParseDouble("1.5e-3"), 1.5e-3);
  std::setlocale(LC_ALL, "C");
}

TEST(Numbers, ParsingRefusesWhatIsNotAPlainNumber) {
  EXPECT_FALSE(ParseDouble(""));
  EXPECT_FALSE(ParseDouble("1,5"));
  EXPECT_FALSE(ParseDouble("ERR"));
  EXPECT_FALSE(ParseDouble(" 1"));
  EXPECT_FALSE(ParseDouble("inf"));
  EXPECT_EQ(*ParseDouble("+2"), 2.0);
  EXPECT_EQ(*ParseInt32("$FF"), 255);
  EXPECT_EQ(*ParseInt32("-2147483648"), INT32_MIN);
  EXPECT_FALSE(ParseInt32("2147483648"));
  EXPECT_EQ(*ParseInt64("4000000000"), 4000000000LL);
  EXPECT_FALSE(ParseInt64("12a"));
}

TEST(Numbers, TrimmingStopsAtPrintableCharacters) {
  EXPECT_EQ(TrimRightControl("  12\r\n\t "), "  12");
  EXPECT_EQ(TrimControl("\x01 12 \r"), "12");
  EXPECT_EQ(TrimControl("\r\n"), "");
}
