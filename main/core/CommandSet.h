#pragma once
// The instrument's command vocabulary: channel names, number formats and the
// text of every command and query the program sends. Nothing here talks to a
// port; the window hands the finished text to the queue or the exchange
// primitives.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

// Channel numbers: 0 is the system timer T0, 1..8 are channels A..H.
inline constexpr int kMaxChannels = 8;
// Result of the name routines for a text that names no channel.
inline constexpr int kNoChannel = -1;

// "T0" -> 0; "CHA", "ChA", "Ch A" -> 1 ... "CHH", "ChH", "Ch H" -> 8.
// Exact, case-sensitive. Any other text gives kNoChannel: callers must test
// for it before they use the number as an index.
int GetChannelNumber(std::string_view channelname);
// 0 -> "T0", 1..8 -> "Ch A".."Ch H"; any other number -> "".
std::string GetChSyncName(int chnumber);
// 0 -> "T0", 1..8 -> "CHA".."CHH"; any other number -> "".
std::string GetChCmdName(int chnumber);
// Index of the item equal to GetChSyncName(chnum) (the last one if several
// are equal); -1 (no item selected) when none matches or chnum names no channel.
int GetChannelIndex(const std::vector<std::string>& chlisting, int chnum);

// Number formats of the wire. All locale-free, "." decimal, no grouping.
std::string FormatF11(double seconds);   // "0.00000000000"
std::string FormatF9(double seconds);    // "0.000000000"
std::string FormatF2(double volts);      // "0.00"
// Counts as the handlers store them and the commands carry them: rounded to
// the nearest integer (ties to even), clamped to the type's range, NaN as 0.
int32_t RoundToInt32(double value);
uint32_t RoundToUInt32(double value);

std::string FormatI(double value);       // rounded, signed 32-bit (clamped)
std::string FormatU(double value);       // rounded, unsigned 32-bit (clamped to 0..4294967295)
std::string FormatG(double value);       // shortest general form, up to 15 significant digits

// Word tables, index = list item index. An index outside a table has no word.
inline constexpr std::array<const char*, 4> kPulseModeWords{"NORM", "SING", "BURS", "DCYC"};
inline constexpr std::array<const char*, 2> kPolarityWords{"NORM", "INV"};
inline constexpr std::array<const char*, 2> kOutputModeWords{"TTL", "ADJ"};
inline constexpr std::array<const char*, 3> kChGateModeWords{"DIS", "PULS", "OUTP"};
inline constexpr std::array<const char*, 2> kLowHighWords{"LOW", "HIGH"};
inline constexpr std::array<const char*, 4> kControlModeWords{"DIS", "GATA", "GATB", "INHA"};
inline constexpr std::array<const char*, 4> kPhaseSyncWords{"DIS", "SYNA", "SYNB", "SYNT"};
inline constexpr std::array<const char*, 4> kTrigModeWords{"DIS", "TRIG", "SGAT", "CGAT"};
inline constexpr std::array<const char*, 2> kTrigEdgeWords{"RIS", "FALL"};
inline constexpr std::array<const char*, 2> kDebounceWords{"DIS", "ENAB"};
inline constexpr std::array<const char*, 9> kCounterSourceWords{"T0",  "CHA", "CHB", "CHC", "CHD",
                                                                "CHE", "CHF", "CHG", "CHH"};
// The input clock command says "SYS" for the system oscillator; the query answers "INT".
inline constexpr std::array<const char*, 9> kInputClockWords{"SYS", "10", "20", "25", "30",
                                                             "40",  "50", "60", "80"};
inline constexpr std::array<const char*, 9> kInputClockReplyWords{"INT", "10", "20", "25", "30",
                                                                  "40",  "50", "60", "80"};
inline constexpr std::array<const char*, 9> kOutputClockWords{"T0", "10", "20", "25", "30",
                                                              "40", "50", "60", "80"};
inline constexpr std::array<const char*, 4> kModelWords{"5204", "3204", "5208", "3208"};

// List captions as the window shows them (design-time items).
inline constexpr std::array<const char*, 4> kControlModeCaptions{"Disabled", "Gate A", "Gate B",
                                                                 "Inhibit A"};
inline constexpr std::array<const char*, 4> kPhaseSyncCaptions{"Disabled", "Sync A", "Sync B",
                                                               "Sync T"};

// Word of a table by item index, "" when the index has none.
template <size_t N>
std::string WordAt(const std::array<const char*, N>& table, int index) {
  return index >= 0 && size_t(index) < N ? std::string(table[size_t(index)]) : std::string();
}
// Index of the first word equal to `word`, -1 when none is.
template <size_t N>
int IndexOfWord(const std::array<const char*, N>& table, std::string_view word) {
  for (size_t i = 0; i < N; ++i)
    if (word == table[i]) return int(i);
  return -1;
}

// Control mode and phase sync choose their word by the list's text.
std::string ControlModeWordForCaption(std::string_view caption);  // "" if none
std::string PhaseSyncWordForCaption(std::string_view caption);    // "" if none

