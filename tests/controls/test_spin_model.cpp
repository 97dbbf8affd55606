// Value, text and current digit of the numeric spin edit, without widgets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controls/core/SpinModel.h"

using vm::SpinModel;

namespace {

std::string Text(const SpinModel &m) { return vm::ToAscii(m.Text()); }
std::string Shown(const SpinModel &m) { return vm::ToAscii(m.DisplayText()); }
char Marked(const SpinModel &m) { return m.FocusInText() ? Shown(m)[m.FocusIndex() - 1] : '\0'; }

SpinModel Make(double v, int decimals, char16_t sep = u',') {
  SpinModel m;
  m.SetDecimals(decimals);
  m.SetThousandSeparator(sep);
  m.SetValue(v);
  return m;
}

}  // namespace

TEST(SpinModelFormat, GroupsIntegerPartAndFraction) {
  struct Case {
    double v;
    int decimals;
    char16_t sep;
    const char *text;
  } cases[] = {
      {1234567.25, 2, u',', "1,234,567.25"},
      {2.5e-10, 12, u',', "0.000,000,000,250"},
      {2.5e-10, 9, u',', "0.000,000,000"},
      {5000, 9, u',', "5,000.000,000,000"},
      {-123, 0, u',', "-123"},
      {-1234, 0, u',', "-1,234"},
      {-123456.5, 1, u',', "-123,456.5"},
      {4000000000.0, 0, u',', "4,000,000,000"},
      {0.0001, 4, u',', "0.000,1"},
      {2.5, 2, 0, "2.50"},
      {1234567.25, 2, 0, "1234567.25"},
      {-0.001, 2, u',', "0.00"},   // no "-0.00"
      {2.675, 2, 0, "2.67"},       // the binary value lies below 2.675
      {0.125, 2, 0, "0.12"},       // exact half: to even
  };
  for (const Case &c : cases) {
    SpinModel m = Make(c.v, c.decimals, c.sep);
    EXPECT_EQ(Text(m), c.text) << c.v << " with " << c.decimals << " decimals";
  }
}

TEST(SpinModelFormat, SeparatorThatCouldBeReadAsNumberIsShownAsBlank) {
  for (char16_t c : {u'7', u'A', u'z', u'+', u'-', u'.'}) {
    SpinModel m = Make(1234.5, 1, c);
    EXPECT_EQ(Text(m), "1 234.5") << char(c);
    EXPECT_EQ(m.ThousandSeparator(), c);  // the assigned character is kept
  }
  SpinModel m = Make(1234.5, 1, u'\'');
  EXPECT_EQ(Text(m), "1'234.5");
  EXPECT_FALSE(m.SetThousandSeparator(u'\''));
  EXPECT_TRUE(m.SetThousandSeparator(0));
  EXPECT_EQ(Text(m), "1234.5");
}

TEST(SpinModelDigits, TopExponent) {
  EXPECT_EQ(SpinModel::TopExponent(10, 1000), 3);
  EXPECT_EQ(SpinModel::TopExponent(10, 999), 2);
  EXPECT_EQ(SpinModel::TopExponent(10, 0.5), 1);
  EXPECT_EQ(SpinModel::TopExponent(10, 0), 1);
  EXPECT_EQ(SpinModel::TopExponent(10, -1000), 4);
  EXPECT_EQ(SpinModel::TopExponent(10, 4000000000.0), 9);
  EXPECT_EQ(SpinModel::TopExponent(2, 8), 3);
}

TEST(SpinModelDigits, MarkSitsOnTheDigitOfItsExponent) {
  // Every exponent, with and without grouping, lands on its own digit.
  for (char16_t sep : {char16_t(0), u','}) {
    SpinModel m = Make(9876543.21, 2, sep);
    const char *digits = "987654321";
    for (int e = 6, k = 0; e >= -2; --e, ++k) {
      m.SetIncExponent(e);
      EXPECT_EQ(Marked(m), digits[k]) << "exponent " << e << " sep " << int(sep);
    }
  }
  SpinModel d = Make(2.5e-10, 12);
  d.SetIncExponent(-10);
  EXPECT_EQ(Marked(d), '2');
  d.SetIncExponent(-11);
  EXPECT_EQ(Marked(d), '5');
  d.SetIncExponent(-12);
  EXPECT_EQ(Marked(d), '0');
  EXPECT_EQ(d.FocusIndex(), int(d.Text().size()));
  d.SetIncExponent(-13);  // bounded by the decimals
  EXPECT_EQ(d.IncExponent(), -12);
}

