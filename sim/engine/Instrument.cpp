#include "sim/engine/Instrument.h"

#include <algorithm>
#include <cmath>

#include "sim/engine/SimText.h"

namespace vmsim {

const std::array<const char*, 4> kModeWords{"NORM", "SING", "BURS", "DCYC"};
const std::array<const char*, 2> kOutputModeWords{"TTL", "ADJ"};
const std::array<const char*, 2> kPolarityWords{"NORM", "INV"};
const std::array<const char*, 4> kControlWords{"DIS", "GATA", "GATB", "INHA"};
const std::array<const char*, 4> kPhaseWords{"DIS", "SYNA", "SYNB", "SYNT"};
const std::array<const char*, 3> kGateModeWords{"DIS", "PULS", "OUTP"};
const std::array<const char*, 2> kLogicWords{"LOW", "HIGH"};
const std::array<const char*, 4> kTrigModeWords{"DIS", "TRIG", "SGAT", "CGAT"};
const std::array<const char*, 2> kEdgeWords{"RIS", "FALL"};
const std::array<const char*, 2> kDebounceWords{"DIS", "ENAB"};
const std::array<const char*, 9> kInputClockWords{"INT", "10", "20", "25", "30", "40", "50", "60", "80"};
const std::array<const char*, 9> kInputClockCommandWords{"SYS", "10", "20", "25", "30", "40", "50", "60", "80"};
const std::array<const char*, 9> kOutputClockWords{"T0", "10", "20", "25", "30", "40", "50", "60", "80"};
const std::array<const char*, 9> kSourceWords{"T0", "CHA", "CHB", "CHC", "CHD", "CHE", "CHF", "CHG", "CHH"};
const std::array<const char*, 8> kKnownModels{"5204", "3204", "5214", "3214", "5208", "3208", "5218", "3218"};

namespace {

// Error replies. Every reply that is not a value or "OK" starts with "ERR".
constexpr const char* kErrUnknown = "ERR UNKNOWN";  // header not understood
constexpr const char* kErrArg = "ERR ARG";          // argument missing or malformed
constexpr const char* kErrRange = "ERR RANGE";      // value or channel out of range
constexpr const char* kErrLocked = "ERR LOCKED";    // service function while locked

// Instrument limits.
constexpr double kPeriodMin = 5e-8, kPeriodMax = 5000;
constexpr double kDelayMin = 0, kDelayMax = 2000;
constexpr double kWidthMin = 1e-8, kWidthMax = 2000;
constexpr double kAmplMin = 2, kAmplMax = 20;
constexpr double kLevelMin = 0.2, kLevelMax = 15;
constexpr int64_t kSysCountMax = 4000000000LL;
constexpr int64_t kChCountMax = 10000000;
constexpr int64_t kCycleMax = 10000000;
constexpr int64_t kTrimMax = 255;
constexpr double kGainMax = 1000, kOffsetMax = 1000;

template <size_t N>
bool ParseWord(std::string_view text, const std::array<const char*, N>& words, int& out, size_t limit = N) {
  for (size_t i = 0; i < N && i < limit; ++i)
    if (EqualsNoCase(text, words[i])) {
      out = static_cast<int>(i);
      return true;
    }
  return false;
}

bool ParseFlag(std::string_view text, int& out) {
  if (text == "1" || EqualsNoCase(text, "ON")) return out = 1, true;
  if (text == "0" || EqualsNoCase(text, "OFF")) return out = 0, true;
  return false;
}

bool ParseIntIn(std::string_view text, int64_t lo, int64_t hi, int64_t& out) {
  int64_t v;
  if (!ParseInteger(text, v) || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseRealIn(std::string_view text, double lo, double hi, double& out) {
  double v;
  if (!ParseReal(text, v)) return false;
  // Allow for the last digit of a decimal text that is not exact in binary,
  // and keep the stored value inside the range.
  const double slack = 1e-12;
  if (v < lo - slack * std::max(1.0, std::fabs(lo)) || v > hi + slack * std::max(1.0, std::fabs(hi))) return false;
  out = std::clamp(v, lo, hi);
  return true;
}

std::string Int(int64_t v) { return std::to_string(v); }

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> f;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    size_t j = i;
    while (j < text.size() && text[j] != ' ') ++j;
    f.push_back(text.substr(i, j - i));
    i = j;
  }
  return f;
}

// ---- channel fields, in the order of the channel block ----------------------
enum ChField { kEnabled, kDelay, kWidth, kMode, kBurst, kDutyOn, kDutyOff, kWait, kOutMode, kPolarity,
               kAmplitude, kMux, kControl, kPhase, kGateMode, kGateLogic, kSync, kChFieldCount };

struct SubHeader {
  const char* name;
  int field;
};
constexpr SubHeader kChannelSubs[] = {
    {":STAT", kEnabled}, {":DEL", kDelay},      {":WIDT", kWidth},           {":MOD", kMode},
    {":BCO", kBurst},    {":PCO", kDutyOn},     {":OCO", kDutyOff},          {":WCO", kWait},
    {":POL", kPolarity}, {":OUTP:MOD", kOutMode}, {":OUTP:AMPL", kAmplitude}, {":SYNC", kSync},
    {":MUX", kMux},      {":CGAT", kGateMode},  {":CLOG", kGateLogic},       {":CONT", kControl},
    {":PSYN", kPhase},
};

// Parses one channel field into c; the checks that involve the model or other
// channels are made by CheckChannelSettings.
bool ParseChannelField(ChannelSettings& c, int field, std::string_view a) {
  switch (field) {
    case kEnabled: return ParseFlag(a, c.enabled);
    case kDelay: return ParseRealIn(a, kDelayMin, kDelayMax, c.delay);
    case kWidth: return ParseRealIn(a, kWidthMin, kWidthMax, c.width);
    case kMode: return ParseWord(a, kModeWords, c.mode);
    case kBurst: return ParseIntIn(a, 1, kChCountMax, c.burst);
    case kDutyOn: return ParseIntIn(a, 1, kChCountMax, c.dutyOn);
    case kDutyOff: return ParseIntIn(a, 1, kChCountMax, c.dutyOff);
    case kWait: return ParseIntIn(a, 0, kChCountMax, c.wait);
    case kOutMode: return ParseWord(a, kOutputModeWords, c.outputMode);
    case kPolarity: return ParseWord(a, kPolarityWords, c.polarity);
    case kAmplitude: return ParseRealIn(a, kAmplMin, kAmplMax, c.amplitude);
    case kMux: {
      int64_t m;
      if (!ParseIntIn(a, 0, 255, m)) return false;
      c.mux = static_cast<int>(m);
      return true;
    }
    case kControl: return ParseWord(a, kControlWords, c.controlMode);
    case kPhase: return ParseWord(a, kPhaseWords, c.phaseSync);
    case kGateMode: return ParseWord(a, kGateModeWords, c.gateMode);
    case kGateLogic: return ParseWord(a, kLogicWords, c.gateLogic);
    case kSync: return ParseWord(a, kSourceWords, c.syncSource);  // "ChA" too: words ignore case
  }
  return false;
}

std::string ChannelFieldText(const ChannelSettings& c, int field) {
  switch (field) {
    case kEnabled: return Int(c.enabled);
    case kDelay: return FormatReal(c.delay);
    case kWidth: return FormatReal(c.width);
    case kMode: return kModeWords[c.mode];
    case kBurst: return Int(c.burst);
    case kDutyOn: return Int(c.dutyOn);
    case kDutyOff: return Int(c.dutyOff);
    case kWait: return Int(c.wait);
    case kOutMode: return kOutputModeWords[c.outputMode];
    case kPolarity: return kPolarityWords[c.polarity];
    case kAmplitude: return FormatReal(c.amplitude);
    case kMux: return Int(c.mux);
    case kControl: return kControlWords[c.controlMode];
    case kPhase: return kPhaseWords[c.phaseSync];
    case kGateMode: return kGateModeWords[c.gateMode];
    case kGateLogic: return kLogicWords[c.gateLogic];
    case kSync: return kSourceWords[c.syncSource];
  }
  return "";
}

// ---- system and trigger fields ---------------------------------------------
enum SysField { kSysPeriod, kSysMode, kSysBurst, kSysOn, kSysOff, kSysCycles,
                kTrigMode, kTrigEdge, kTrigPol, kTrigLevel, kTrigDebounce };

constexpr SubHeader kSystemSubs[] = {
    {":PER", kSysPeriod},      {":MOD", kSysMode},      {":BCO", kSysBurst},     {":PCO", kSysOn},
    {":OCO", kSysOff},         {":CYCL", kSysCycles},   {":EXT:MOD", kTrigMode}, {":EXT:EDG", kTrigEdge},
    {":EXT:POL", kTrigPol},    {":EXT:LEV", kTrigLevel}, {":EXT:DEB", kTrigDebounce},
};

bool ParseSystemField(Settings& s, int field, std::string_view a) {
  switch (field) {
    case kSysPeriod: return ParseRealIn(a, kPeriodMin, kPeriodMax, s.period);
    case kSysMode: return ParseWord(a, kModeWords, s.mode);
    case kSysBurst: return ParseIntIn(a, 1, kSysCountMax, s.burst);
    case kSysOn: return ParseIntIn(a, 1, kSysCountMax, s.dutyOn);
    case kSysOff: return ParseIntIn(a, 1, kSysCountMax, s.dutyOff);
    case kSysCycles: return ParseIntIn(a, 0, kCycleMax, s.cycles);
    case kTrigMode: return ParseWord(a, kTrigModeWords, s.trigMode);
    case kTrigEdge: return ParseWord(a, kEdgeWords, s.trigEdge);
    case kTrigPol: return ParseWord(a, kLogicWords, s.gatePolarity);
    case kTrigLevel: return ParseRealIn(a, kLevelMin, kLevelMax, s.threshold);
    case kTrigDebounce: return ParseWord(a, kDebounceWords, s.debounce);
  }
  return false;
}

std::string SystemFieldText(const Settings& s, int field) {
  switch (field) {
    case kSysPeriod: return FormatReal(s.period);
    case kSysMode: return kModeWords[s.mode];
    case kSysBurst: return Int(s.burst);
    case kSysOn: return Int(s.dutyOn);
    case kSysOff: return Int(s.dutyOff);
    case kSysCycles: return Int(s.cycles);
    case kTrigMode: return kTrigModeWords[s.trigMode];
    case kTrigEdge: return kEdgeWords[s.trigEdge];
    case kTrigPol: return kLogicWords[s.gatePolarity];
    case kTrigLevel: return FormatReal(s.threshold);
    case kTrigDebounce: return kDebounceWords[s.debounce];
  }
  return "";
}

template <size_t N>
int FindSub(const SubHeader (&table)[N], std::string_view sub) {
  for (const auto& e : table)
    if (sub == e.name) return e.field;
  return -1;
}

// ":PULS<n>" prefix (the leading colon is optional); n is 0..99.
bool SplitPulsHeader(std::string_view header, int& n, std::string_view& sub) {
  if (!header.empty() && header.front() == ':') header.remove_prefix(1);
  if (header.substr(0, 4) != "PULS") return false;
  header.remove_prefix(4);
  size_t i = 0;
  int value = 0;
  while (i < header.size() && i < 2 && header[i] >= '0' && header[i] <= '9') value = value * 10 + (header[i++] - '0');
  if (i == 0) return false;
  n = value;
  sub = header.substr(i);
  return !sub.empty() && sub.front() == ':';
}

std::string_view StripColon(std::string_view h) {
  if (!h.empty() && h.front() == ':') h.remove_prefix(1);
  return h;
}

}  // namespace

int ChannelCountOf(std::string_view model) {
  for (const char* m : {"5208", "5218", "3208", "3218"})
    if (model == m) return 8;
  return 4;
}

bool IsKnownModel(std::string_view model) {
  for (const char* m : kKnownModels)
    if (model == m) return true;
  return false;
}

Settings Settings::Factory() {
  Settings s;
  for (int i = 0; i < kMaxChannels; ++i) s.ch[i].mux = 1 << i;  // each channel drives its own output
  return s;
}

Calibration Calibration::Factory() {
  Calibration c;
  for (int n = 1; n <= kMaxChannels; ++n) {
    c.delayCal[n - 1] = 10 + n;      // 11 .. 18
    c.widthCal[n - 1] = 40 + 3 * n;  // 43 .. 64
    c.gainCal[n - 1] = 190 + 3 * n;  // 193 .. 214
    c.offsetCal[n - 1] = 100 - 5 * n;  // 95 .. 60
  }
  return c;
}

Instrument::Instrument(const InstrumentConfig& config)
    : id_(config.identity),
      adjustable_(config.adjustable),
      errorCode_(config.errorCode),
      unlocked_(config.unlocked),
      s_(Settings::Factory()),
      cal_(Calibration::Factory()),
      storedCal_(cal_) {
  bins_.fill(Settings::Factory());
}

// ---- shot counter -----------------------------------------------------------
// While the outputs run, T0 fires at the start and then once per period.
// runPulses_ counts the T0 pulses of the current run fired before anchorNs_,
// the time the next one is due; the counter adds the pulses the system mode
// lets through (Gate) while it is enabled and its source channel is on.

uint64_t Instrument::RunPulses(int64_t nowNs) const {
  if (!running_) return runPulses_;
  const double elapsed = static_cast<double>(nowNs) - anchorNs_;
  if (elapsed < 0) return runPulses_;
  return runPulses_ + 1 + static_cast<uint64_t>(std::floor(elapsed / (s_.period * 1e9)));
}

uint64_t Instrument::Gate(uint64_t e) const {
  switch (s_.mode) {
    case 1: return std::min<uint64_t>(e, 1);
    case 2: return std::min<uint64_t>(e, static_cast<uint64_t>(s_.burst));
    case 3: {
      const uint64_t on = static_cast<uint64_t>(s_.dutyOn), cycle = on + static_cast<uint64_t>(s_.dutyOff);
      const uint64_t full = e / cycle, rest = e % cycle;
      if (s_.cycles > 0 && full >= static_cast<uint64_t>(s_.cycles)) return static_cast<uint64_t>(s_.cycles) * on;
      return full * on + std::min(rest, on);
    }
    default: return e;
  }
}

bool Instrument::CounterActive() const {
  if (!running_ || s_.counterEnabled != 1) return false;
  return s_.counterSource == 0 || s_.ch[s_.counterSource - 1].enabled == 1;
}

uint64_t Instrument::ShotCount(int64_t nowNs) const {
  if (!CounterActive()) return countAcc_;
  return countAcc_ + Gate(RunPulses(nowNs)) - gateAtAnchor_;
}

void Instrument::Settle(int64_t nowNs) {
  countAcc_ = ShotCount(nowNs);
  if (running_) {
    const uint64_t e = RunPulses(nowNs);
    anchorNs_ += static_cast<double>(e - runPulses_) * s_.period * 1e9;
    runPulses_ = e;
  }
}

void Instrument::Reanchor() { gateAtAnchor_ = Gate(runPulses_); }

// ---- line handling ----------------------------------------------------------

std::string Instrument::HandleLine(std::string_view raw, int64_t nowNs) {
  std::string_view line = Trim(raw);
  if (line.empty()) return kOk;  // an empty command does nothing
  bool query = false;
  if (line.back() == '?') {
    query = true;
    line = Trim(line.substr(0, line.size() - 1));
  }
  const size_t blank = line.find(' ');
  std::string_view head = line.substr(0, blank);
  std::string_view arg = blank == std::string_view::npos ? std::string_view() : Trim(line.substr(blank));
  if (!head.empty() && head.back() == '?') {
    query = true;
    head.remove_suffix(1);
  }
  const std::string header = ToUpper(head);
  if (header.empty()) return kErrUnknown;
  lastNow_ = nowNs;
  if (query) return Query(header, arg, nowNs);
  Settle(nowNs);
  std::string reply = Command(header, arg);
  Reanchor();
  return reply;
}

std::string Instrument::Preset(std::string_view line, int64_t nowNs) {
  const bool wasUnlocked = unlocked_;
  unlocked_ = true;
  lockCommanded_ = false;
  std::string reply = HandleLine(line, nowNs);
  if (!lockCommanded_) unlocked_ = wasUnlocked;
  storedCal_ = cal_;
  return reply;
}

std::string Instrument::ConfigBlock(int block) const {
  std::string out;
  if (block == 0) {
    out = running_ ? "1" : "0";
    for (int f = kSysPeriod; f <= kSysCycles; ++f) out += " " + SystemFieldText(s_, f);
  } else if (block == 90) {
    for (int f = kTrigMode; f <= kTrigDebounce; ++f) out += (f == kTrigMode ? "" : " ") + SystemFieldText(s_, f);
  } else if (block >= 1 && block <= kMaxChannels) {
    for (int f = 0; f < kChFieldCount; ++f) out += (f ? " " : "") + ChannelFieldText(s_.ch[block - 1], f);
  }
  return out;
}

std::string Instrument::Query(const std::string& header, std::string_view arg, int64_t nowNs) {
  if (header == "*CFG") {
    int64_t k;
    if (!ParseInteger(arg, k)) return kErrArg;
    if (k == 0 || k == 90 || (k >= 1 && k <= channelCount())) return ConfigBlock(static_cast<int>(k));
    return kErrRange;
  }
  if (!arg.empty()) return kErrArg;
  if (header == "*IDN") return id_.badge + "," + id_.model + "," + Int(id_.serial) + "," + id_.firmware + "-" + id_.fpga;
  if (header == "*SS") return Int((running_ ? 1 : 0) | (adjustable_ ? 2 : 0));
  if (header == "*ERS") return Int(errorCode_);
  if (header == "*SER") return Int(id_.serial);
  if (header == "*BAD") return id_.model;
  const std::string_view h = StripColon(header);
  if (h == "SYST:AUT") return Int(s_.autoStart);
  if (h == "SYST:SEC") return unlocked_ ? "1" : "0";
  int n;
  std::string_view sub;
  if (!SplitPulsHeader(header, n, sub)) return kErrUnknown;
  if (n == 0) return SystemQuery(sub, nowNs);
  if (n > channelCount()) return kErrRange;
  return ChannelQuery(n, sub);
}

std::string Instrument::SystemQuery(std::string_view sub, int64_t nowNs) {
  const int f = FindSub(kSystemSubs, sub);
  if (f >= 0) return SystemFieldText(s_, f);
  if (sub == ":STAT") return running_ ? "1" : "0";
  if (sub == ":COUN:COUN") return std::to_string(ShotCount(nowNs));
  if (sub == ":COUN:STAT") return Int(s_.counterEnabled);
  if (sub == ":COUN:SOUR") return kSourceWords[s_.counterSource];
  if (sub == ":ICL" && channelCount() > 4) return kInputClockWords[s_.inputClock];
  if (sub == ":OCL" && channelCount() > 4) return kOutputClockWords[s_.outputClock];
  if (sub == ":CAL:EXT:GAIN") return FormatReal(cal_.trigGain);
  if (sub == ":CAL:EXT:OFF") return FormatReal(cal_.trigOffset);
  return kErrUnknown;
}

std::string Instrument::ChannelQuery(int n, std::string_view sub) {
  const int f = FindSub(kChannelSubs, sub);
  if (f >= 0) return ChannelFieldText(s_.ch[n - 1], f);
  if (sub == ":CAL:DEL") return Int(cal_.delayCal[n - 1]);
  if (sub == ":CAL:WID") return Int(cal_.widthCal[n - 1]);
  if (sub == ":CAL:GAIN") return FormatReal(cal_.gainCal[n - 1]);
  if (sub == ":CAL:OFF") return FormatReal(cal_.offsetCal[n - 1]);
  return kErrUnknown;
}

bool Instrument::CheckChannelSettings(int n, const ChannelSettings& c, std::string& why) const {
  const int count = channelCount();
  why = kErrRange;
  if (c.outputMode == 1 && !adjustable_) return false;  // no adjustable outputs fitted
  if (c.mux >= (1 << count)) return false;
  if (c.syncSource > count || c.syncSource == n) return false;
  if (count < 5 && (c.controlMode == 2 || c.phaseSync == 2)) return false;  // no Gate B / Sync B
  return true;
}

std::string Instrument::Command(const std::string& header, std::string_view arg) {
  const std::string_view h = StripColon(header);
  int64_t v = 0;

  if (header == "*CFG") return ConfigCommand(arg);
  if (header == "*SAV") {
    if (!ParseInteger(arg, v)) return kErrArg;
    if (v < 1 || v > kBinCount) return kErrRange;  // bin 0 holds the factory settings
    bins_[v - 1] = s_;
    binSaved_[v - 1] = true;
    return kOk;
  }
  if (header == "*RCL") {
    if (!ParseInteger(arg, v)) return kErrArg;
    if (v < 0 || v > kBinCount) return kErrRange;
    s_ = v == 0 ? Settings::Factory() : bins_[v - 1];
    return kOk;
  }
  if (header == "*ARM") {
    if (!ParseInteger(arg, v)) return kErrArg;
    if (v < 1 || v > channelCount()) return kErrRange;
    ++armCount_[v - 1];
    return kOk;
  }
  if (h == "SYST:AUT") {
    int flag;
    if (!ParseFlag(arg, flag)) return kErrArg;
    s_.autoStart = flag;
    return kOk;
  }
  if (h == "SYST:SEC") {
    lockCommanded_ = true;
    if (!ParseInteger(arg, v)) return kErrArg;
    if (v == kUnlockCode) unlocked_ = true;
    else if (v == 0) unlocked_ = false;
    else return kErrRange;  // wrong code: the lock state stays as it is
    return kOk;
  }
  if (header == "*SAVC" || header == "*SER" || header == "*BAD") {
    if (!unlocked_) return kErrLocked;
    if (header == "*SAVC") {
      if (arg.empty()) {
        storedCal_ = cal_;
        ++calStores_;
        return kOk;
      }
      return arg == "0" ? kOk : kErrArg;  // "*SAVC 0" stores nothing
    }
    if (header == "*SER") {
      if (!ParseInteger(arg, v)) return kErrArg;
      if (v < 0 || v > INT32_MAX) return kErrRange;
      id_.serial = v;
      return kOk;
    }
    if (!IsKnownModel(arg)) return kErrRange;
    id_.model = std::string(arg);
    return kOk;
  }

  int n;
  std::string_view sub;
  if (!SplitPulsHeader(header, n, sub)) return kErrUnknown;
  if (arg.empty() && sub != ":COUN:CL") return kErrArg;
  if (n == 0) return SystemCommand(sub, arg);
  if (n > channelCount()) return kErrRange;
  return ChannelCommand(n, sub, arg);
}

std::string Instrument::SystemCommand(std::string_view sub, std::string_view arg) {
  const int f = FindSub(kSystemSubs, sub);
  if (f >= 0) {
    Settings next = s_;
    if (!ParseSystemField(next, f, arg)) return kErrRange;
    s_ = next;
    return kOk;
  }
  int flag, word;
  if (sub == ":STAT") {
    if (!ParseFlag(arg, flag)) return kErrArg;
    if (flag && !running_) {
      running_ = true;
      runPulses_ = 0;
      anchorNs_ = static_cast<double>(lastNow_);  // the first pulse fires now
    } else if (!flag) {
      running_ = false;
    }
    return kOk;
  }
  if (sub == ":COUN:STAT") {
    if (!ParseFlag(arg, flag)) return kErrArg;
    s_.counterEnabled = flag;
    return kOk;
  }
  if (sub == ":COUN:CL") {
    if (!arg.empty() && arg != "1") return kErrArg;
    countAcc_ = 0;
    return kOk;
  }
  if (sub == ":COUN:SOUR") {
    if (!ParseWord(arg, kSourceWords, word, static_cast<size_t>(channelCount()) + 1)) return kErrRange;
    s_.counterSource = word;
    return kOk;
  }
  if ((sub == ":ICL" || sub == ":OCL") && channelCount() > 4) {
    if (sub == ":ICL") {
      // The command names the internal oscillator "SYS"; "INT" is only what
      // the query answers, and is refused here.
      if (!ParseWord(arg, kInputClockCommandWords, word)) return kErrRange;
      s_.inputClock = word;
    } else {
      if (!ParseWord(arg, kOutputClockWords, word)) return kErrRange;
      s_.outputClock = word;
    }
    return kOk;
  }
  if (sub == ":CAL:EXT:GAIN" || sub == ":CAL:EXT:OFF") {
    if (!unlocked_) return kErrLocked;
    double x;
    const bool gain = sub == ":CAL:EXT:GAIN";
    if (!ParseRealIn(arg, gain ? 0 : -kOffsetMax, gain ? kGainMax : kOffsetMax, x)) return kErrRange;
    (gain ? cal_.trigGain : cal_.trigOffset) = x;
    return kOk;
  }
  return kErrUnknown;
}

std::string Instrument::ChannelCommand(int n, std::string_view sub, std::string_view arg) {
  const int f = FindSub(kChannelSubs, sub);
  if (f >= 0) {
    ChannelSettings next = s_.ch[n - 1];
    std::string why;
    if (!ParseChannelField(next, f, arg)) return kErrRange;
    if (!CheckChannelSettings(n, next, why)) return why;
    s_.ch[n - 1] = next;
    return kOk;
  }
  if (sub == ":CAL:DEL" || sub == ":CAL:WID" || sub == ":CAL:GAIN" || sub == ":CAL:OFF") {
    if (!unlocked_) return kErrLocked;
    if (sub == ":CAL:DEL" || sub == ":CAL:WID") {
      int64_t v;
      if (!ParseIntIn(arg, 0, kTrimMax, v)) return kErrRange;
      (sub == ":CAL:DEL" ? cal_.delayCal : cal_.widthCal)[n - 1] = v;
    } else {
      double x;
      const bool gain = sub == ":CAL:GAIN";
      if (!ParseRealIn(arg, gain ? 0 : -kOffsetMax, gain ? kGainMax : kOffsetMax, x)) return kErrRange;
      (gain ? cal_.gainCal : cal_.offsetCal)[n - 1] = x;
    }
    return kOk;
  }
  return kErrUnknown;
}

std::string Instrument::ConfigCommand(std::string_view arg) {
  const auto fields = SplitFields(arg);
  int64_t k;
  if (fields.empty() || !ParseInteger(fields[0], k)) return kErrArg;
  const size_t count = fields.size() - 1;
  if (k == 0) {
    if (count != 7) return kErrArg;
    int run;
    if (!ParseFlag(fields[1], run)) return kErrRange;
    Settings next = s_;
    for (int f = kSysPeriod; f <= kSysCycles; ++f)
      if (!ParseSystemField(next, f, fields[static_cast<size_t>(f) + 2])) return kErrRange;
    s_ = next;
    return SystemCommand(":STAT", run ? "1" : "0");
  }
  if (k == 90) {
    if (count != 5) return kErrArg;
    Settings next = s_;
    for (int f = kTrigMode; f <= kTrigDebounce; ++f)
      if (!ParseSystemField(next, f, fields[static_cast<size_t>(f - kTrigMode) + 1])) return kErrRange;
    s_ = next;
    return kOk;
  }
  if (k < 1 || k > channelCount()) return kErrRange;
  if (count != kChFieldCount) return kErrArg;
  ChannelSettings next = s_.ch[k - 1];
  for (int f = 0; f < kChFieldCount; ++f)
    if (!ParseChannelField(next, f, fields[static_cast<size_t>(f) + 1])) return kErrRange;
  std::string why;
  if (!CheckChannelSettings(static_cast<int>(k), next, why)) return why;
  s_.ch[k - 1] = next;
  return kOk;
}

namespace {

const char* const kChannelKeys[kChFieldCount] = {
    "enabled", "delay", "width", "mode", "burst", "dutyon", "dutyoff", "wait", "outputmode",
    "polarity", "amplitude", "mux", "controlmode", "phasesync", "gatemode", "gatelogic", "syncsource"};
const char* const kSystemKeys[] = {"system.period", "system.mode", "system.burst", "system.dutyon",
                                   "system.dutyoff", "system.cycles", "trigger.mode", "trigger.edge",
                                   "trigger.polarity", "trigger.threshold", "trigger.debounce"};

void Put(std::string& out, const std::string& key, const std::string& value) {
  out += key;
  out += '=';
  out += value;
  out += '\n';
}

void DumpSettings(std::string& out, const std::string& prefix, const Settings& s) {
  for (int f = kSysPeriod; f <= kTrigDebounce; ++f) Put(out, prefix + kSystemKeys[f], SystemFieldText(s, f));
  Put(out, prefix + "system.autostart", Int(s.autoStart));
  Put(out, prefix + "clock.input", kInputClockWords[s.inputClock]);
  Put(out, prefix + "clock.output", kOutputClockWords[s.outputClock]);
  Put(out, prefix + "counter.enabled", Int(s.counterEnabled));
  Put(out, prefix + "counter.source", kSourceWords[s.counterSource]);
  for (int n = 1; n <= kMaxChannels; ++n)
    for (int f = 0; f < kChFieldCount; ++f)
      Put(out, prefix + "channel." + Int(n) + "." + kChannelKeys[f], ChannelFieldText(s.ch[n - 1], f));
}

void DumpCalibration(std::string& out, const std::string& prefix, const Calibration& c) {
  Put(out, prefix + "trigger.gain", FormatReal(c.trigGain));
  Put(out, prefix + "trigger.offset", FormatReal(c.trigOffset));
  for (int n = 1; n <= kMaxChannels; ++n) {
    const std::string p = prefix + "channel." + Int(n) + ".";
    Put(out, p + "delay", Int(c.delayCal[n - 1]));
    Put(out, p + "width", Int(c.widthCal[n - 1]));
    Put(out, p + "gain", FormatReal(c.gainCal[n - 1]));
    Put(out, p + "offset", FormatReal(c.offsetCal[n - 1]));
  }
}

}  // namespace

std::string Instrument::DumpState(int64_t nowNs) const {
  std::string out = "# VM5200_SIM state\n";
  Put(out, "identity.badge", id_.badge);
  Put(out, "identity.model", id_.model);
  Put(out, "identity.serial", Int(id_.serial));
  Put(out, "identity.firmware", id_.firmware);
  Put(out, "identity.fpga", id_.fpga);
  Put(out, "identity.channels", Int(channelCount()));
  Put(out, "status.running", running_ ? "1" : "0");
  Put(out, "status.adjustable", adjustable_ ? "1" : "0");
  Put(out, "status.word", Int((running_ ? 1 : 0) | (adjustable_ ? 2 : 0)));
  Put(out, "status.error", Int(errorCode_));
  Put(out, "counter.count", std::to_string(ShotCount(nowNs)));
  Put(out, "security.unlocked", unlocked_ ? "1" : "0");
  DumpSettings(out, "", s_);
  for (int n = 1; n <= kMaxChannels; ++n) Put(out, "channel." + Int(n) + ".armcount", Int(armCount_[n - 1]));
  DumpCalibration(out, "cal.", cal_);
  DumpCalibration(out, "cal.stored.", storedCal_);
  Put(out, "cal.storecount", Int(calStores_));
  Put(out, "cfg.0", ConfigBlock(0));
  Put(out, "cfg.90", ConfigBlock(90));
  for (int n = 1; n <= kMaxChannels; ++n) Put(out, "cfg." + Int(n), ConfigBlock(n));
  for (int b = 1; b <= kBinCount; ++b) {
    Put(out, "bin." + Int(b) + ".saved", binSaved_[b - 1] ? "1" : "0");
    DumpSettings(out, "bin." + Int(b) + ".", bins_[b - 1]);
  }
  return out;
}

}  // namespace vmsim
