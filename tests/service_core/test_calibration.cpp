#include <gtest/gtest.h>

#include "service/core/Calibration.h"

using namespace vm;

namespace {
std::vector<std::string> Headers(int channels) {
  std::vector<std::string> h;
  for (const CalStep &s : CalReadbackSteps(channels)) h.push_back(s.header);
  return h;
}
}  // namespace

TEST(CalReadback, OrderAndLineCount) {
  const auto four = Headers(4);
  ASSERT_EQ(four.size() + 5, 25u);  // five comment lines open the list
  EXPECT_EQ(Headers(8).size() + 5, 41u);
  const std::vector<std::string> start = {"*SER", "*BAD", ":PULS0:CAL:EXT:GAIN",
                                          ":PULS0:CAL:EXT:OFF", ":PULS1:CAL:WID", ":PULS1:CAL:DEL",
                                          ":PULS1:CAL:GAIN", ":PULS1:CAL:OFF", ":PULS2:CAL:WID"};
  EXPECT_EQ(std::vector<std::string>(four.begin(), four.begin() + 9), start);
  EXPECT_EQ(four.back(), ":PULS4:CAL:OFF");
}

TEST(CalReadback, LinesReplayTheValues) {
  const auto steps = CalReadbackSteps(1);
  EXPECT_EQ(CalLine(steps[0], 1234), "*SER 1234");
  EXPECT_EQ(CalLine(steps[1], 5208), "*BAD 5208");
  EXPECT_EQ(CalLine(steps[2], 10.5), ":PULS0:CAL:EXT:GAIN 10.5");
  EXPECT_EQ(CalLine(steps[3], -2), ":PULS0:CAL:EXT:OFF -2");
  EXPECT_EQ(CalLine(steps[4], 25), ":PULS1:CAL:WID 25");
  EXPECT_EQ(CalLine(steps[6], 200), ":PULS1:CAL:GAIN 200");
  const auto head = CalHeaderLines("3/14/24", "10:15:02", "caption", 77, "1.10", "2.01");
  EXPECT_EQ(head[0], "// 3/14/24,10:15:02");
  EXPECT_EQ(head[2], "// Serial Number: 77");
  EXPECT_EQ(head[4], "// FPGA Version: 2.01");
}

TEST(CalRules, DelayDragsWidthWithinItsLimits) {
  EXPECT_EQ(WidthAfterDelayChange(100, 25, 30, 0, 200), 105);
  EXPECT_EQ(WidthAfterDelayChange(100, 25, 20, 0, 200), 95);
  EXPECT_EQ(WidthAfterDelayChange(200, 25, 26, 0, 200), 200);
  EXPECT_EQ(WidthAfterDelayChange(3, 25, 10, 0, 200), 0);
}

TEST(CalRules, HalvesRoundToEven) {
  EXPECT_EQ(RoundHalfEven(200.5), 200);
  EXPECT_EQ(RoundHalfEven(201.5), 202);
  EXPECT_EQ(RoundHalfEven(200.6), 201);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST(CalRules, SerialNumberMustBeAWhole32BitNumber) {
  EXPECT_EQ(ParseSerialNumber("00000"), 0);
  EXPECT_EQ(ParseSerialNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseSerialNumber("-5"), -5);
  EXPECT_EQ(ParseSerialNumber("+7"), 7);
  for (const char *bad : {"", "12.5", "2147483648", "12a", "$1F", "1 2", "-$10", "+$1F", "$10", "0x10",
                          " 12", "12 ", "1e3", "-", "+-1"})
    EXPECT_FALSE(ParseSerialNumber(bad).has_value()) << bad;
}

TEST(CalRules, ModelChoice) {
  EXPECT_EQ(ItemForModel("3208"), 3);
  EXPECT_EQ(ItemForModel("5218"), -1);
  EXPECT_EQ(ModelForItem(2)->channelCount, 8);
  EXPECT_FALSE(ModelForItem(-1).has_value());
}
