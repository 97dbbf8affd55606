#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "main/core/ChannelWire.h"
#include "main/core/CommandSet.h"

using namespace vm;

TEST(ChannelNames, EveryNameFormMapsToItsChannel) {
  EXPECT_EQ(GetChannelNumber("T0"), 0);
  const char* letters = "ABCDEFGH";
  for (int n = 1; n <= 8; ++n) {
    const char l = letters[n - 1];
    EXPECT_EQ(GetChannelNumber(std::string("CH") + l), n);
    EXPECT_EQ(GetChannelNumber(std::string("Ch") + l), n);
    EXPECT_EQ(GetChannelNumber(std::string("Ch ") + l), n);
    EXPECT_EQ(GetChSyncName(n), std::string("Ch ") + l);
    EXPECT_EQ(GetChCmdName(n), std::string("CH") + l);
    EXPECT_EQ(GetChannelNumber(GetChSyncName(n)), n);
    EXPECT_EQ(GetChannelNumber(GetChCmdName(n)), n);
  }
  EXPECT_EQ(GetChSyncName(0), "T0");
  EXPECT_EQ(GetChCmdName(0), "T0");
}

TEST(ChannelNames, TextsThatNameNoChannelAreReportedAsSuch) {
  // Case matters, no trimming, no letters beyond H, no numbers.
  for (const char* t : {"", "t0", "cha", "CH A", "Ch  A", "Ch I", "CHI", "1", "Ch A ", " T0", "T1"})
    EXPECT_EQ(GetChannelNumber(t), kNoChannel) << t;
  EXPECT_EQ(GetChSyncName(-1), "");
  EXPECT_EQ(GetChSyncName(9), "");
  EXPECT_EQ(GetChCmdName(9), "");
}

TEST(ChannelNames, IndexOfSourceInATrimmedList) {
  const std::vector<std::string> list{"T0", "Ch A", "Ch B", "Ch D"};  // channel 3 of 4
  EXPECT_EQ(GetChannelIndex(list, 0), 0);
  EXPECT_EQ(GetChannelIndex(list, 4), 3);
  EXPECT_EQ(GetChannelIndex(list, 3), -1);  // own entry removed: no selection
  EXPECT_EQ(GetChannelIndex(list, 8), -1);  // above the model's channels
  EXPECT_EQ(GetChannelIndex(list, kNoChannel), -1);
  EXPECT_EQ(GetChannelIndex({"Ch A", "T0", "Ch A"}, 1), 2);  // last of equal items
}

TEST(NumberFormats, WireFormatsIgnoreTheLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(FormatF11(0.000000025), "0.00000002500");
  EXPECT_EQ(FormatF11(1.5), "1.50000000000");
  EXPECT_EQ(FormatF11(-2.5e-10), "-0.00000000025");
  EXPECT_EQ(FormatF11(1234.5), "1234.50000000000");
  EXPECT_EQ(FormatF9(0.0000001), "0.000000100");
  EXPECT_EQ(FormatF2(5), "5.00");
  EXPECT_EQ(FormatF2(-1.005), "-1.00");  // binary value lies below the half
  EXPECT_EQ(FormatI(10000000), "10000000");
  EXPECT_EQ(FormatI(-3), "-3");
  EXPECT_EQ(FormatU(4000000000.0), "4000000000");
  EXPECT_EQ(FormatU(4294967295.0), "4294967295");
  std::setlocale(LC_ALL, "C");
}

TEST(NumberFormats, CountsNeverWrapAround) {
  EXPECT_EQ(FormatU(-1), "0");
  EXPECT_EQ(FormatU(5e9), "4294967295");
  EXPECT_EQ(FormatI(3e9), "2147483647");
  EXPECT_EQ(FormatI(-3e9), "-2147483648");
  EXPECT_EQ(FormatU(2.6), "3");
  EXPECT_EQ(RoundToUInt32(4000000000.4), 4000000000u);
  EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

TEST(NumberFormats, GeneralFormIsShortAndPlainForOrdinaryValues) {
  EXPECT_EQ(FormatG(0), "0");
  EXPECT_EQ(FormatG(1), "1");
  EXPECT_EQ(FormatG(-250), "-250");
  EXPECT_EQ(FormatG(1.5), "1.5");
  EXPECT_EQ(FormatG(0.1), "0.1");
  EXPECT_EQ(FormatG(0.00002), "0.00002");
  EXPECT_EQ(FormatG(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatG(1e20), "1E20");
  EXPECT_EQ(FormatG(1.5e-6), "1.5E-6");
}

TEST(Commands, ExamplesOfTheVocabulary) {
  EXPECT_EQ(ChannelCommand<ChannelSetting::Delay>(2, 0.000000025), ":PULS2:DEL 0.00000002500");
  EXPECT_EQ(ChannelCommand<ChannelSetting::Delay>(2, 1.5), ":PULS2:DEL 1.50000000000");
  EXPECT_EQ(SysBurstCommand(4000000000.0), ":PULS0:BCO 4000000000");
  EXPECT_EQ(SysDutyOffCommand(4000000000.0), ":PULS0:OCO 4000000000");
  EXPECT_EQ(ChannelCommand<ChannelSetting::Mux>(1, 5), ":PULS1:MUX 5");
  EXPECT_EQ(SystemModeCommand(0), ":PULS0:MOD NORM");
  EXPECT_EQ(InputClockCommand(0), ":PULS0:ICL SYS");
  EXPECT_EQ(OutputClockCommand(0), ":PULS0:OCL T0");
  EXPECT_EQ(PeriodCommand(0.0000001), ":PULS0:PER 0.000000100");
  EXPECT_EQ(ChannelCommand<ChannelSetting::SyncSource>(4, 3), ":PULS4:SYNC CHC");
  // Words chosen by the list text where items may be missing on small models.
  EXPECT_EQ(ChannelCommand<ChannelSetting::ControlMode>(2, "Inhibit A"), ":PULS2:CONT INHA");
  EXPECT_EQ(ChannelCommand<ChannelSetting::PhaseSync>(2, "Sync T"), ":PULS2:PSYN SYNT");
  EXPECT_EQ(CalGainCommand(3, 1023.6), ":PULS3:CAL:GAIN 1024");
  EXPECT_EQ(ConfigQuery(90), "*CFG? 90");
}

TEST(Commands, ListWithoutAWordSendsTheBareHeader) {
  EXPECT_EQ(ChannelCommand<ChannelSetting::Mode>(1, -1), ":PULS1:MOD ");
  EXPECT_EQ(ChannelCommand<ChannelSetting::GateMode>(1, 3), ":PULS1:CGAT ");
  EXPECT_EQ(ChannelCommand<ChannelSetting::ControlMode>(1, "gate a"), ":PULS1:CONT ");
  EXPECT_EQ(TrigModeCommand(4), ":PULS0:EXT:MOD ");
  EXPECT_EQ(ChannelCommand<ChannelSetting::SyncSource>(1, kNoChannel), ":PULS1:SYNC ");
}
