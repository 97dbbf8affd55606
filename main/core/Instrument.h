#pragma once
// What the initialisation decides from the instrument's identity and
// replies: channel count, operating limits, the resolution grid, the caption
// and labels, and the replayable record of the configuration.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/core/Identity.h"

namespace vm {

// Channel count of a model number (exact comparison); unknown models have 4.
int ChannelCountForModel(std::string_view modelNumber);
// IsKnownModel (the model numbers the table knows) comes from link/core/Identity.h.

// Operating limits, applied to the numeric controls after every readback.
// A limit marked "unchanged" in the window's description keeps its
// design-time value and is not listed here.
struct OperatingLimits {
  double PeriodResolution = 5e-9;
  int PeriodDecimals = 9;
  double PeriodMin = 5e-8;
  double PeriodMax = 5000;
  uint32_t SysBurstMax = 4000000000u;
  uint32_t SysDutyMax = 4000000000u;
  int32_t SysCycleMax = 10000000;
  double DelayResolution = 2.5e-10;
  int DelayDecimals = 12;
  double DelayMin = 0;
  double DelayMax = 2000;
  double WidthResolution = 2.5e-10;
  int WidthDecimals = 12;
  double WidthMin = 1e-8;
  double WidthMax = 2000;
  int32_t ChBurstMax = 10000000;
  int32_t ChDutyMax = 10000000;
  int32_t ChWaitMax = 10000000;
};

// Whether `value` lies on the grid of `resolution`: its quotient by the
// resolution is within half a hundredth of a whole number. Negative values
// are always accepted.
bool CheckResolution(double value, double resolution);

// InstrumentIdentity (shown in the caption, the information box and the
// record) comes from link/core/Identity.h.

// "Velmora" for the badge "VM", "Unknown" for any other.
std::string CompanyName(std::string_view badge);
// The banner image is shown for our own badge only.
bool ShowsBanner(std::string_view badge);

// company + " Model " + model + "  SW Version: " + version + " ComPort: " +
// port + " Baud: " + baud.
std::string MainCaption(std::string_view badge, std::string_view model,
                        std::string_view fileVersion, std::string_view port, int baud);
// " Model 5204  SW Version: " + version + " ComPort: Demo".
std::string DemoCaption(std::string_view fileVersion);
std::string SerialNumberLabel(int32_t serial);        // "Serial Number: <n>"
std::string FirmwareLabel(std::string_view version);  // "Firmware Ver: <v>"
std::string FpgaLabel(std::string_view version);      // "FPGA Ver: <v>"
// Labels shown in demonstration mode.
inline constexpr const char* kDemoSerialLabel = "Serial Number: 1234";
inline constexpr const char* kDemoFirmwareLabel = "Firmware Ver: 1.00";
inline constexpr const char* kDemoFpgaLabel = "FPGA Ver: 1.25";

inline constexpr const char* kShotCountUnknown = "Count: ----";
inline constexpr const char* kInitializingSystem = "Initializing System";
std::string InitializingChannelText(int n);  // "Initializing Ch <n>"

// Codes of the other initialisation replies; nullopt when the reply is none of
// the listed words (the cache then keeps its value).
std::optional<int> InputClockCode(std::string_view reply);    // "INT","10".."80" -> 0..8
std::optional<int> OutputClockCode(std::string_view reply);   // "T0","10".."80" -> 0..8
std::optional<int> CounterSourceCode(std::string_view reply); // "T0","CHA".."CHH" -> 0..8

// The clock groups exist on models with more than four channels.
inline bool HasClockGroups(int channelCount) { return channelCount > 4; }
// Items removed from lists after the readback (indexes, highest first).
std::vector<int> CounterSourceItemsToRemove(int itemCount, int channelCount);  // index > count
std::vector<int> MuxItemsToRemove(int itemCount, int channelCount);            // index >= count
// "Gate B" / "Sync B" are removed on models with fewer than five channels.
inline bool HasGateBAndSyncB(int channelCount) { return channelCount >= 5; }

// Everything one initialisation records, in the order it is read.
struct InitRecord {
  std::string date;   // the user's short date
  std::string time;   // the user's long time
  bool demo = false;
  std::string caption;
  InstrumentIdentity identity;
  int channelCount = 4;
  std::string systemReply;      // reply to "*CFG? 0"
  std::string trigGateReply;    // reply to "*CFG? 90"
  int32_t autoStart = 0;        // ":SYST:AUT" as read
  std::string inputClockReply;  // 8-channel models only
  std::string outputClockReply;
  int32_t counterState = 0;     // ":PULS0:COUN:STAT" as read
  std::string counterSourceReply;
  std::vector<std::string> channelReplies;  // channels 1..channelCount
};

// Single lines of the record.
std::string DateLine(std::string_view date, std::string_view time);  // "// <date>,<time>"
std::string CommentLine(std::string_view text);                      // "// <text>"
std::string AutoStartRecordLine(int32_t value);        // ":SYST:AUT <v>"
std::string InputClockRecordLine(std::string_view r);  // ":PULS0:ICL <reply>", "SYS" for "INT"
std::string OutputClockRecordLine(std::string_view r); // ":PULS0:OCL <reply>"
std::string CounterStateRecordLine(int32_t value);     // ":PULS0:COUN:STAT <v>"
std::string CounterSourceRecordLine(std::string_view r);  // ":PULS0:COUN:SOUR <reply>"

// The whole `SettingsList` after a complete initialisation. In demonstration
// mode only the date line.
std::vector<std::string> BuildSettingsList(const InitRecord& rec);

}  // namespace vm
