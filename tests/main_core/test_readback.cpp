#include <gtest/gtest.h>

#include <random>

#include "main/core/CommandSet.h"
#include "main/core/Readback.h"

using namespace vm;

using Fields = std::vector<std::string>;

TEST(ReplySplitting, SingleBlanksSeparateAndFieldsAreRightTrimmed) {
  EXPECT_EQ(SplitReplyFields("TRIG RIS LOW 1.5 DIS", 5), (Fields{"TRIG", "RIS", "LOW", "1.5", "DIS"}));
  EXPECT_EQ(SplitReplyFields("A\tB C\x01 D\r", 3), (Fields{"A\tB", "C", "D"}));
}

TEST(ReplySplitting, AdjacentBlanksGiveEmptyFields) {
  EXPECT_EQ(SplitReplyFields("1  0.0005 NORM", 4), (Fields{"1", "", "0.0005", "NORM"}));
  EXPECT_EQ(SplitReplyFields(" A B", 3), (Fields{"", "A", "B"}));
}

TEST(ReplySplitting, WhenBlanksRunOutTheLastFieldTakesTheRest) {
  EXPECT_EQ(SplitReplyFields("A B", 5), (Fields{"A", "", "", "", "B"}));
  EXPECT_EQ(SplitReplyFields("ABC", 3), (Fields{"", "", "ABC"}));
  EXPECT_EQ(SplitReplyFields("", 3), (Fields{"", "", ""}));
  // More blanks than fields: the last field keeps the surplus text.
  EXPECT_EQ(SplitReplyFields("A B C D", 3), (Fields{"A", "B", "C D"}));
}

TEST(Conversions, ErrorTextsNameTheField) {
  try {
    ConvertReal("", 2);
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid floating point value");
    EXPECT_EQ(e.field(), 2);
  }
  try {
    ConvertInteger("4000000000", 5);
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'4000000000' is not a valid integer value");
  }
  EXPECT_THROW(ConvertUnsigned("-1"), ConversionError);
  EXPECT_THROW(ConvertUnsigned("4294967296"), ConversionError);
  EXPECT_THROW(ConvertUnsigned("+5"), ConversionError);
  EXPECT_EQ(ConvertUnsigned("4294967295"), 4294967295u);
  EXPECT_EQ(ConvertInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ConvertReal("1e-3"), 1e-3);
  EXPECT_THROW(ConvertReal("1,5"), ConversionError);
}

namespace {
const char* kChannel2 = "1 0.001 0.0005 NORM 1 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0";
}

TEST(ChannelBlock, CompleteReplyFillsTheCache) {
  TChannelParameters prev;
  prev.GateLogic = 0;
  const auto r = ParseChannelBlock(kChannel2, prev, false);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.decoded, 17);
  const auto& v = r.values;
  EXPECT_EQ(v.Enabled, 1);
  EXPECT_DOUBLE_EQ(v.Delay, 0.001);
  EXPECT_DOUBLE_EQ(v.Width, 0.0005);
  EXPECT_EQ(v.Mode, 0);
  EXPECT_EQ(v.BurstCount, 1);
  EXPECT_EQ(v.DutyOnCount, 1);
  EXPECT_EQ(v.DutyOffCount, 1);
  EXPECT_EQ(v.WaitCount, 0);
  EXPECT_EQ(v.OutputMode, 0);
  EXPECT_EQ(v.Polarity, 0);
  EXPECT_DOUBLE_EQ(v.Amplitude, 5);
  EXPECT_EQ(v.Mux, 3);
  EXPECT_EQ(v.ControlMode, 0);
  EXPECT_EQ(v.PhaseSync, 0);
  EXPECT_EQ(v.GateMode, 0);
  EXPECT_EQ(v.GateLogic, 1);
  EXPECT_EQ(v.SyncSource, 0);
  // TTL without adjustable outputs: everything about the amplitude is off.
  EXPECT_EQ(r.amplitudeEnabled, std::optional<bool>(false));
  EXPECT_TRUE(r.outputControlsDisabled);
  EXPECT_EQ(r.controlModeCaption, "Disabled");
  EXPECT_EQ(r.phaseSyncCaption, "Disabled");
  EXPECT_EQ(ConfigRecordLine(2, kChannel2), std::string("*CFG 2 ") + kChannel2);
  // Mux 3 on eight channels: A and B checked, the rest written unchecked.
  const auto mux = MuxDisplayFor(r.values.Mux, 8);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(mux.checks[k], std::optional<bool>(k < 2)) << k;
  EXPECT_EQ(mux.columns, 4);
  EXPECT_EQ(mux.height, 40);
}