TEST(SpinModelDigits, PlaceholdersLeftOfTheNumberComeAndGo) {
  SpinModel m = Make(5, 0);
  const char *shown[] = {"5", "05", "005", "0,005", "00,005", "000,005", "0,000,005"};
  for (int e = 0; e <= 6; ++e) {
    m.SetIncExponent(e);
    EXPECT_EQ(Shown(m), shown[e]) << e;
    EXPECT_EQ(m.FocusIndex(), 1) << e;
    if (e > 0) EXPECT_EQ(m.Text()[0], u'_');
  }
  for (int e = 5; e >= 0; --e) {  // moving right removes them again
    m.SetIncExponent(e);
    EXPECT_EQ(Shown(m), shown[e]) << e;
  }
  EXPECT_EQ(Text(m), "5");
  // A value change keeps the mark on the same exponent.
  m.SetIncExponent(4);
  m.SetValue(123);
  EXPECT_EQ(Shown(m), "00,123");
  m.SetValue(1234567);
  EXPECT_EQ(Shown(m), "1,234,567");
  EXPECT_EQ(Marked(m), '3');
}

TEST(SpinModelDigits, NegativeValuePaddedAfterTheSign) {
  SpinModel m = Make(-5, 0);
  m.SetMinValue(-1000);
  m.SetMaxValue(1000);
  m.SetIncExponent(3);
  EXPECT_EQ(Shown(m), "-0,005");
  m.SetIncExponent(2);
  EXPECT_EQ(Shown(m), "-005");
  EXPECT_EQ(m.FocusIndex(), 2);
  double v = 0;
  ASSERT_EQ(m.TypedDigitValue(u'7', v), SpinModel::TypeResult::Accepted);
  EXPECT_EQ(v, -705);  // the sign stays
  m.SetIncExponent(0);
  EXPECT_EQ(Text(m), "-5");
}

TEST(SpinModelStep, IncrementPicksTheDigitAndFloorsFinerSteps) {
  SpinModel m = Make(0, 12);
  ASSERT_TRUE(m.SetIncrement(2.5e-10));
  EXPECT_EQ(m.IncExponent(), -10);
  EXPECT_DOUBLE_EQ(m.Increment(), 2.5e-10);
  m.SetIncExponent(-12);  // finer digits can be marked but step by the floor
  EXPECT_EQ(m.IncExponent(), -12);
  EXPECT_DOUBLE_EQ(m.Increment(), 2.5e-10);
  m.SetIncExponent(-9);
  EXPECT_DOUBLE_EQ(m.Increment(), 1e-9);
  m.SetIncExponent(-10);
  EXPECT_DOUBLE_EQ(m.Increment(), 2.5e-10);

  SpinModel c = Make(1, 2);
  c.SetIncrement(0.01);
  EXPECT_EQ(c.IncExponent(), -2);
  c.SetIncrement(1e-8);
  EXPECT_EQ(c.IncExponent(), -8);  // beyond the decimals: past the text
  EXPECT_FALSE(c.FocusInText());
  EXPECT_EQ(c.FocusIndex(), int(c.Text().size()) + 1);
  c.SetIncExponent(c.IncExponent() + 1);  // back onto the last decimal
  EXPECT_EQ(c.IncExponent(), -2);
  EXPECT_TRUE(c.FocusInText());
}

TEST(SpinModelStep, MarkMovesBackOntoTheFloorDigit) {
  // Floor 1e-9 with 12 decimals: from the 1e-10 digit one step left must
  // reach the 1e-9 digit even though the step stays 1e-9.
  SpinModel m = Make(1e-6, 12);
  m.SetIncrement(1e-9);
  m.SetIncExponent(-10);
  EXPECT_DOUBLE_EQ(m.Increment(), 1e-9);
  EXPECT_TRUE(m.SetIncExponent(-9));
  EXPECT_EQ(m.IncExponent(), -9);
  EXPECT_FALSE(m.SetIncExponent(-9));  // nothing left to change
}

TEST(SpinModelStep, MarkIsBoundedByTheLimitsOnly) {
  SpinModel m = Make(1, 0);
  m.SetIncExponent(20);
  EXPECT_EQ(m.IncExponent(), 20);  // equal limits: no upper bound
  m.SetMinValue(0);
  m.SetMaxValue(4000000000.0);
  m.SetIncExponent(20);
  EXPECT_EQ(m.IncExponent(), 9);
  EXPECT_EQ(Shown(m), "0,000,000,001");
}