// ---- Channel commands (n = 1..8) -----------------------------------------
// The settings' commands are ChannelCommand<ChannelSetting::...>(n, value)
// (main/core/ChannelWire.h), made from the settings table.
std::string ReArmCommand(int n);                              // "*ARM <n>"

// ---- System commands --------------------------------------------------------
std::string RunCommand(bool run);                             // ":PULS0:STAT ON|OFF"
std::string PeriodCommand(double seconds);                    // ":PULS0:PER <F9>"
std::string SystemModeCommand(int item);                      // ":PULS0:MOD <w>"
std::string SysBurstCommand(double count);                    // ":PULS0:BCO <U>"
std::string SysDutyOnCommand(double count);                   // ":PULS0:PCO <U>"
std::string SysDutyOffCommand(double count);                  // ":PULS0:OCO <U>"
std::string SysCycleCountCommand(double count);               // ":PULS0:CYCL <I>"
std::string TrigModeCommand(int item);                        // ":PULS0:EXT:MOD <w>"
std::string TrigEdgeCommand(int item);                        // ":PULS0:EXT:EDG <w>"
std::string GatePolarityCommand(int item);                    // ":PULS0:EXT:POL <w>"
std::string TrigThresholdCommand(double volts);               // ":PULS0:EXT:LEV <F2>"
std::string DebounceCommand(int item);                        // ":PULS0:EXT:DEB <w>"
std::string CounterEnableCommand(bool on);                    // ":PULS0:COUN:STAT 1|0"
std::string CounterClearCommand();                            // ":PULS0:COUN:CL 1"
std::string CounterSourceCommand(int item);                   // ":PULS0:COUN:SOUR <w>"
std::string InputClockCommand(int item);                      // ":PULS0:ICL <w>"
std::string OutputClockCommand(int item);                     // ":PULS0:OCL <w>"
std::string AutoStartCommand(bool on);                        // ":SYST:AUT 1|0"

// ---- Storage, configuration and service ------------------------------------
std::string SaveBinCommand(int bin);                          // "*SAV <b>"
std::string RecallBinCommand(int bin);                        // "*RCL <b>"
std::string ConfigSetCommand(int block, std::string_view fields);  // "*CFG <k> <fields>"
std::string UnlockCommand();                                  // ":SYST:SEC 73952"
std::string StoreCalsCommand(bool withZero);                  // "*SAVC" / "*SAVC 0"
std::string SerialNumberCommand(double serial);               // "*SER <I>"
std::string ModelCommand(int item);                           // "*BAD <m>"
std::string CalDelayCommand(int n, double v);                 // ":PULS<n>:CAL:DEL <I>"
std::string CalWidthCommand(int n, double v);                 // ":PULS<n>:CAL:WID <I>"
std::string CalGainCommand(int n, double v);                  // ":PULS<n>:CAL:GAIN <G(round)>"
std::string CalOffsetCommand(int n, double v);                // ":PULS<n>:CAL:OFF <G(round)>"
std::string CalExtGainCommand(double v);                      // ":PULS0:CAL:EXT:GAIN <G>"
std::string CalExtOffsetCommand(double v);                    // ":PULS0:CAL:EXT:OFF <G>"

// ---- Query headers (the query routine appends "?") -------------------------
inline constexpr const char* kIdentityQuery = "*IDN";
inline constexpr const char* kStatusQuery = "*SS";
inline constexpr const char* kErrorQuery = "*ERS";
inline constexpr const char* kShotCountQuery = ":PULS0:COUN:COUN";
inline constexpr const char* kCounterStateQuery = ":PULS0:COUN:STAT";
inline constexpr const char* kCounterSourceQuery = ":PULS0:COUN:SOUR";
inline constexpr const char* kInputClockQuery = ":PULS0:ICL";
inline constexpr const char* kOutputClockQuery = ":PULS0:OCL";
inline constexpr const char* kAutoStartQuery = ":SYST:AUT";
inline constexpr const char* kSecurityQuery = ":SYST:SEC";
inline constexpr const char* kSerialQuery = "*SER";
inline constexpr const char* kModelQuery = "*BAD";
inline constexpr const char* kCalExtGainQuery = ":PULS0:CAL:EXT:GAIN";
inline constexpr const char* kCalExtOffsetQuery = ":PULS0:CAL:EXT:OFF";
// Configuration block: 0 system, 90 trigger/gate, 1..8 channels. "*CFG? <k>".
inline constexpr int kSystemBlock = 0;
inline constexpr int kTrigGateBlock = 90;
std::string ConfigQuery(int block);
std::string CalDelayQuery(int n);   // ":PULS<n>:CAL:DEL"
std::string CalWidthQuery(int n);   // ":PULS<n>:CAL:WID"
std::string CalGainQuery(int n);    // ":PULS<n>:CAL:GAIN"
std::string CalOffsetQuery(int n);  // ":PULS<n>:CAL:OFF"

}  // namespace vm
