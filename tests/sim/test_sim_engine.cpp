// The simulated instrument in-process: reply layouts, set commands, refusals,
// the settings round trip, bins, service functions, the shot counter, the
// line framer and the injected faults.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "sim/engine/Cli.h"
#include "sim/engine/Instrument.h"
#include "sim/engine/Session.h"
#include "sim/engine/SimText.h"

using namespace vmsim;

namespace {

constexpr int64_t kMs = 1000000;

Instrument Make(const std::string& model = "5208", bool adjustable = false) {
  InstrumentConfig c;
  c.identity.model = model;
  c.adjustable = adjustable;
  return Instrument(c);
}

std::vector<std::string> Fields(const std::string& s) {
  std::vector<std::string> f;
  std::istringstream in(s);
  for (std::string w; in >> w;) f.push_back(w);
  return f;
}

std::map<std::string, std::string> ParseDump(const std::string& dump) {
  std::map<std::string, std::string> m;
  std::istringstream in(dump);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    m[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return m;
}

bool IsReal(const std::string& s) {
  double d;
  return ParseReal(s, d) && s.find_first_of("eE") == std::string::npos;
}

}  // namespace

TEST(SimReplies, IdentityStatusAndBlockLayouts) {
  InstrumentConfig c;
  c.identity = {"VM", "5218", 4321, "2.10", "3.05"};
  c.adjustable = true;
  c.errorCode = 2;
  Instrument in(c);
  EXPECT_EQ(in.HandleLine("*IDN?", 0), "VM,5218,4321,2.10-3.05");
  EXPECT_EQ(in.HandleLine("*SS?", 0), "2");
  EXPECT_EQ(in.HandleLine("*ERS?", 0), "2");
  EXPECT_EQ(in.HandleLine("*SER?", 0), "4321");
  EXPECT_EQ(in.HandleLine("*BAD?", 0), "5218");
  EXPECT_EQ(in.HandleLine(":SYST:SEC?", 0), "0");
  EXPECT_EQ(in.HandleLine(":SYST:AUT?", 0), "0");
  EXPECT_EQ(in.HandleLine(":PULS0:ICL?", 0), "INT");
  EXPECT_EQ(in.HandleLine(":PULS0:OCL?", 0), "T0");
  EXPECT_EQ(in.HandleLine(":PULS0:COUN:STAT?", 0), "0");
  EXPECT_EQ(in.HandleLine(":PULS0:COUN:SOUR?", 0), "T0");
  EXPECT_EQ(in.HandleLine(":PULS0:COUN:COUN?", 0), "0");
  EXPECT_EQ(in.HandleLine(":PULS0:CAL:EXT:GAIN?", 0), "10.5");
  EXPECT_EQ(in.HandleLine(":PULS0:CAL:EXT:OFF?", 0), "-1.5");
  EXPECT_EQ(in.HandleLine(":PULS3:CAL:WID?", 0), "49");
  EXPECT_EQ(in.HandleLine(":PULS8:CAL:GAIN?", 0), "214");
  // No two channel calibration values alike, so a swap or an index mix-up
  // in a client cannot go unnoticed.
  std::set<std::string> values;
  for (int n = 1; n <= 8; ++n)
    for (const char* k : {"DEL", "WID", "GAIN", "OFF"})
      values.insert(in.HandleLine(":PULS" + std::to_string(n) + ":CAL:" + k + "?", 0));
  EXPECT_EQ(values.size(), 32u);

  // The query as the program writes it ("*CFG? 0?"), and the other spellings.
  const auto sys = Fields(in.HandleLine("*CFG? 0?", 0));
  ASSERT_EQ(sys.size(), 7u);
  EXPECT_EQ(sys[0], "0");
  EXPECT_TRUE(IsReal(sys[1]));
  EXPECT_EQ(sys[2], "NORM");
  EXPECT_EQ(in.HandleLine("*CFG? 0", 0), in.HandleLine("*cfg 0?", 0));
  EXPECT_EQ(Fields(in.HandleLine("*CFG? 90?", 0)), (std::vector<std::string>{"DIS", "RIS", "HIGH", "2.5", "DIS"}));
  for (int n = 1; n <= 8; ++n) {
    const auto ch = Fields(in.HandleLine("*CFG? " + std::to_string(n) + "?", 0));
    ASSERT_EQ(ch.size(), 17u) << n;
    EXPECT_TRUE(IsReal(ch[1]) && IsReal(ch[2]) && IsReal(ch[10]));
    EXPECT_EQ(ch[11], std::to_string(1 << (n - 1)));
    EXPECT_EQ(ch[16], "T0");
  }
  EXPECT_EQ(in.HandleLine("*CFG? 9?", 0), "ERR RANGE");
}

TEST(SimReplies, FourChannelModelHasNoClocksAndNoUpperChannels) {
  auto in = Make("5204");
  EXPECT_EQ(in.HandleLine(":PULS0:ICL?", 0).rfind("ERR", 0), 0u);
  EXPECT_EQ(in.HandleLine(":PULS0:OCL 10", 0).rfind("ERR", 0), 0u);
  EXPECT_EQ(in.HandleLine("*CFG? 5?", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS5:DEL 0.1", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS1:MUX 16", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS1:CONT GATB", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS1:PSYN SYNB", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS0:COUN:SOUR CHE", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":PULS1:MUX 15", 0), "OK");
}

// Every set command of the vocabulary, in the program's argument formats,
// then its query.
TEST(SimCommands, EverySetCommandChangesWhatItNames) {
  auto in = Make("5208", true);
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {":PULS2:STAT 1", ":PULS2:STAT?", "1"},
      {":PULS2:DEL 0.00000002500", ":PULS2:DEL?", "0.000000025"},
      {":PULS2:DEL 1.50000000000", ":PULS2:DEL?", "1.5"},
      {":PULS2:WIDT 0.00050000000", ":PULS2:WIDT?", "0.0005"},
      {":PULS2:MOD BURS", ":PULS2:MOD?", "BURS"},
      {":PULS2:BCO 10000000", ":PULS2:BCO?", "10000000"},
      {":PULS2:PCO 3", ":PULS2:PCO?", "3"},
      {":PULS2:OCO 4", ":PULS2:OCO?", "4"},
      {":PULS2:WCO 0", ":PULS2:WCO?", "0"},
      {":PULS2:POL INV", ":PULS2:POL?", "INV"},
      {":PULS2:OUTP:MOD ADJ", ":PULS2:OUTP:MOD?", "ADJ"},
      {":PULS2:OUTP:AMPL 12.25", ":PULS2:OUTP:AMPL?", "12.25"},
      {":PULS2:SYNC CHH", ":PULS2:SYNC?", "CHH"},
      {":PULS2:MUX 5", ":PULS2:MUX?", "5"},
      {":PULS2:CGAT OUTP", ":PULS2:CGAT?", "OUTP"},
      {":PULS2:CLOG LOW", ":PULS2:CLOG?", "LOW"},
      {":PULS2:CONT GATB", ":PULS2:CONT?", "GATB"},
      {":PULS2:PSYN SYNT", ":PULS2:PSYN?", "SYNT"},
      {":PULS0:PER 0.000000050", ":PULS0:PER?", "0.00000005"},
      {":PULS0:MOD DCYC", ":PULS0:MOD?", "DCYC"},
      {":PULS0:BCO 4000000000", ":PULS0:BCO?", "4000000000"},
      {":PULS0:PCO 7", ":PULS0:PCO?", "7"},
      {":PULS0:OCO 8", ":PULS0:OCO?", "8"},
      {":PULS0:CYCL 10000000", ":PULS0:CYCL?", "10000000"},
      {":PULS0:EXT:MOD CGAT", ":PULS0:EXT:MOD?", "CGAT"},
      {":PULS0:EXT:EDG FALL", ":PULS0:EXT:EDG?", "FALL"},
      {":PULS0:EXT:POL LOW", ":PULS0:EXT:POL?", "LOW"},
      {":PULS0:EXT:LEV 0.20", ":PULS0:EXT:LEV?", "0.2"},
      {":PULS0:EXT:DEB ENAB", ":PULS0:EXT:DEB?", "ENAB"},
      {":PULS0:COUN:STAT 1", ":PULS0:COUN:STAT?", "1"},
      {":PULS0:COUN:SOUR CHC", ":PULS0:COUN:SOUR?", "CHC"},
      {":PULS0:ICL SYS", ":PULS0:ICL?", "INT"},
      {":PULS0:ICL 80", ":PULS0:ICL?", "80"},
      {":PULS0:OCL 25", ":PULS0:OCL?", "25"},
      {":SYST:AUT 1", ":SYST:AUT?", "1"},
      {":PULS0:STAT ON", "*SS?", "3"},
      {":PULS0:STAT OFF", "*SS?", "2"},
  };
  for (const auto& [cmd, query, want] : cases) {
    EXPECT_EQ(in.HandleLine(cmd + "\r", 0), "OK") << cmd;
    EXPECT_EQ(in.HandleLine(query, 0), want) << cmd;
  }
  EXPECT_EQ(in.HandleLine("*ARM 3", 0), "OK");
  EXPECT_EQ(in.armCount(3), 1);
}

TEST(SimCommands, RefusedLinesChangeNothing) {
  auto in = Make("5208");
  const std::string before = in.DumpState(0);
  // Strings, not pointers: the line with a NUL inside its header must reach
  // the instrument whole, and every element must live for the whole loop.
  for (const std::string& bad : std::initializer_list<std::string>{
           ":PULS1:DEL -0.1", ":PULS1:DEL 2000.1", ":PULS1:WIDT 0.000000001", ":PULS0:PER 0.00000001",
           ":PULS0:PER 5000.1", ":PULS0:BCO 4000000001", ":PULS0:BCO -1", ":PULS0:BCO 0", ":PULS1:BCO 10000001",
           ":PULS1:WCO -1", ":PULS1:DEL abc", ":PULS1:DEL 1,5", ":PULS1:DEL nan", ":PULS1:DEL inf",
           ":PULS1:DEL", ":PULS1:MOD NORMAL", ":PULS1:OUTP:MOD ADJ" /* no adjustable outputs */,
           ":PULS1:OUTP:AMPL 1.99", ":PULS1:SYNC CHA" /* itself */, ":PULS1:MUX 256", ":PULS1:MUX 1.5",
           ":PULS0:EXT:LEV 15.01", ":PULS0:ICL INT" /* the reply's word, not the command's */, ":PULS9:STAT 1", ":PULS1:STAT 2", "*SAV 0", "*SAV 7", "*RCL 7", "*RCL x",
           "*ARM 0", "*ARM 9", ":SYST:SEC 12345", ":SYST:AUT 2", "*SER 5", "*BAD 5208", "*SAVC",
           ":PULS1:CAL:DEL 30", ":PULS0:CAL:EXT:GAIN 5", ":PULS0:COUN:CL 2", "*CFG 1 1 2 3", "*CFG 0",
           "*CFG 90 DIS RIS HIGH 2.5 DIS EXTRA", "*CFG 1 0 0 0.000001 NORM 1 1 1 0 TTL NORM 5 1 DIS DIS DIS HIGH CHA",
           "*IDN? extra", "HELLO", "\x01\x02\xff", std::string("*ID\0N?", 6), "?", "??"}) {
    const std::string reply = in.HandleLine(bad, 0);
    EXPECT_EQ(reply.rfind("ERR", 0), 0u) << bad << " -> " << reply;
  }
  EXPECT_EQ(in.DumpState(0), before);
  // An empty line is a command that does nothing.
  EXPECT_EQ(in.HandleLine("", 0), "OK");
}

// A settings file recorded from the instrument's replies, replayed into a
// fresh instrument, reproduces the configuration.
TEST(SimCommands, RecordedSettingsReplayIntoAnotherInstrument) {
  auto a = Make("5208", true);
  for (const char* cmd : {":PULS0:PER 0.000012345", ":PULS0:MOD BURS", ":PULS0:BCO 4000000000", ":PULS0:CYCL 17",
                          ":PULS0:EXT:MOD TRIG", ":PULS0:EXT:LEV 3.33", ":PULS3:DEL 0.00000000025",
                          ":PULS3:WIDT 1999.99999999975", ":PULS3:OUTP:MOD ADJ", ":PULS3:OUTP:AMPL 7.5",
                          ":PULS3:SYNC CHB", ":PULS3:MUX 200", ":PULS1:DEL 0.125", ":PULS1:SYNC CHD", ":PULS3:CONT INHA", ":PULS8:PSYN SYNB",
                          ":PULS8:STAT 1", ":SYST:AUT 1", ":PULS0:ICL 40", ":PULS0:OCL 60", ":PULS0:COUN:STAT 1",
                          ":PULS0:COUN:SOUR CHH"})
    ASSERT_EQ(a.HandleLine(cmd, 0), "OK") << cmd;

  std::vector<std::string> file = {"// comment lines are not sent",
                                   "*CFG 0 " + a.HandleLine("*CFG? 0?", 0),
                                   "*CFG 90 " + a.HandleLine("*CFG? 90?", 0),
                                   ":SYST:AUT " + a.HandleLine(":SYST:AUT?", 0),
                                   ":PULS0:ICL " + a.HandleLine(":PULS0:ICL?", 0),
                                   ":PULS0:OCL " + a.HandleLine(":PULS0:OCL?", 0),
                                   ":PULS0:COUN:STAT " + a.HandleLine(":PULS0:COUN:STAT?", 0),
                                   ":PULS0:COUN:SOUR " + a.HandleLine(":PULS0:COUN:SOUR?", 0)};
  for (int n = 1; n <= 8; ++n)
    file.push_back("*CFG " + std::to_string(n) + " " + a.HandleLine("*CFG? " + std::to_string(n) + "?", 0));

  auto b = Make("5208", true);
  for (const auto& line : file)
    if (line.find("//") == std::string::npos) EXPECT_EQ(b.HandleLine(line, 0), "OK") << line;
  EXPECT_EQ(b.settings(), a.settings());
  EXPECT_EQ(b.DumpState(0), a.DumpState(0));

  // The same file into a four-channel unit: the lines it cannot hold (clocks,
  // channels 5-8, a mask naming output H, counter source H) are refused, the
  // others are set.
  auto c = Make("5204", true);
  int refused = 0;
  for (const auto& line : file)
    if (line.find("//") == std::string::npos) refused += c.HandleLine(line, 0).rfind("ERR", 0) == 0;
  EXPECT_GT(refused, 0);
  EXPECT_EQ(refused, 2 + 4 + 1 + 1);
  EXPECT_EQ(c.settings().ch[0], a.settings().ch[0]);
  EXPECT_NE(c.settings().ch[2], a.settings().ch[2]);
}

TEST(SimCommands, StorageBinsSaveRecallAndFactoryDefaults) {
  auto in = Make("5208");
  const Settings factory = in.settings();
  ASSERT_EQ(in.HandleLine(":PULS1:DEL 0.5", 0), "OK");
  ASSERT_EQ(in.HandleLine("*SAV 4", 0), "OK");
  ASSERT_EQ(in.HandleLine(":PULS1:DEL 0.25", 0), "OK");
  ASSERT_EQ(in.HandleLine(":PULS0:STAT ON", 0), "OK");
  EXPECT_TRUE(in.binSaved(4));
  EXPECT_FALSE(in.binSaved(3));

  EXPECT_EQ(in.HandleLine("*RCL 4", 0), "OK");
  EXPECT_EQ(in.HandleLine(":PULS1:DEL?", 0), "0.5");
  EXPECT_TRUE(in.running());  // a recall does not start or stop the outputs
  EXPECT_EQ(in.HandleLine("*RCL 0", 0), "OK");
  EXPECT_EQ(in.settings(), factory);
  EXPECT_EQ(in.HandleLine("*RCL 3", 0), "OK");  // never saved: factory settings
  EXPECT_EQ(in.settings(), factory);
  EXPECT_EQ(in.bin(4).ch[0].delay, 0.5);
}

TEST(SimCommands, ServiceFunctionsNeedTheUnlockCode) {
  auto in = Make("5204");
  EXPECT_EQ(in.HandleLine(":PULS1:CAL:DEL 30", 0), "ERR LOCKED");
  EXPECT_EQ(in.HandleLine(":SYST:SEC 73952", 0), "OK");
  EXPECT_EQ(in.HandleLine(":SYST:SEC?", 0), "1");
  EXPECT_EQ(in.HandleLine("*SAVC 0", 0), "OK");
  EXPECT_EQ(in.calStoreCount(), 0);
  for (const char* cmd : {"*SER 98765", ":PULS0:CAL:EXT:GAIN 10.5", ":PULS0:CAL:EXT:OFF -2", ":PULS1:CAL:WID 105",
                          ":PULS1:CAL:DEL 30", ":PULS4:CAL:GAIN 201", ":PULS4:CAL:OFF -100"})
    EXPECT_EQ(in.HandleLine(cmd, 0), "OK") << cmd;
  EXPECT_EQ(in.HandleLine(":PULS0:CAL:EXT:GAIN?", 0), "10.5");
  EXPECT_EQ(in.HandleLine(":PULS0:CAL:EXT:OFF?", 0), "-2");
  EXPECT_EQ(in.HandleLine(":PULS1:CAL:WID?", 0), "105");
  EXPECT_EQ(in.HandleLine(":PULS4:CAL:OFF?", 0), "-100");
  EXPECT_NE(in.storedCalibration(), in.calibration());
  EXPECT_EQ(in.HandleLine("*SAVC", 0), "OK");
  EXPECT_EQ(in.storedCalibration(), in.calibration());

  // The model decides the identity and the channel count.
  EXPECT_EQ(in.HandleLine("*BAD 3208", 0), "OK");
  EXPECT_EQ(in.HandleLine("*IDN?", 0), "VM,3208,98765,1.00-1.25");
  EXPECT_EQ(in.channelCount(), 8);
  EXPECT_EQ(in.HandleLine("*BAD 9999", 0), "ERR RANGE");
  EXPECT_EQ(in.HandleLine(":SYST:SEC 0", 0), "OK");
  EXPECT_EQ(in.HandleLine("*SER 1", 0), "ERR LOCKED");
}

// --set lines are applied in order at start, the service lock aside; the
// lock itself stays as configured, the preset calibration counts as stored.
TEST(SimCommands, PresetLinesFromTheCommandLine) {
  Options o;
  std::string error;
  ASSERT_TRUE(ParseOptions({"--model", "5208", "--set", ":PULS2:CAL:DEL 40", "--set", ":PULS2:CAL:DEL 41",
                            "--set", ":PULS0:ICL 25", "--set", "*SER 77"},
                           o, error))
      << error;
  Instrument in(o.instrument);
  ASSERT_TRUE(ApplyPresets(in, o.presets, 0, error)) << error;
  EXPECT_EQ(in.HandleLine(":PULS2:CAL:DEL?", 0), "41");
  EXPECT_EQ(in.HandleLine(":PULS0:ICL?", 0), "25");
  EXPECT_EQ(in.HandleLine("*SER?", 0), "77");
  EXPECT_FALSE(in.unlocked());
  EXPECT_EQ(in.storedCalibration(), in.calibration());
  EXPECT_EQ(in.calStoreCount(), 0);

  // Unlocking is a preset like any other.
  Instrument open;
  ASSERT_TRUE(ApplyPresets(open, {":SYST:SEC 73952"}, 0, error)) << error;
  EXPECT_TRUE(open.unlocked());

  // A refused line or a query is an error that names it.
  for (const char* bad : {":PULS1:CAL:DEL 256", ":PULS0:ICL INT", "*IDN?"}) {
    Instrument x;
    EXPECT_FALSE(ApplyPresets(x, {bad}, 0, error)) << bad;
    EXPECT_NE(error.find(bad), std::string::npos) << error;
  }
  EXPECT_FALSE(ParseOptions({"--set"}, o, error));
}

TEST(SimCounter, CountsWithThePeriodWhileRunning) {
  auto in = Make("5208");
  in.HandleLine(":PULS0:PER 0.001", 0);
  in.HandleLine(":PULS0:COUN:STAT 1", 0);
  EXPECT_EQ(in.HandleLine(":PULS0:STAT ON", 100 * kMs), "OK");
  EXPECT_EQ(in.HandleLine(":PULS0:COUN:COUN?", 110 * kMs + kMs / 2), "11");  // the start pulse + 10
  // A period change keeps what was counted and the phase of the last pulse.
  in.HandleLine(":PULS0:PER 0.01", 110 * kMs + kMs / 2);
  EXPECT_EQ(in.ShotCount(130 * kMs), 13u);
  in.HandleLine(":PULS0:STAT OFF", 130 * kMs);
  EXPECT_EQ(in.ShotCount(10000 * kMs), 13u);
  in.HandleLine(":PULS0:COUN:CL 1", 10000 * kMs);
  EXPECT_EQ(in.ShotCount(10000 * kMs), 0u);

  // Burst: at most the burst count per start; a disabled source counts nothing.
  in.HandleLine(":PULS0:MOD BURS", 0);
  in.HandleLine(":PULS0:BCO 5", 0);
  in.HandleLine(":PULS0:STAT ON", 20000 * kMs);
  EXPECT_EQ(in.ShotCount(30000 * kMs), 5u);
  in.HandleLine(":PULS0:COUN:SOUR CHB", 30000 * kMs);
  in.HandleLine(":PULS0:MOD NORM", 30000 * kMs);
  EXPECT_EQ(in.ShotCount(40000 * kMs), 5u);
  // Counting 64-bit: a long run at the shortest period passes 2^32.
  auto fast = Make("5204");
  fast.HandleLine(":PULS0:PER 0.00000005", 0);
  fast.HandleLine(":PULS0:COUN:STAT 1", 0);
  fast.HandleLine(":PULS0:STAT ON", 0);
  EXPECT_GT(fast.ShotCount(300LL * 1000 * kMs), 1ULL << 32);
}

TEST(SimDump, HoldsEveryFieldAndFollowsTheState) {
  auto in = Make("5208");
  in.HandleLine(":PULS7:WIDT 0.25", 0);
  in.HandleLine("*SAV 2", 0);
  const auto d = ParseDump(in.DumpState(0));
  for (const char* key : {"identity.badge", "identity.model", "identity.serial", "identity.firmware", "identity.fpga",
                          "identity.channels", "status.running", "status.adjustable", "status.error", "counter.count",
                          "counter.enabled", "counter.source", "system.period", "system.mode", "system.burst",
                          "system.dutyon", "system.dutyoff", "system.cycles", "system.autostart", "trigger.mode",
                          "trigger.edge", "trigger.polarity", "trigger.threshold", "trigger.debounce", "clock.input",
                          "clock.output", "security.unlocked", "cal.trigger.gain", "cal.trigger.offset",
                          "cal.stored.trigger.gain", "cal.storecount", "cfg.0", "cfg.90", "bin.6.saved"})
    EXPECT_TRUE(d.count(key)) << key;
  int channelKeys = 0;
  for (const auto& [k, v] : d) channelKeys += k.rfind("channel.8.", 0) == 0;
  EXPECT_EQ(channelKeys, 18);  // 17 fields + arm count
  EXPECT_EQ(d.at("channel.7.width"), "0.25");
  EXPECT_EQ(d.at("bin.2.saved"), "1");
  EXPECT_EQ(d.at("bin.2.channel.7.width"), "0.25");
  EXPECT_EQ(d.at("bin.1.channel.7.width"), "0.000001");
  EXPECT_EQ(d.at("cfg.7"), in.ConfigBlock(7));
  EXPECT_EQ(d.at("cal.channel.8.offset"), "60");
}

TEST(SimFraming, LinesSplitAnywhereAndOverlongLinesStayBounded) {
  LineFramer f;
  std::vector<LineFramer::Line> out;
  for (char c : std::string("*IDN?\r\n:PULS1:DEL 1\r\nno-cr\n\r\n"))  // byte by byte
    f.Feed(std::string_view(&c, 1), out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].text, "*IDN?");
  EXPECT_EQ(out[1].text, ":PULS1:DEL 1");
  EXPECT_EQ(out[2].text, "no-cr");
  EXPECT_EQ(out[3].text, "");

  out.clear();
  const std::string mb(1 << 20, 'x');
  for (int i = 0; i < 4; ++i) f.Feed(mb, out);  // 4 MB without a line end
  EXPECT_TRUE(out.empty());
  f.Feed(std::string("\r\n*SS?\r\n\0\xff\r\n", 12), out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(out[0].overlong);
  EXPECT_EQ(out[0].totalBytes, 4u << 20);
  EXPECT_EQ(out[0].text.size(), LineFramer::kMaxLine);
  EXPECT_EQ(out[1].text, "*SS?");
  EXPECT_EQ(out[2].text, std::string("\0\xff", 2));

  // A line of exactly the maximum is whole; one byte more is overlong.
  out.clear();
  f.Feed(std::string(LineFramer::kMaxLine, 'a') + "\r\n" + std::string(LineFramer::kMaxLine + 1, 'b') + "\r\n", out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_FALSE(out[0].overlong);
  EXPECT_TRUE(out[1].overlong);
  EXPECT_EQ(out[1].totalBytes, LineFramer::kMaxLine + 1);
}

TEST(SimFaults, BaudGateAndInjectedFaults) {
  auto in = Make("5208");
  auto line = [](const char* t) { return LineFramer::Line{t, std::strlen(t), false}; };

  FaultConfig gate;
  gate.baud = 9600;
  Session s(in, gate);
  EXPECT_EQ(s.OnLine(line("*IDN?"), 115200, false, 0).reason, "baud");
  EXPECT_EQ(s.OnLine(line("*IDN?"), 9600, true, 0).reason, "echo");
  EXPECT_TRUE(s.OnLine(line("*IDN?"), 9600, false, 0).answered);
  EXPECT_EQ(s.OnLine(LineFramer::Line{"x", 5000, true}, 9600, false, 0).reply, kOverlongReply);

  FaultConfig after;
  after.silentAfter = 2;
  Session sa(in, after);
  EXPECT_TRUE(sa.OnLine(line("*SS?"), 115200, false, 0).answered);
  EXPECT_FALSE(sa.OnLine(line("*SS?"), 57600, false, 0).answered);  // not counted: wrong rate
  EXPECT_TRUE(sa.OnLine(line("*SS?"), 115200, false, 0).answered);
  EXPECT_EQ(sa.OnLine(line("*SS?"), 115200, false, 0).reason, "silent-after");

  FaultConfig idn;
  idn.idnOnlySecond = true;
  Session si(in, idn);
  EXPECT_FALSE(si.OnLine(line("*IDN?"), 115200, false, 0).answered);
  EXPECT_TRUE(si.OnLine(line("*SS?"), 115200, false, 0).answered);
  EXPECT_EQ(si.OnLine(line("*IDN?"), 115200, false, 0).reply, "VM,5208,1234,1.00-1.25");
  EXPECT_FALSE(si.OnLine(line("*IDN?"), 115200, false, 0).answered);

  FaultConfig garbage;
  garbage.garbageAfter = 1;
  Session sg(in, garbage);
  EXPECT_EQ(sg.OnLine(line("*SS?"), 115200, false, 0).reply, "0");
  EXPECT_EQ(sg.OnLine(line(":PULS1:STAT 1"), 115200, false, 0).reply, kGarbageReply);
  EXPECT_EQ(in.settings().ch[0].enabled, 1);  // still obeyed

  FaultConfig silent;
  silent.silent = true;
  Session ss(in, silent);
  EXPECT_EQ(ss.OnLine(line(":PULS1:STAT 0"), 115200, false, 0).reason, "silent");
  EXPECT_EQ(in.settings().ch[0].enabled, 1);
}

TEST(SimText, NumbersAndEscapesRoundTrip) {
  for (double v : {0.001, 2.5e-10, 1999.99999999975, 4e9, 5e-8, -2.0, 12345.678901234})
    EXPECT_EQ(std::stod(FormatReal(v)), v);
  EXPECT_EQ(FormatReal(-0.0), "0");
  EXPECT_EQ(FormatReal(5), "5");
  const std::string raw("a\\b\r\n\0\x7f\xff", 8);
  std::string back;
  ASSERT_TRUE(Unescape(Escape(raw), back));
  EXPECT_EQ(back, raw);
  EXPECT_EQ(Escape(raw), "a\\\\b\\x0D\\x0A\\x00\\x7F\\xFF");
}

TEST(SimCli, OptionsAndTheirErrors) {
  Options o;
  std::string err;
  ASSERT_TRUE(ParseOptions({"--port-dir", "/tmp/x", "--port", "7", "--model", "5218", "--baud", "9600",
                            "--silent-after", "3", "--reply-delay-ms", "40", "--close-after", "1.5", "--error", "3",
                            "--adjustable"},
                           o, err))
      << err;
  EXPECT_EQ(o.port, 7);
  EXPECT_EQ(o.faults.baud, 9600);
  EXPECT_EQ(o.faults.silentAfter, 3);
  EXPECT_DOUBLE_EQ(o.closeAfterS, 1.5);
  EXPECT_TRUE(o.instrument.adjustable);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--baud", "12345"}, {"--port", "x"}, {"--firmware", "1-2"},
                                             {"--badge", "V,M"}, {"--port-dir", "/tmp"}, {"--serial"}, {"--what"}}) {
    Options b;
    EXPECT_FALSE(ParseOptions(bad, b, err)) << bad[0];
    EXPECT_FALSE(err.empty());
  }
}
