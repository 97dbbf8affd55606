#include "main/core/CommandSet.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/core/Numbers.h"

namespace vm {

namespace {

constexpr std::array<const char*, 9> kSyncNames{"T0",   "Ch A", "Ch B", "Ch C", "Ch D",
                                                "Ch E", "Ch F", "Ch G", "Ch H"};

std::string Header(int n, const char* sub) { return ":PULS" + std::to_string(n) + sub; }

// Rounds to the nearest integer (ties to even) and keeps the result inside
// [lo, hi]; NaN becomes 0. Nothing that leaves here can wrap around.
long long RoundClamped(double v, double lo, double hi) {
  if (std::isnan(v)) return 0;
  double r = std::nearbyint(v);
  if (r < lo) r = lo;
  if (r > hi) r = hi;
  return static_cast<long long>(r);
}

}  // namespace

int GetChannelNumber(std::string_view name) {
  if (name == "T0") return 0;
  for (int n = 1; n <= kMaxChannels; ++n) {
    const char letter = char('A' + n - 1);
    const std::string cmd{'C', 'H', letter};
    const std::string shortName{'C', 'h', letter};
    const std::string listName{'C', 'h', ' ', letter};
    if (name == cmd || name == shortName || name == listName) return n;
  }
  return kNoChannel;
}

std::string GetChSyncName(int chnumber) {
  return chnumber >= 0 && chnumber <= kMaxChannels ? kSyncNames[size_t(chnumber)] : "";
}

std::string GetChCmdName(int chnumber) { return WordAt(kCounterSourceWords, chnumber); }

int GetChannelIndex(const std::vector<std::string>& chlisting, int chnum) {
  const std::string name = GetChSyncName(chnum);
  if (name.empty()) return -1;
  int found = -1;
  for (size_t i = 0; i < chlisting.size(); ++i)
    if (chlisting[i] == name) found = int(i);
  return found;
}

std::string FormatF11(double s) { return FormatFixed(s, 11); }
std::string FormatF9(double s) { return FormatFixed(s, 9); }
std::string FormatF2(double v) { return FormatFixed(v, 2); }

int32_t RoundToInt32(double v) { return int32_t(RoundClamped(v, -2147483648.0, 2147483647.0)); }
uint32_t RoundToUInt32(double v) { return uint32_t(RoundClamped(v, 0.0, 4294967295.0)); }

std::string FormatI(double v) { return std::to_string(RoundToInt32(v)); }
std::string FormatU(double v) { return std::to_string(RoundToUInt32(v)); }

std::string FormatG(double v) {
  if (!std::isfinite(v)) return "0";
  if (v == 0) return "0";
  const double a = std::fabs(v);
  char buf[64];
  // Ordinary magnitudes in plain decimal, the rest with a short exponent.
  if (a >= 1e-5 && a < 1e15) {
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    if (s.find('e') == std::string::npos) return s;
    // general switched to an exponent (only below 1e-4): write it out in full
    // with 15 significant digits and drop trailing zeros.
    int exp10 = int(std::floor(std::log10(a)));
    int decimals = 14 - exp10;
    s = FormatFixed(v, decimals);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
  }
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string s(buf, r.ptr);
  // Shortest scientific form "1.5e-06" -> "1.5E-6".
  const size_t e = s.find('e');
  std::string mant = s.substr(0, e);
  std::string ex = s.substr(e + 1);
  bool neg = !ex.empty() && ex[0] == '-';
  if (!ex.empty() && (ex[0] == '-' || ex[0] == '+')) ex.erase(0, 1);
  while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
  return mant + "E" + (neg ? "-" : "") + ex;
}

std::string ControlModeWordForCaption(std::string_view caption) {
  for (size_t i = 0; i < kControlModeCaptions.size(); ++i)
    if (caption == kControlModeCaptions[i]) return kControlModeWords[i];
  return "";
}

std::string PhaseSyncWordForCaption(std::string_view caption) {
  for (size_t i = 0; i < kPhaseSyncCaptions.size(); ++i)
    if (caption == kPhaseSyncCaptions[i]) return kPhaseSyncWords[i];
  return "";
}

// ---- Channel commands (the settings' commands: ChannelCommand, ChannelWire.h) --
std::string ReArmCommand(int n) { return "*ARM " + std::to_string(n); }

// ---- System commands ---------------------------------------------------------
std::string RunCommand(bool run) { return run ? ":PULS0:STAT ON" : ":PULS0:STAT OFF"; }
std::string PeriodCommand(double s) { return ":PULS0:PER " + FormatF9(s); }
std::string SystemModeCommand(int item) { return ":PULS0:MOD " + WordAt(kPulseModeWords, item); }
std::string SysBurstCommand(double c) { return ":PULS0:BCO " + FormatU(c); }
std::string SysDutyOnCommand(double c) { return ":PULS0:PCO " + FormatU(c); }
std::string SysDutyOffCommand(double c) { return ":PULS0:OCO " + FormatU(c); }
std::string SysCycleCountCommand(double c) { return ":PULS0:CYCL " + FormatI(c); }
std::string TrigModeCommand(int item) { return ":PULS0:EXT:MOD " + WordAt(kTrigModeWords, item); }
std::string TrigEdgeCommand(int item) { return ":PULS0:EXT:EDG " + WordAt(kTrigEdgeWords, item); }
std::string GatePolarityCommand(int item) { return ":PULS0:EXT:POL " + WordAt(kLowHighWords, item); }
std::string TrigThresholdCommand(double v) { return ":PULS0:EXT:LEV " + FormatF2(v); }
std::string DebounceCommand(int item) { return ":PULS0:EXT:DEB " + WordAt(kDebounceWords, item); }
std::string CounterEnableCommand(bool on) { return on ? ":PULS0:COUN:STAT 1" : ":PULS0:COUN:STAT 0"; }
std::string CounterClearCommand() { return ":PULS0:COUN:CL 1"; }
std::string CounterSourceCommand(int item) {
  return ":PULS0:COUN:SOUR " + WordAt(kCounterSourceWords, item);
}
std::string InputClockCommand(int item) { return ":PULS0:ICL " + WordAt(kInputClockWords, item); }
std::string OutputClockCommand(int item) { return ":PULS0:OCL " + WordAt(kOutputClockWords, item); }
std::string AutoStartCommand(bool on) { return on ? ":SYST:AUT 1" : ":SYST:AUT 0"; }

// ---- Storage, configuration and service --------------------------------------
std::string SaveBinCommand(int bin) { return "*SAV " + std::to_string(bin); }
std::string RecallBinCommand(int bin) { return "*RCL " + std::to_string(bin); }
std::string ConfigSetCommand(int block, std::string_view fields) {
  return "*CFG " + std::to_string(block) + " " + std::string(fields);
}
std::string UnlockCommand() { return ":SYST:SEC 73952"; }
std::string StoreCalsCommand(bool withZero) { return withZero ? "*SAVC 0" : "*SAVC"; }
std::string SerialNumberCommand(double serial) { return "*SER " + FormatI(serial); }
std::string ModelCommand(int item) { return "*BAD " + WordAt(kModelWords, item); }
std::string CalDelayCommand(int n, double v) { return Header(n, ":CAL:DEL ") + FormatI(v); }
std::string CalWidthCommand(int n, double v) { return Header(n, ":CAL:WID ") + FormatI(v); }
std::string CalGainCommand(int n, double v) {
  return Header(n, ":CAL:GAIN ") + FormatG(std::nearbyint(v));
}
std::string CalOffsetCommand(int n, double v) {
  return Header(n, ":CAL:OFF ") + FormatG(std::nearbyint(v));
}
std::string CalExtGainCommand(double v) { return ":PULS0:CAL:EXT:GAIN " + FormatG(v); }
std::string CalExtOffsetCommand(double v) { return ":PULS0:CAL:EXT:OFF " + FormatG(v); }

std::string ConfigQuery(int block) { return "*CFG? " + std::to_string(block); }
std::string CalDelayQuery(int n) { return Header(n, ":CAL:DEL"); }
std::string CalWidthQuery(int n) { return Header(n, ":CAL:WID"); }
std::string CalGainQuery(int n) { return Header(n, ":CAL:GAIN"); }
std::string CalOffsetQuery(int n) { return Header(n, ":CAL:OFF"); }

}  // namespace vm
