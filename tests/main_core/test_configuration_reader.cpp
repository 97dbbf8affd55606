#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "main/core/ConfigurationReader.h"
#include "main/core/Instrument.h"

using namespace vm;

namespace {

// An instrument that answers from a table and records the queries in order.
struct FakeInstrument : InstrumentQueries {
  std::map<std::string, std::string> replies;
  std::vector<std::string> wire;
  std::string QueryText(const std::string& h) override {
    wire.push_back(h + "?");
    return replies.count(h) ? replies[h] : "";
  }
  int32_t QueryInteger(const std::string& h) override {
    const std::string r = QueryText(h);
    try {
      return ConvertInteger(r);
    } catch (const ConversionError&) {
      return 0;
    }
  }
};

struct RecordingSink : ConfigurationSink {
  FakeInstrument* io = nullptr;
  bool adjustable = true;
  std::vector<std::string> events;
  std::vector<ChannelReadback> channels;
  bool clocksPresent = false;
  void OnSystem(const SystemReadback& r) override {
    events.push_back("system " + std::to_string(r.decoded));
  }
  void OnTrigGate(const TrigGateReadback& r) override {
    events.push_back("trig " + std::to_string(r.decoded));
  }
  void OnClocks(bool present, int32_t, int32_t) override { clocksPresent = present; }
  bool BeforeChannels() override {
    io->wire.push_back("*SS?");  // the status poll the window makes here
    return adjustable;
  }
  void OnChannelStart(int n) override { events.push_back("start " + std::to_string(n)); }
  void OnChannel(int, const ChannelReadback& r) override { channels.push_back(r); }
};

const char* kChannelReply = "1 0.001 0.0005 ADJ 1 1 1 0 ADJ NORM 5 3 DIS DIS DIS HIGH T0";

FakeInstrument Instrument(int channels) {
  FakeInstrument f;
  f.replies = {{"*CFG? 0", "1 0.001 BURS 4000000000 1 1 1"},
               {"*CFG? 90", "CGAT RIS HIGH 2.50 ENAB"},
               {":SYST:SEC", "1"},
               {":SYST:AUT", "1"},
               {":PULS0:ICL", "25"},
               {":PULS0:OCL", "T0"},
               {":PULS0:COUN:STAT", "ERR"},
               {":PULS0:COUN:SOUR", "CHC"}};
  for (int n = 1; n <= channels; ++n) f.replies["*CFG? " + std::to_string(n)] = kChannelReply;
  return f;
}

}  // namespace

TEST(ConfigurationReader, EightChannelOrderRecordAndCaches) {
  FakeInstrument io = Instrument(8);
  RecordingSink sink;
  sink.io = &io;
  TSystemParameters sys;
  TChannelTable ch{};
  std::vector<std::string> settings{"// date", "// caption", "// s", "// f", "// p"};
  auto err = ReadConfiguration(io, sink, 8, sys, ch, settings);
  ASSERT_FALSE(err);
  const std::vector<std::string> expectWire{
      "*CFG? 0?", "*CFG? 90?", ":SYST:SEC?", ":SYST:AUT?", ":PULS0:ICL?", ":PULS0:OCL?",
      ":PULS0:COUN:STAT?", ":PULS0:COUN:SOUR?", "*SS?", "*CFG? 1?", "*CFG? 2?", "*CFG? 3?",
      "*CFG? 4?", "*CFG? 5?", "*CFG? 6?", "*CFG? 7?", "*CFG? 8?"};
  EXPECT_EQ(io.wire, expectWire);
  ASSERT_EQ(settings.size(), 5u + 15u);
  EXPECT_EQ(settings[5], "*CFG 0 1 0.001 BURS 4000000000 1 1 1");
  EXPECT_EQ(settings[8], ":PULS0:ICL 25");
  EXPECT_EQ(settings[10], ":PULS0:COUN:STAT 0");  // unreadable state recorded as 0
  EXPECT_EQ(settings[11], ":PULS0:COUN:SOUR CHC");
  EXPECT_EQ(settings[19], std::string("*CFG 8 ") + kChannelReply);
  EXPECT_EQ(sys.BurstCount, 4000000000u);
  EXPECT_EQ(sys.TrigMode, 3);
  EXPECT_EQ(sys.AutoStart, 1);
  EXPECT_EQ(sys.InputClock, 3);
  EXPECT_EQ(sys.CounterSource, 3);
  EXPECT_TRUE(sink.clocksPresent);
  EXPECT_EQ(ch[8].OutputMode, 1);  // adjustable outputs, reported by the poll
  EXPECT_EQ(ch[8].Mux, 3);
  EXPECT_EQ(sink.events.front(), "system 7");
  EXPECT_EQ(sink.events.back(), "start 8");
}

TEST(ConfigurationReader, FourChannelsAskNoClocksAndReadFourBlocks) {
  FakeInstrument io = Instrument(4);
  io.replies[":PULS0:COUN:SOUR"] = "XYZ";
  RecordingSink sink;
  sink.io = &io;
  sink.adjustable = false;
  TSystemParameters sys;
  sys.CounterSource = 2;
  TChannelTable ch{};
  std::vector<std::string> settings;
  ASSERT_FALSE(ReadConfiguration(io, sink, 4, sys, ch, settings));
  EXPECT_EQ(std::count(io.wire.begin(), io.wire.end(), ":PULS0:ICL?"), 0);
  EXPECT_EQ(io.wire.back(), "*CFG? 4?");
  EXPECT_EQ(settings.size(), 9u);
  EXPECT_EQ(settings[4], ":PULS0:COUN:SOUR XYZ");  // recorded as received
  EXPECT_EQ(sys.CounterSource, 2);                  // cache unchanged
  EXPECT_FALSE(sink.clocksPresent);
  EXPECT_EQ(ch[1].OutputMode, 0);  // "ADJ" without adjustable outputs
  EXPECT_TRUE(sink.channels[0].outputControlsDisabled);
}

TEST(ConfigurationReader, ConversionErrorEndsTheReadingAtItsBlock) {
  FakeInstrument io = Instrument(8);
  io.replies["*CFG? 2"] = "1  0.0005 NORM 1 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0";
  RecordingSink sink;
  sink.io = &io;
  TSystemParameters sys;
  TChannelTable ch{};
  ch[2].Delay = 0.25;
  std::vector<std::string> settings;
  auto err = ReadConfiguration(io, sink, 8, sys, ch, settings);
  ASSERT_TRUE(err);
  EXPECT_STREQ(err->what(), "'' is not a valid floating point value");
  EXPECT_EQ(io.wire.back(), "*CFG? 2?");            // channel 3 is never asked
  EXPECT_EQ(settings.back().substr(0, 8), "*CFG 2 1");  // the raw line is kept
  ASSERT_EQ(sink.channels.size(), 2u);
  EXPECT_EQ(sink.channels[1].decoded, 1);  // the sink applies field 1 only
  EXPECT_EQ(ch[2].Enabled, 1);
  EXPECT_EQ(ch[2].Delay, 0.25);

  // A bad system block stops before block 90.
  FakeInstrument io2 = Instrument(4);
  io2.replies["*CFG? 0"] = "1 x NORM 1 1 1 1";
  RecordingSink sink2;
  sink2.io = &io2;
  settings.clear();
  err = ReadConfiguration(io2, sink2, 4, sys, ch, settings);
  ASSERT_TRUE(err);
  EXPECT_EQ(io2.wire, (std::vector<std::string>{"*CFG? 0?"}));
  EXPECT_EQ(sink2.events, (std::vector<std::string>{"system 1"}));
}
