#include <gtest/gtest.h>

#include "main/core/Edits.h"

using namespace vm;

TEST(Edits, PeriodOffTheGridSendsThePreviousPeriodAgain) {
  TSystemParameters s;
  auto e = PeriodEdit(s, 0.0000001, 5e-9);
  ASSERT_TRUE(e.accepted);
  EXPECT_EQ(e.command, ":PULS0:PER 0.000000100");
  e = PeriodEdit(s, 0.000000102, 5e-9);
  EXPECT_FALSE(e.accepted);
  EXPECT_TRUE(e.command.empty());
  EXPECT_EQ(s.Period, 0.0000001);
  // The control is set back, its change event runs the handler again.
  e = PeriodEdit(s, e.revertTo, 5e-9);
  EXPECT_EQ(e.command, ":PULS0:PER 0.000000100");
}

TEST(Edits, DelayAndWidthKeepTheStoredValueWhenRefused) {
  TChannelParameters p;
  p.Delay = 0.5;
  auto e = ChDelayEdit(p, 3, 1.0000000001, 2.5e-10);
  EXPECT_FALSE(e.accepted);
  EXPECT_EQ(e.revertTo, 0.5);
  e = ChDelayEdit(p, 3, 1.00000000025, 2.5e-10);
  EXPECT_EQ(e.command, ":PULS3:DEL 1.00000000025");
  EXPECT_EQ(p.Delay, 1.00000000025);
  e = ChWidthEdit(p, 3, 1e-8, 2.5e-10);
  EXPECT_EQ(e.command, ":PULS3:WIDT 0.00000001000");
}

TEST(Edits, CountsAreStoredAsTheyAreSent) {
  TSystemParameters s;
  EXPECT_EQ(SysBurstEdit(s, 4000000000.0), ":PULS0:BCO 4000000000");
  EXPECT_EQ(s.BurstCount, 4000000000u);
  EXPECT_EQ(SysCycleCountEdit(s, 9999999.6), ":PULS0:CYCL 10000000");
  EXPECT_EQ(s.CycleCount, 10000000);
  TChannelParameters p;
  EXPECT_EQ(ChannelEdit<ChannelSetting::WaitCount>(p, 2, 3.4), ":PULS2:WCO 3");
  EXPECT_EQ(p.WaitCount, 3);
}

TEST(Edits, ListsStoreTheItemIndex) {
  TChannelParameters p;
  // Four-channel list without "Gate B": item 2 is "Inhibit A".
  EXPECT_EQ(ChControlModeEdit(p, 1, 2, "Inhibit A"), ":PULS1:CONT INHA");
  EXPECT_EQ(p.ControlMode, 2);
  EXPECT_EQ(ChannelEdit<ChannelSetting::Mode>(p, 1, -1), ":PULS1:MOD ");  // typed text: no item
  EXPECT_EQ(p.Mode, -1);
  TSystemParameters s;
  EXPECT_EQ(InputClockEdit(s, 0), ":PULS0:ICL SYS");
  EXPECT_EQ(s.InputClock, 0);
  EXPECT_EQ(AutoStartEdit(true), ":SYST:AUT 1");
  EXPECT_EQ(s.AutoStart, 0);
}

TEST(Edits, SyncSourceUpdatesTheCacheOnlyWhenAccepted) {
  TChannelTable t{};
  t[1].SyncSource = 0;
  t[2].SyncSource = 1;
  t[3].SyncSource = 2;
  auto e = ChSyncSourceEdit(t, 1, "Ch C", 8);
  EXPECT_EQ(e.check, SyncCheck::CircularSync);
  EXPECT_EQ(e.message, "Error. Circular sync reference.");
  EXPECT_TRUE(e.command.empty());
  EXPECT_EQ(t[1].SyncSource, 0);
  e = ChSyncSourceEdit(t, 4, "Ch C", 4);
  EXPECT_EQ(e.command, ":PULS4:SYNC CHC");
  EXPECT_EQ(t[4].SyncSource, 3);
  e = ChSyncSourceEdit(t, 2, "nonsense", 4);
  EXPECT_EQ(e.check, SyncCheck::NoSuchChannel);
  EXPECT_TRUE(e.message.empty());
  EXPECT_EQ(t[2].SyncSource, 1);
}

TEST(Edits, MuxOnAFourChannelModelNeverSetsBitsFourToSeven) {
  TChannelParameters p;
  std::array<bool, 8> all;
  all.fill(true);
  EXPECT_EQ(ChMuxEdit(p, 2, all, 4), ":PULS2:MUX 15");
  EXPECT_EQ(p.Mux, 15);
}