TEST(ChannelBlock, AdjustableOutputModeDependsOnTheInstrument) {
  TChannelParameters prev;
  const std::string adj = "1 0 1e-8 SING 1 1 1 0 ADJ INV 12.5 1 GATA SYNT PULS LOW CHC";
  auto without = ParseChannelBlock(adj, prev, false);
  EXPECT_EQ(without.values.OutputMode, 0);           // unchanged
  EXPECT_FALSE(without.amplitudeEnabled.has_value());  // enabling not touched...
  EXPECT_TRUE(without.outputControlsDisabled);         // ...then all three disabled
  auto with = ParseChannelBlock(adj, prev, true);
  EXPECT_EQ(with.values.OutputMode, 1);
  EXPECT_EQ(with.amplitudeEnabled, std::optional<bool>(true));
  EXPECT_FALSE(with.outputControlsDisabled);
  EXPECT_EQ(with.values.Mode, 1);
  EXPECT_EQ(with.values.Polarity, 1);
  EXPECT_EQ(with.values.ControlMode, 1);
  EXPECT_EQ(with.controlModeCaption, "Gate A");
  EXPECT_EQ(with.values.PhaseSync, 3);
  EXPECT_EQ(with.phaseSyncCaption, "Sync T");
  EXPECT_EQ(with.values.GateMode, 1);
  EXPECT_EQ(with.values.SyncSource, 3);
}

TEST(ChannelBlock, UnknownWordsKeepThePreviousValues) {
  TChannelParameters prev;
  prev.Mode = 2;
  prev.OutputMode = 1;
  prev.Polarity = 1;
  prev.ControlMode = 3;
  prev.PhaseSync = 1;
  prev.GateMode = 2;
  prev.GateLogic = 0;
  prev.SyncSource = 4;
  const auto r =
      ParseChannelBlock("2 0 1e-8 norm 1 1 1 0 XYZ BAD 5 0 GATX SYN? NONE MID Ch  A", prev, true);
  ASSERT_TRUE(r.ok());
  TChannelParameters expect = prev;
  expect.Enabled = 2;  // stored as received; shown unchecked
  expect.Width = 1e-8;
  expect.Amplitude = 5;
  expect.BurstCount = expect.DutyOnCount = expect.DutyOffCount = 1;
  EXPECT_EQ(r.values, expect);
  EXPECT_FALSE(r.amplitudeEnabled.has_value());
  EXPECT_TRUE(r.controlModeCaption.empty());
  EXPECT_TRUE(r.phaseSyncCaption.empty());
}

TEST(ChannelBlock, ConversionErrorStopsAtItsFieldAndKeepsWhatCameBefore) {
  TChannelParameters prev;
  prev.Width = 7;
  auto r = ParseChannelBlock("1  0.0005 NORM 1 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0", prev, true);
  ASSERT_TRUE(r.error);
  EXPECT_STREQ(r.error->what(), "'' is not a valid floating point value");
  EXPECT_EQ(r.decoded, 1);
  EXPECT_TRUE(r.Applies(1));
  EXPECT_FALSE(r.Applies(2));
  EXPECT_EQ(r.values.Enabled, 1);
  EXPECT_EQ(r.values.Width, 7);  // after the error: untouched
  EXPECT_THROW(r.ThrowIfError(), ConversionError);

  // A channel count that does not fit a signed 32-bit integer.
  r = ParseChannelBlock("1 0 1e-8 BURS 4000000000 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0", prev,
                        true);
  ASSERT_TRUE(r.error);
  EXPECT_STREQ(r.error->what(), "'4000000000' is not a valid integer value");
  EXPECT_EQ(r.decoded, 4);
  EXPECT_EQ(r.values.Mode, 2);
}

TEST(ChannelBlock, ShortReplyFailsAtTheFirstMissingNumber) {
  const auto r = ParseChannelBlock("1 0.5 0.25 BURS", TChannelParameters{}, true);
  ASSERT_TRUE(r.error);
  // Fields 4..16 are empty and the last takes "BURS": mode stays, the burst
  // count is the first numeric field without text.
  EXPECT_EQ(r.decoded, 4);
  EXPECT_EQ(r.error->field(), 5);
  EXPECT_STREQ(r.error->what(), "'' is not a valid integer value");
}

TEST(SystemBlock, UnsignedCountsAndRunState) {
  TSystemParameters prev;
  auto r = ParseSystemBlock("1 0.0001 BURS 4000000000 2 3 -4", prev);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.running, std::optional<bool>(true));
  EXPECT_DOUBLE_EQ(r.values.Period, 0.0001);
  EXPECT_EQ(r.values.Mode, 2);
  EXPECT_EQ(r.values.BurstCount, 4000000000u);
  EXPECT_EQ(r.values.DutyOnCount, 2u);
  EXPECT_EQ(r.values.DutyOffCount, 3u);
  EXPECT_EQ(r.values.CycleCount, -4);
  EXPECT_EQ(ParseSystemBlock("0 1 NORM 1 1 1 1", prev).running, std::optional<bool>(false));
  EXPECT_FALSE(ParseSystemBlock("2 1 NORM 1 1 1 1", prev).running.has_value());
  // The cycle count is signed: the same text there is an error.
  r = ParseSystemBlock("1 1 NORM 1 1 1 4000000000", prev);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.decoded, 6);
}

