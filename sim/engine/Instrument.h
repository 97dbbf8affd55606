// The simulated pulse generator: its whole state and the command language it
// understands. One call per received line, one reply (or none) per call; no
// I/O and no clock of its own, so it runs the same in a test, in the fuzzer
// and behind the pseudo-terminal.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vmsim {

inline constexpr int kMaxChannels = 8;
inline constexpr int kBinCount = 6;  // user bins 1..6; bin 0 is the factory default
inline constexpr int kUnlockCode = 73952;

// Keyword tables, index = stored code.
extern const std::array<const char*, 4> kModeWords;         // NORM SING BURS DCYC
extern const std::array<const char*, 2> kOutputModeWords;   // TTL ADJ
extern const std::array<const char*, 2> kPolarityWords;     // NORM INV
extern const std::array<const char*, 4> kControlWords;      // DIS GATA GATB INHA
extern const std::array<const char*, 4> kPhaseWords;        // DIS SYNA SYNB SYNT
extern const std::array<const char*, 3> kGateModeWords;     // DIS PULS OUTP
extern const std::array<const char*, 2> kLogicWords;        // LOW HIGH
extern const std::array<const char*, 4> kTrigModeWords;     // DIS TRIG SGAT CGAT
extern const std::array<const char*, 2> kEdgeWords;         // RIS FALL
extern const std::array<const char*, 2> kDebounceWords;     // DIS ENAB
extern const std::array<const char*, 9> kInputClockWords;   // INT 10 20 25 30 40 50 60 80 (replies)
extern const std::array<const char*, 9> kInputClockCommandWords;  // SYS 10 20 25 30 40 50 60 80
extern const std::array<const char*, 9> kOutputClockWords;  // T0 10 20 25 30 40 50 60 80
extern const std::array<const char*, 9> kSourceWords;       // T0 CHA .. CHH
extern const std::array<const char*, 8> kKnownModels;

// Channel count of a model number; unknown models have 4.
int ChannelCountOf(std::string_view model);
bool IsKnownModel(std::string_view model);

struct ChannelSettings {
  int enabled = 0;  // 0/1
  double delay = 0;
  double width = 1e-6;
  int mode = 0;
  int64_t burst = 1, dutyOn = 1, dutyOff = 1, wait = 0;
  int outputMode = 0;
  int polarity = 0;
  double amplitude = 5;
  int mux = 0;
  int controlMode = 0, phaseSync = 0, gateMode = 0;
  int gateLogic = 1;
  int syncSource = 0;  // 0 = T0, 1..8 = A..H
  bool operator==(const ChannelSettings&) const = default;
};

// Everything a storage bin holds: the configuration, not the run state, the
// identity or the calibration.
struct Settings {
  double period = 0.001;
  int mode = 0;
  int64_t burst = 1, dutyOn = 1, dutyOff = 1;  // 1 .. 4,000,000,000
  int64_t cycles = 0;
  int trigMode = 0, trigEdge = 0, gatePolarity = 1;
  double threshold = 2.5;
  int debounce = 0;
  int autoStart = 0;
  int inputClock = 0, outputClock = 0;
  int counterEnabled = 0, counterSource = 0;
  std::array<ChannelSettings, kMaxChannels> ch{};
  bool operator==(const Settings&) const = default;
  static Settings Factory();
};

// The factory calibration differs from channel to channel and between delay,
// width, gain and offset, and the trigger input's values are not whole
// numbers: a client that swaps two of them, mixes up channel indexes or
// rounds a real number shows in its readback.
struct Calibration {
  double trigGain = 10.5, trigOffset = -1.5;
  std::array<int64_t, kMaxChannels> delayCal{}, widthCal{};
  std::array<double, kMaxChannels> gainCal{}, offsetCal{};
  bool operator==(const Calibration&) const = default;
  static Calibration Factory();
};

struct Identity {
  std::string badge = "VM";
  std::string model = "5204";
  int64_t serial = 1234;
  std::string firmware = "1.00";
  std::string fpga = "1.25";
};

struct InstrumentConfig {
  Identity identity;
  bool adjustable = false;  // status bit 1: outputs with adjustable amplitude
  int errorCode = 0;        // reply to *ERS?
  bool unlocked = false;    // service functions unlocked at power-up
};

class Instrument {
 public:
  explicit Instrument(const InstrumentConfig& config = {});

  // Handles one received line (without its LF; a trailing CR and blanks are
  // ignored) at monotonic time nowNs. Returns the reply text without its CR.
  std::string HandleLine(std::string_view line, int64_t nowNs);

  // A line applied at power-up (the --set option): handled as a received
  // command, but the service lock does not apply to it, and a calibration it
  // sets becomes the stored calibration too. Returns the reply.
  std::string Preset(std::string_view line, int64_t nowNs);

  // The state dump: "key=value" lines, see docs/sim.md.
  std::string DumpState(int64_t nowNs) const;

  // The reply to "*CFG? k" (k = 0, 90, 1..8), or "" for another block.
  std::string ConfigBlock(int block) const;

  // Read access for tests and the shell.
  const Settings& settings() const { return s_; }
  const Calibration& calibration() const { return cal_; }
  const Calibration& storedCalibration() const { return storedCal_; }
  const Identity& identity() const { return id_; }
  int channelCount() const { return ChannelCountOf(id_.model); }
  bool running() const { return running_; }
  bool unlocked() const { return unlocked_; }
  uint64_t ShotCount(int64_t nowNs) const;
  int64_t armCount(int ch) const { return armCount_[ch - 1]; }
  int calStoreCount() const { return calStores_; }
  bool binSaved(int bin) const { return binSaved_[bin - 1]; }
  const Settings& bin(int b) const { return bins_[b - 1]; }

  static constexpr const char* kOk = "OK";

 private:
  std::string Query(const std::string& header, std::string_view arg, int64_t nowNs);
  std::string Command(const std::string& header, std::string_view arg);
  std::string ChannelQuery(int n, std::string_view sub);
  std::string SystemQuery(std::string_view sub, int64_t nowNs);
  std::string ChannelCommand(int n, std::string_view sub, std::string_view arg);
  std::string SystemCommand(std::string_view sub, std::string_view arg);
  std::string ConfigCommand(std::string_view arg);
  bool CheckChannelSettings(int n, const ChannelSettings& c, std::string& why) const;

  // Shot counter bookkeeping; see the .cpp.
  uint64_t RunPulses(int64_t nowNs) const;
  uint64_t Gate(uint64_t pulses) const;
  bool CounterActive() const;
  void Settle(int64_t nowNs);
  void Reanchor();

  Identity id_;
  bool adjustable_;
  int errorCode_;
  bool unlocked_;
  bool lockCommanded_ = false;  // the last line was ":SYST:SEC <code>"
  Settings s_;
  Calibration cal_, storedCal_;
  std::array<Settings, kBinCount> bins_;
  std::array<bool, kBinCount> binSaved_{};
  std::array<int64_t, kMaxChannels> armCount_{};
  int calStores_ = 0;

  bool running_ = false;
  int64_t lastNow_ = 0;
  uint64_t countAcc_ = 0;   // count up to the anchor
  uint64_t runPulses_ = 0;  // T0 pulses of this run up to the anchor
  double anchorNs_ = 0;     // when the next T0 pulse is due
  uint64_t gateAtAnchor_ = 0;
};

}  // namespace vmsim
