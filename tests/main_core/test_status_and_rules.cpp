#include <gtest/gtest.h>

#include "main/core/ControlRules.h"
#include "main/core/StatusPoll.h"

using namespace vm;

TEST(StatusPoll, RunStateAndAdjustableOutputs) {
  EXPECT_EQ(RunStateAfterPoll(false, 3), std::optional<bool>(true));
  EXPECT_TRUE(DecodeStatusWord(3).adjustableOutputs);
  EXPECT_FALSE(RunStateAfterPoll(false, 2).has_value());  // nothing on the button changes
  EXPECT_TRUE(DecodeStatusWord(2).adjustableOutputs);
  EXPECT_FALSE(DecodeStatusWord(2).running);
  EXPECT_EQ(RunStateAfterPoll(true, 0), std::optional<bool>(false));
  EXPECT_EQ(RunStateAfterPoll(true, 5), std::optional<bool>(true));  // other bits ignored
  EXPECT_FALSE(DecodeStatusWord(0).adjustableOutputs);  // unreadable reply gives 0
}

TEST(StatusPoll, ShotCountText) {
  EXPECT_EQ(ShotCountText(12345), "Count:      12345");
  EXPECT_EQ(ShotCountText(4294967296LL), "Count:          0");
  EXPECT_EQ(ShotCountText(4294967295LL), "Count: 4294967295");
  EXPECT_EQ(ShotCountLow32(4294967297LL), 1);
  EXPECT_TRUE(ReadsShotCount(1, 1));
  EXPECT_FALSE(ReadsShotCount(0, 1));
  EXPECT_FALSE(ReadsShotCount(1, 0));
}

TEST(StatusPoll, ErrorLatchAndCaptions) {
  EXPECT_EQ(ErrorCaption(2), std::optional<std::string>("Over Temperature Error"));
  EXPECT_FALSE(ErrorCaption(7));
  EXPECT_FALSE(ErrorCaption(0));
  ErrorLatch latch;
  EXPECT_TRUE(latch.NeedsQuery());
  EXPECT_FALSE(latch.OnReply(0));
  EXPECT_TRUE(latch.NeedsQuery());
  EXPECT_FALSE(latch.OnReply(-2));
  EXPECT_TRUE(latch.NeedsQuery());
  EXPECT_TRUE(latch.OnReply(7));  // shown with its current caption
  EXPECT_FALSE(latch.NeedsQuery());
  EXPECT_EQ(latch.ErrorCode(), 7);
}

namespace {
TChannelTable Sources(std::initializer_list<std::pair<int, int>> links) {
  TChannelTable t{};
  for (auto [ch, src] : links) t[ch].SyncSource = src;
  return t;
}
}  // namespace

TEST(SyncSource, ChainsAndLoops) {
  // B on A: choosing B for A is a mutual sync.
  auto t = Sources({{2, 1}});
  EXPECT_EQ(CheckSyncSource(1, "Ch B", t, 8), SyncCheck::MutualSync);
  // A on T0, B on A, C on B.
  t = Sources({{1, 0}, {2, 1}, {3, 2}});
  EXPECT_EQ(CheckSyncSource(1, "Ch C", t, 8), SyncCheck::CircularSync);
  EXPECT_EQ(CheckSyncSource(4, "Ch C", t, 4), SyncCheck::Accept);
  EXPECT_EQ(CheckSyncSource(1, "Ch A", t, 8), SyncCheck::SelfSync);
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(CheckSyncSource(c, "T0", t, 8), SyncCheck::Accept);
  EXPECT_EQ(SyncRefusalMessage(SyncCheck::MutualSync),
            "Error. You cannot sync two channels to each other.");
  EXPECT_EQ(SyncRefusalMessage(SyncCheck::SelfSync), "Error. Channel cannot sync to itself.");
  EXPECT_EQ(SyncRefusalMessage(SyncCheck::CircularSync), "Error. Circular sync reference.");
  EXPECT_EQ(SyncRefusalMessage(SyncCheck::Accept), "");
}

