#include "main/core/Instrument.h"

#include <cmath>

#include "main/core/CommandSet.h"
#include "main/core/Readback.h"

namespace vm {

namespace {

constexpr const char* kEightChannelModels[] = {"5208", "5218", "3208", "3218"};

// Nearest multiple of 1e-13, halves away from zero.
double RoundTo13(double x) { return std::round(x * 1e13) / 1e13; }
double RoundTo2(double x) { return std::round(x * 100.0) / 100.0; }

std::vector<int> Descending(int from, int downTo) {
  std::vector<int> out;
  for (int i = from; i >= downTo; --i) out.push_back(i);
  return out;
}

}  // namespace

int ChannelCountForModel(std::string_view model) {
  for (const char* m : kEightChannelModels)
    if (model == m) return 8;
  return 4;
}

bool CheckResolution(double value, double resolution) {
  const double v = RoundTo13(value);
  const double r = RoundTo13(resolution);
  if (std::fabs(v - r) <= 9e-13) return true;
  const double q = v / r;
  double f = RoundTo2(q - std::trunc(q));
  if (f >= 1) f = 0;
  return !(f > 9e-13);
}

std::string CompanyName(std::string_view badge) { return badge == "VM" ? "Velmora" : "Unknown"; }
bool ShowsBanner(std::string_view badge) { return badge == "VM"; }

std::string MainCaption(std::string_view badge, std::string_view model,
                        std::string_view fileVersion, std::string_view port, int baud) {
  return CompanyName(badge) + " Model " + std::string(model) + "  SW Version: " +
         std::string(fileVersion) + " ComPort: " + std::string(port) + " Baud: " +
         std::to_string(baud);
}

std::string DemoCaption(std::string_view fileVersion) {
  return " Model 5204  SW Version: " + std::string(fileVersion) + " ComPort: Demo";
}

std::string SerialNumberLabel(int32_t serial) { return "Serial Number: " + std::to_string(serial); }
std::string FirmwareLabel(std::string_view v) { return "Firmware Ver: " + std::string(v); }
std::string FpgaLabel(std::string_view v) { return "FPGA Ver: " + std::string(v); }
std::string InitializingChannelText(int n) { return "Initializing Ch " + std::to_string(n); }

std::optional<int> InputClockCode(std::string_view reply) {
  const int i = IndexOfWord(kInputClockReplyWords, reply);
  return i >= 0 ? std::optional<int>(i) : std::nullopt;
}
std::optional<int> OutputClockCode(std::string_view reply) {
  const int i = IndexOfWord(kOutputClockWords, reply);
  return i >= 0 ? std::optional<int>(i) : std::nullopt;
}
std::optional<int> CounterSourceCode(std::string_view reply) {
  const int i = IndexOfWord(kCounterSourceWords, reply);
  return i >= 0 ? std::optional<int>(i) : std::nullopt;
}

std::vector<int> CounterSourceItemsToRemove(int itemCount, int channelCount) {
  return Descending(itemCount - 1, channelCount + 1);
}
std::vector<int> MuxItemsToRemove(int itemCount, int channelCount) {
  return Descending(itemCount - 1, channelCount);
}

std::string DateLine(std::string_view date, std::string_view time) {
  return "// " + std::string(date) + "," + std::string(time);
}
std::string CommentLine(std::string_view text) { return "// " + std::string(text); }
std::string AutoStartRecordLine(int32_t v) { return ":SYST:AUT " + std::to_string(v); }
std::string InputClockRecordLine(std::string_view r) {
  // The query calls the internal oscillator "INT", the command only knows
  // "SYS": the record must be a command the instrument takes back.
  if (r == kInputClockReplyWords[0]) return InputClockCommand(0);
  return ":PULS0:ICL " + std::string(r);
}
std::string OutputClockRecordLine(std::string_view r) { return ":PULS0:OCL " + std::string(r); }
std::string CounterStateRecordLine(int32_t v) { return ":PULS0:COUN:STAT " + std::to_string(v); }
std::string CounterSourceRecordLine(std::string_view r) {
  return ":PULS0:COUN:SOUR " + std::string(r);
}

std::vector<std::string> BuildSettingsList(const InitRecord& rec) {
  std::vector<std::string> out{DateLine(rec.date, rec.time)};
  if (rec.demo) return out;
  out.push_back(CommentLine(rec.caption));
  out.push_back(CommentLine(SerialNumberLabel(rec.identity.SerialNumber)));
  out.push_back(CommentLine(FirmwareLabel(rec.identity.FirmwareVersion)));
  out.push_back(CommentLine(FpgaLabel(rec.identity.FpgaVersion)));
  out.push_back(ConfigRecordLine(kSystemBlock, rec.systemReply));
  out.push_back(ConfigRecordLine(kTrigGateBlock, rec.trigGateReply));
  out.push_back(AutoStartRecordLine(rec.autoStart));
  if (HasClockGroups(rec.channelCount)) {
    out.push_back(InputClockRecordLine(rec.inputClockReply));
    out.push_back(OutputClockRecordLine(rec.outputClockReply));
  }
  out.push_back(CounterStateRecordLine(rec.counterState));
  out.push_back(CounterSourceRecordLine(rec.counterSourceReply));
  for (size_t i = 0; i < rec.channelReplies.size() && int(i) < rec.channelCount; ++i)
    out.push_back(ConfigRecordLine(int(i) + 1, rec.channelReplies[i]));
  return out;
}

}  // namespace vm
