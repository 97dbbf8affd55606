#pragma once
// Calibration of the instrument as the service window keeps it: per-channel
// delay/width/amplitude constants; the readback order, the lines recorded for
// a calibration file, and the rules of the edit handlers.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

struct TChannelCal {
  int32_t WidthCal = 0;
  int32_t DelayCal = 0;
  double AmpGainCal = 0;
  double AmpOffCal = 0;
};

struct TCalibration {
  std::array<TChannelCal, 9> Channel{};  // indexed 1..8, element 0 unused
};

// One query of the calibration readback, in the order it is asked.
enum class CalItem { Serial, Badge, ExtGain, ExtOffset, Width, Delay, Gain, Offset };
struct CalStep {
  CalItem item;
  int channel;         // 1..8 for the per-channel items, 0 otherwise
  std::string header;  // the query header (without "?")
};
std::vector<CalStep> CalReadbackSteps(int channelCount);

// The line recorded in the calibration list for a step after its value was
// stored: a command that sets that value again.
std::string CalLine(const CalStep &step, double value);

// The five comment lines that open the list.
std::vector<std::string> CalHeaderLines(std::string_view date, std::string_view time,
                                        std::string_view caption, int32_t serialBefore,
                                        std::string_view firmware, std::string_view fpga);

// Whole number nearest to v, halves to the even neighbour.
double RoundHalfEven(double v);

// A delay calibration moved to newDelay drags the width calibration along by
// the same amount, kept within the width control's limits.
int32_t WidthAfterDelayChange(int32_t width, int32_t oldDelay, int32_t newDelay, double widthMin,
                              double widthMax);

// The serial number typed by the user: an optional sign and decimal digits,
// in the signed 32-bit range. nullopt for anything else (blanks included).
std::optional<int32_t> ParseSerialNumber(std::string_view text);

// The channels/model choice.
struct ModelChoice {
  int channelCount;
  int32_t badge;
};
inline constexpr int kModelItems = 4;
std::optional<ModelChoice> ModelForItem(int item);  // 0..3, else nullopt
int ItemForModel(std::string_view model);           // -1 for a model not offered

inline constexpr const char *kServiceCode = "73952";
inline constexpr const char *kCalSaveDialogTitle = "Save calibration parameters";
inline constexpr const char *kInitializingSystemCals = "Initializing System Cals";
std::string InitializingChannelCals(int n);  // "Initializing Ch <n> Cals"

}  // namespace vm