TEST(SpinModelValue, ClampsOnlyWhenLimitsDiffer) {
  SpinModel m = Make(0, 0);
  EXPECT_TRUE(m.SetValue(-5e9));
  EXPECT_EQ(m.Value(), -5e9);
  m.SetMinValue(1);
  m.SetMaxValue(10000000);
  EXPECT_TRUE(m.SetValue(9999999));
  EXPECT_TRUE(m.SetValue(m.Value() + 10));
  EXPECT_EQ(m.Value(), 10000000);
  EXPECT_FALSE(m.SetValue(m.Value() + 10));  // at the limit: no change
  EXPECT_FALSE(m.SetValue(2e7));
  EXPECT_TRUE(m.SetValue(-3));
  EXPECT_EQ(m.Value(), 1);
  EXPECT_FALSE(m.SetValue(std::nan("")));
  EXPECT_FALSE(m.SetValue(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(m.Value(), 1);
}

TEST(SpinModelValue, IntValueRoundsHalfToEven) {
  SpinModel m;
  const std::pair<double, int64_t> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4999, 2}, {-7.6, -8},
                                             {4000000000.0, 4000000000LL}};
  for (auto [v, i] : cases) {
    m.SetValue(v);
    EXPECT_EQ(m.IntValue(), i) << v;
  }
  m.SetValue(1e30);
  EXPECT_EQ(m.IntValue(), std::numeric_limits<int64_t>::max());
}

TEST(SpinModelEdit, RightZeroZeroesOnlyDigitsRightOfTheMark) {
  SpinModel m = Make(1234.5678, 4);
  m.SetIncExponent(1);
  EXPECT_DOUBLE_EQ(m.RightZeroValue(), 1230);
  m.SetIncExponent(-2);
  EXPECT_DOUBLE_EQ(m.RightZeroValue(), 1234.56);
  m.SetIncExponent(0);
  EXPECT_DOUBLE_EQ(m.RightZeroValue(), 1234);
  m.SetIncExponent(-4);
  EXPECT_EQ(m.RightZeroValue(), m.Value());
  m.SetIncExponent(6);  // left of the number: everything goes
  EXPECT_EQ(m.RightZeroValue(), 0);

  // A long delay: the digits at and left of the mark keep their values.
  SpinModel d = Make(1000.000000000250, 12);
  d.SetIncExponent(-10);
  EXPECT_EQ(d.RightZeroValue(), 1000.0000000002);
  d.SetValue(d.RightZeroValue());
  EXPECT_EQ(Text(d), "1,000.000,000,000,200");

  SpinModel n = Make(-1234.5, 1);
  n.SetIncExponent(2);
  EXPECT_EQ(n.RightZeroValue(), -1200);
}

TEST(SpinModelEdit, TypedDigits) {
  SpinModel m = Make(5, 0);
  m.SetIncExponent(2);
  double v = 0;
  ASSERT_EQ(m.TypedDigitValue(u'7', v), SpinModel::TypeResult::Accepted);
  EXPECT_EQ(v, 705);
  for (char16_t c : {u'-', u'.', u'A', u' ', u','})
    EXPECT_EQ(m.TypedDigitValue(c, v), SpinModel::TypeResult::Ignored) << char(c);

  SpinModel f = Make(1234.5678, 4);
  f.SetIncExponent(-2);
  ASSERT_EQ(f.TypedDigitValue(u'9', v), SpinModel::TypeResult::Accepted);
  EXPECT_DOUBLE_EQ(v, 1234.5978);
  f.SetIncExponent(3);
  ASSERT_EQ(f.TypedDigitValue(u'0', v), SpinModel::TypeResult::Accepted);
  EXPECT_DOUBLE_EQ(v, 234.5678);

  SpinModel x = Make(1, 2);
  x.SetIncrement(1e-5);  // mark past the text: nothing to overwrite
  EXPECT_EQ(x.TypedDigitValue(u'3', v), SpinModel::TypeResult::Ignored);

  EXPECT_EQ(SpinModel::StrToFloatBase(u"0-5", 10), std::nullopt);

  SpinModel h = Make(0, 0, 0);
  h.SetBase(16);
  h.SetIncExponent(0);
  ASSERT_EQ(h.TypedDigitValue(u'a', v), SpinModel::TypeResult::Accepted);
  EXPECT_EQ(v, 10);
}