TEST(SyncSource, LongChainOnEightChannels) {
  // H <- G <- ... <- B <- A (each synced to the next letter), A on T0.
  auto t = Sources({{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 5}, {7, 6}, {8, 7}});
  EXPECT_EQ(CheckSyncSource(1, "Ch H", t, 8), SyncCheck::CircularSync);
  EXPECT_EQ(CheckSyncSource(2, "Ch H", t, 8), SyncCheck::CircularSync);
  // A chain that loops without passing this channel ends after ChannelCount steps.
  t = Sources({{2, 3}, {3, 4}, {4, 2}});
  EXPECT_EQ(CheckSyncSource(1, "Ch B", t, 4), SyncCheck::Accept);
}

TEST(SyncSource, TextsNamingNoChannelOfTheModelAreRefusedSilently) {
  TChannelTable t{};
  EXPECT_EQ(CheckSyncSource(1, "Channel B", t, 8), SyncCheck::NoSuchChannel);
  EXPECT_EQ(CheckSyncSource(1, "", t, 8), SyncCheck::NoSuchChannel);
  EXPECT_EQ(CheckSyncSource(1, "Ch E", t, 4), SyncCheck::NoSuchChannel);
  EXPECT_EQ(CheckSyncSource(1, "Ch E", t, 8), SyncCheck::Accept);
  EXPECT_EQ(SyncRefusalMessage(SyncCheck::NoSuchChannel), "");
}

TEST(Mux, MaskCountsOnlyTheModelsLetters) {
  std::array<bool, 8> all;
  all.fill(true);
  EXPECT_EQ(MuxMaskFromChecks(all, 4), 15);
  EXPECT_EQ(MuxMaskFromChecks(all, 8), 255);
  EXPECT_EQ(MuxMaskFromChecks(all, 2), 3);
  EXPECT_EQ(MuxMaskFromChecks({true, false, true, false, false, false, false, false}, 4), 5);
  EXPECT_EQ(MuxMaskFromChecks({false, false, false, false, false, false, false, true}, 8), 128);
}

TEST(TimeEdits, RefusedValueFallsBackToTheStoredOne) {
  auto d = DecideTimeEdit(1.0000000001, 2.5e-10, 0.5);
  EXPECT_FALSE(d.accept);
  EXPECT_EQ(d.value, 0.5);
  // The fall-back raises the change event again, and the stored value passes.
  EXPECT_TRUE(DecideTimeEdit(d.value, 2.5e-10, 0.5).accept);
  d = DecideTimeEdit(1.00000000025, 2.5e-10, 0.5);
  EXPECT_TRUE(d.accept);
  EXPECT_EQ(d.value, 1.00000000025);
  EXPECT_FALSE(DecideTimeEdit(0.000000102, 5e-9, 1e-7).accept);
}

TEST(Enabling, ModesSwitchTheirGroups) {
  // Burst enables the burst count only; continuous/normal disables both;
  // an unknown mode leaves the page as it is.
  EXPECT_TRUE(SystemModesEnableFor(2)->burst);
  EXPECT_FALSE(SystemModesEnableFor(2)->dutyCycle);
  EXPECT_FALSE(ChModesEnableFor(0)->burst || ChModesEnableFor(0)->dutyCycle);
  EXPECT_TRUE(ChModesEnableFor(3)->dutyCycle && !ChModesEnableFor(3)->burst);
  EXPECT_FALSE(ChModesEnableFor(4).has_value());
  // "Ch Gate": threshold, gate polarity and debounce on, edge off, and the
  // channel gate lists on; "Triggered" turns the gate lists off again.
  auto e = TriggerModesEnableFor(3);
  EXPECT_TRUE(e->threshold && e->gatePolarity && e->debounce && !e->edge);
  EXPECT_TRUE(GateModesEnableFor(3));
  e = TriggerModesEnableFor(1);
  EXPECT_TRUE(e->threshold && e->edge && e->debounce && !e->gatePolarity);
  EXPECT_FALSE(GateModesEnableFor(1));
  EXPECT_FALSE(GateModesEnableFor(2));
  EXPECT_FALSE(TriggerModesEnableFor(-1).has_value());
}

TEST(SyncSource, StoredSourceWithoutAnItemStillShowsItsName) {
  const std::vector<std::string> list{"T0", "Ch B", "Ch C", "Ch D"};  // channel 1 of 4
  auto sel = SelectionForSource(list, 3);
  EXPECT_EQ(sel.index, 2);
  EXPECT_EQ(sel.text, "Ch C");
  sel = SelectionForSource(list, 8);  // read back from the instrument, not offered here
  EXPECT_EQ(sel.index, -1);
  EXPECT_EQ(sel.text, "Ch H");
}
