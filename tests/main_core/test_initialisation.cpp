#include <gtest/gtest.h>

#include "main/core/Instrument.h"

using namespace vm;

TEST(ModelTable, ChannelCountFromTheModelNumber) {
  for (const char* m : {"5204", "5214", "3204", "3214"}) {
    EXPECT_EQ(ChannelCountForModel(m), 4) << m;
    EXPECT_TRUE(IsKnownModel(m));
  }
  for (const char* m : {"5208", "5218", "3208", "3218"}) EXPECT_EQ(ChannelCountForModel(m), 8) << m;
  for (const char* m : {"", "5209", " 5208", "5208 ", "9999"}) {
    EXPECT_EQ(ChannelCountForModel(m), 4) << m;
    EXPECT_FALSE(IsKnownModel(m));
  }
}

TEST(Resolution, GridExamples) {
  EXPECT_TRUE(CheckResolution(1.0000001e-6, 5e-9));   // quotient 200.00002
  EXPECT_FALSE(CheckResolution(1.0025e-6, 5e-9));     // fraction 0.5
  EXPECT_TRUE(CheckResolution(5e-9, 5e-9));
  EXPECT_TRUE(CheckResolution(2.5e-10 * 3, 2.5e-10));  // despite binary rounding
}

TEST(Resolution, DelayPeriodAndBoundaryCases) {
  const OperatingLimits lim;
  EXPECT_FALSE(CheckResolution(1.0000000001, lim.DelayResolution));
  EXPECT_TRUE(CheckResolution(1.00000000025, lim.DelayResolution));
  EXPECT_TRUE(CheckResolution(0.0000001, lim.PeriodResolution));
  EXPECT_FALSE(CheckResolution(0.000000102, lim.PeriodResolution));
  EXPECT_TRUE(CheckResolution(0, lim.DelayResolution));
  EXPECT_TRUE(CheckResolution(-0.3e-10, lim.DelayResolution));  // negatives pass
  EXPECT_TRUE(CheckResolution(2000, lim.DelayResolution));
  EXPECT_TRUE(CheckResolution(5000, lim.PeriodResolution));
  // Within half a hundredth of a step either way.
  EXPECT_TRUE(CheckResolution(100.996 * 5e-9, 5e-9));
  EXPECT_FALSE(CheckResolution(100.98 * 5e-9, 5e-9));
}

TEST(Identity, CaptionAndLabels) {
  EXPECT_EQ(MainCaption("VM", "5218", "0.0.4.0", "3", 115200),
            "Velmora Model 5218  SW Version: 0.0.4.0 ComPort: 3 Baud: 115200");
  EXPECT_EQ(MainCaption("TWK", "5204", "0.0.4.0", "1", 9600),
            "Unknown Model 5204  SW Version: 0.0.4.0 ComPort: 1 Baud: 9600");
  EXPECT_TRUE(ShowsBanner("VM"));
  EXPECT_FALSE(ShowsBanner("TWK"));
  EXPECT_FALSE(ShowsBanner("vm"));
  EXPECT_EQ(DemoCaption("0.0.4.0"), " Model 5204  SW Version: 0.0.4.0 ComPort: Demo");
}

TEST(InitialisationReplies, ReplyWordsAndListTrimming) {
  EXPECT_EQ(InputClockCode("INT"), 0);
  EXPECT_FALSE(InputClockCode("SYS"));  // the command's word, not the reply's
  EXPECT_FALSE(CounterSourceCode("Ch A"));
  EXPECT_EQ(CounterSourceItemsToRemove(9, 4), (std::vector<int>{8, 7, 6, 5}));
  EXPECT_TRUE(CounterSourceItemsToRemove(5, 4).empty());
  EXPECT_EQ(MuxItemsToRemove(8, 4), (std::vector<int>{7, 6, 5, 4}));
  EXPECT_TRUE(MuxItemsToRemove(8, 8).empty());
}

namespace {
InitRecord Record(const char* model, int channels) {
  InitRecord r;
  r.date = "09/12/2026";
  r.time = "05:10:00";
  r.identity = {"VM", model, 1234, "2.01", "1.30"};
  r.caption = MainCaption("VM", model, "0.0.4.0", "1", 115200);
  r.channelCount = channels;
  r.systemReply = "0 0.001 NORM 1 1 1 1";
  r.trigGateReply = "DIS RIS LOW 2.50 DIS";
  r.autoStart = 1;
  r.inputClockReply = "INT";
  r.outputClockReply = "T0";
  r.counterState = 0;
  r.counterSourceReply = "T0";
  for (int n = 1; n <= channels; ++n)
    r.channelReplies.push_back("1 0 1e-8 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS HIGH T0");
  return r;
}
}  // namespace

TEST(SettingsRecord, EightChannelModel) {
  const auto lines = BuildSettingsList(Record("5218", 8));
  ASSERT_EQ(lines.size(), 5u + 15u);
  EXPECT_EQ(lines[0], "// 09/12/2026,05:10:00");
  EXPECT_EQ(lines[1], "// Velmora Model 5218  SW Version: 0.0.4.0 ComPort: 1 Baud: 115200");
  EXPECT_EQ(lines[2], "// Serial Number: 1234");
  EXPECT_EQ(lines[3], "// Firmware Ver: 2.01");
  EXPECT_EQ(lines[4], "// FPGA Ver: 1.30");
  EXPECT_EQ(lines[5], "*CFG 0 0 0.001 NORM 1 1 1 1");
  EXPECT_EQ(lines[6], "*CFG 90 DIS RIS LOW 2.50 DIS");
  EXPECT_EQ(lines[7], ":SYST:AUT 1");
  EXPECT_EQ(lines[8], ":PULS0:ICL SYS");  // the command's word for the reply "INT"
  EXPECT_EQ(lines[9], ":PULS0:OCL T0");
  EXPECT_EQ(lines[10], ":PULS0:COUN:STAT 0");
  EXPECT_EQ(lines[11], ":PULS0:COUN:SOUR T0");
  EXPECT_EQ(lines[12], "*CFG 1 1 0 1e-8 NORM 1 1 1 0 TTL NORM 5 0 DIS DIS DIS HIGH T0");
  EXPECT_EQ(lines[19].substr(0, 7), "*CFG 8 ");
}

TEST(SettingsRecord, FourChannelAndUnknownModelsHaveNoClockLines) {
  for (const char* model : {"5204", "7777"}) {
    const auto lines = BuildSettingsList(Record(model, ChannelCountForModel(model)));
    ASSERT_EQ(lines.size(), 5u + 9u) << model;
    EXPECT_EQ(lines[7], ":SYST:AUT 1");
    EXPECT_EQ(lines[8], ":PULS0:COUN:STAT 0");
    EXPECT_EQ(lines[9], ":PULS0:COUN:SOUR T0");
    EXPECT_EQ(lines[10].substr(0, 7), "*CFG 1 ");
    EXPECT_EQ(lines[13].substr(0, 7), "*CFG 4 ");
  }
}

TEST(SettingsRecord, DemoModeHoldsOnlyTheDateLine) {
  auto r = Record("5204", 4);
  r.demo = true;
  EXPECT_EQ(BuildSettingsList(r), (std::vector<std::string>{"// 09/12/2026,05:10:00"}));
}

#include "main/core/ControlRules.h"