TEST(TrigGateBlock, KeywordsAndThreshold) {
  TSystemParameters prev;
  prev.TrigEdge = 1;
  auto r = ParseTrigGateBlock("CGAT XX HIGH -1.25 ENAB", prev);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.values.TrigMode, 3);
  EXPECT_EQ(r.values.TrigEdge, 1);
  EXPECT_EQ(r.values.GatePolarity, 1);
  EXPECT_DOUBLE_EQ(r.values.Threshold, -1.25);
  EXPECT_EQ(r.values.Debounce, 1);
  r = ParseTrigGateBlock("TRIG FALL LOW x DIS", prev);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.decoded, 3);
  EXPECT_EQ(r.values.TrigMode, 1);
  EXPECT_EQ(r.values.Debounce, 0);
}

TEST(MuxDisplay, OnlyTheModelsLettersAreWritten) {
  auto d = MuxDisplayFor(255, 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(d.checks[k], std::optional<bool>(true));
  for (int k = 4; k < 8; ++k) EXPECT_FALSE(d.checks[k].has_value());
  EXPECT_EQ(d.columns, 4);
  EXPECT_EQ(d.height, 20);
  d = MuxDisplayFor(-1, 2);
  EXPECT_TRUE(d.checks[1].has_value());
  EXPECT_FALSE(d.checks[2].has_value());
  EXPECT_EQ(d.columns, 2);
  EXPECT_EQ(d.height, 20);
  d = MuxDisplayFor(0x80, 8);
  EXPECT_EQ(d.checks[7], std::optional<bool>(true));
  EXPECT_EQ(d.checks[0], std::optional<bool>(false));
}

TEST(SyncSourceList, TrimmedOnceAtTheFirstReadback) {
  const std::vector<std::string> design{"T0",   "Ch A", "Ch B", "Ch C", "Ch D",
                                        "Ch E", "Ch F", "Ch G", "Ch H"};
  auto items = design;
  TrimSyncSourceItems(items, 4, 3);
  EXPECT_EQ(items, (Fields{"T0", "Ch A", "Ch B", "Ch D"}));
  TrimSyncSourceItems(items, 4, 3);
  EXPECT_EQ(items, (Fields{"T0", "Ch A", "Ch B", "Ch D"}));
  items = design;
  TrimSyncSourceItems(items, 8, 8);
  EXPECT_EQ(items, (Fields{"T0", "Ch A", "Ch B", "Ch C", "Ch D", "Ch E", "Ch F", "Ch G"}));
  TrimSyncSourceItems(items, 8, 8);
  EXPECT_EQ(items.size(), 8u);
  // The readback's sync source then selects its caption, or nothing.
  EXPECT_EQ(GetChannelIndex(items, 7), 7);
}

TEST(ControlModeSelection, CaptionMissingFromAFourChannelList) {
  const std::vector<std::string> four{"Disabled", "Gate A", "Inhibit A"};
  auto r = ParseChannelBlock("1 0 1e-8 NORM 1 1 1 0 TTL NORM 5 0 GATB SYNB DIS LOW T0",
                             TChannelParameters{}, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.values.ControlMode, 2);  // what the instrument holds
  EXPECT_EQ(r.controlModeCaption, "Gate B");
  EXPECT_EQ(IndexOfCaption(four, r.controlModeCaption), -1);
  EXPECT_EQ(IndexOfCaption(four, "Inhibit A"), 2);
}

TEST(ReadbackRobustness, AnyReplyGivesACompleteOrStoppedResult) {
  // Replies made of the characters that matter to the splitter and the
  // converters: whatever arrives, every field exists and the result is either
  // complete or stopped at a named field with its error.
  std::mt19937 rng(5200);
  const std::string alphabet = "  019.-eE+TLADJNORMCHh\t\r";
  for (int i = 0; i < 20000; ++i) {
    std::string reply(rng() % 40, ' ');
    for (char& c : reply) c = alphabet[rng() % alphabet.size()];
    for (int count : {1, 5, 7, 17}) ASSERT_EQ(SplitReplyFields(reply, count).size(), size_t(count));
    const auto ch = ParseChannelBlock(reply, TChannelParameters{}, rng() % 2);
    ASSERT_EQ(ch.ok(), ch.decoded == 17) << reply;
    if (!ch.ok()) ASSERT_EQ(ch.error->field(), ch.decoded + 1) << reply;
    const auto sys = ParseSystemBlock(reply, TSystemParameters{});
    ASSERT_EQ(sys.ok(), sys.decoded == 7) << reply;
    const auto trig = ParseTrigGateBlock(reply, TSystemParameters{});
    ASSERT_EQ(trig.ok(), trig.decoded == 5) << reply;
    if (!trig.ok()) ASSERT_EQ(trig.error->field(), 4);
  }
}