TEST(SpinModelEdit, StrToFloatBase) {
  EXPECT_EQ(SpinModel::StrToFloatBase(u"", 10), 0.0);
  EXPECT_EQ(SpinModel::StrToFloatBase(u"-1.25", 10), -1.25);
  EXPECT_EQ(SpinModel::StrToFloatBase(u"1000.000000000200", 10), 1000.0000000002);
  EXPECT_EQ(SpinModel::StrToFloatBase(u"101.1", 2), 5.5);
  EXPECT_EQ(SpinModel::StrToFloatBase(u"-ff", 16), -255.0);
  EXPECT_EQ(SpinModel::StrToFloatBase(u"12.", 10), 12.0);
  EXPECT_FALSE(SpinModel::StrToFloatBase(u"1.2.3", 10));
  EXPECT_FALSE(SpinModel::StrToFloatBase(u"12a", 10));
  EXPECT_FALSE(SpinModel::StrToFloatBase(u"1-2", 10));
  EXPECT_FALSE(SpinModel::StrToFloatBase(u"-", 10));
  EXPECT_FALSE(SpinModel::StrToFloatBase(u"102", 2));
}

TEST(SpinModelEdit, PickExponentUnderThePointer) {
  // Ten pixels per character: "1,234.56".
  SpinModel m = Make(1234.56, 2);
  auto width = [](std::u16string_view s) { return int(s.size()) * 10; };
  const std::pair<int, int> picks[] = {
      {5, 3}, {15, 2}, {25, 2}, {35, 1}, {45, 0}, {55, 0}, {65, -1}, {75, -2}, {200, -2}, {-5, 4}};
  for (auto [x, e] : picks) EXPECT_EQ(m.PickExponent(x, width), e) << "x " << x;
  // A separator just before the last decimal ("1.234,5"): every digit still
  // picks itself.
  SpinModel f = Make(1.2345, 4);
  ASSERT_EQ(Text(f), "1.234,5");
  const std::pair<int, int> fpicks[] = {{5, 0}, {25, -1}, {35, -2}, {45, -3}, {55, -4}, {65, -4}};
  for (auto [x, e] : fpicks) EXPECT_EQ(f.PickExponent(x, width), e) << "x " << x;
  SpinModel n = Make(-42, 0, 0);
  EXPECT_EQ(n.PickExponent(5, width), 2);  // the sign
  EXPECT_EQ(n.PickExponent(15, width), 1);
}

TEST(SpinModelStep, StepsLandOnTheDecimalGrid) {
  auto steps = [](SpinModel &m, int n, int direction) {
    for (int i = 0; i < n; ++i) m.SetValue(m.StepValue(direction));
  };
  SpinModel delay = Make(999.5, 12);
  delay.SetIncrement(2.5e-10);
  delay.SetIncExponent(-3);
  steps(delay, 30, +1);
  EXPECT_EQ(delay.Value(), 999.53);
  EXPECT_EQ(Text(delay), "999.530,000,000,000");

  SpinModel fine = Make(130, 12);
  fine.SetIncrement(1e-9);
  steps(fine, 50, +1);
  EXPECT_EQ(fine.Value(), 130.00000005);

  for (int decimals : {2, 12, 18}) {
    SpinModel tenth = Make(0, decimals);
    tenth.SetIncrement(0.1);
    steps(tenth, 3, +1);
    EXPECT_EQ(tenth.Value(), 0.3) << decimals;
    steps(tenth, 3, -1);
    EXPECT_EQ(tenth.Value(), 0.0) << decimals;
    steps(tenth, 7, -1);
    EXPECT_EQ(tenth.Value(), -0.7) << decimals;
  }

  // A value off the grid steps from the digits shown.
  SpinModel off = Make(0.1234567, 2);
  off.SetIncrement(0.01);
  EXPECT_EQ(off.StepValue(+1), 0.13);
  // A step off the grid still moves the value by the step.
  SpinModel tiny = Make(1, 2);
  tiny.SetIncrement(1e-5);
  EXPECT_EQ(tiny.StepValue(+1), 1 + 1e-5);
  tiny.SetIncrement(0.25);
  tiny.SetDecimals(1);
  EXPECT_EQ(tiny.StepValue(+1), 1.25);
}

TEST(SpinModelFormat, ManyDecimalsShowNoBinaryNoise) {
  EXPECT_EQ(Text(Make(0.1, 18)), "0.100,000,000,000,000,000");
  EXPECT_EQ(Text(Make(1234.1, 14)), "1,234.100,000,000,000,00");
  EXPECT_EQ(Text(Make(-0.3, 17, 0)), "-0.30000000000000000");
  EXPECT_EQ(Text(Make(1.0 / 3, 18, 0)), "0.333333333333333300");  // shortest text, padded
}
