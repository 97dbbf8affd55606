#include "service/core/Calibration.h"

#include <cmath>

#include "base/core/Numbers.h"
#include "main/core/CommandSet.h"

namespace vm {

std::vector<CalStep> CalReadbackSteps(int channelCount) {
  std::vector<CalStep> steps = {
      {CalItem::Serial, 0, kSerialQuery},
      {CalItem::Badge, 0, kModelQuery},
      {CalItem::ExtGain, 0, kCalExtGainQuery},
      {CalItem::ExtOffset, 0, kCalExtOffsetQuery},
  };
  for (int n = 1; n <= channelCount && n <= 8; ++n) {
    steps.push_back({CalItem::Width, n, CalWidthQuery(n)});
    steps.push_back({CalItem::Delay, n, CalDelayQuery(n)});
    steps.push_back({CalItem::Gain, n, CalGainQuery(n)});
    steps.push_back({CalItem::Offset, n, CalOffsetQuery(n)});
  }
  return steps;
}

std::string CalLine(const CalStep &step, double value) {
  switch (step.item) {
    case CalItem::Serial:
    case CalItem::Badge:
    case CalItem::Width:
    case CalItem::Delay:
      return step.header + " " + FormatI(value);
    case CalItem::ExtGain:
    case CalItem::ExtOffset:
    case CalItem::Gain:
    case CalItem::Offset:
      return step.header + " " + FormatG(value);
  }
  return {};
}

std::vector<std::string> CalHeaderLines(std::string_view date, std::string_view time,
                                        std::string_view caption, int32_t serialBefore,
                                        std::string_view firmware, std::string_view fpga) {
  return {
      "// " + std::string(date) + "," + std::string(time),
      "// " + std::string(caption),
      "// Serial Number: " + std::to_string(serialBefore),
      "// Firmware Version: " + std::string(firmware),
      "// FPGA Version: " + std::string(fpga),
  };
}

double RoundHalfEven(double v) {
  if (!std::isfinite(v)) return 0;
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

int32_t WidthAfterDelayChange(int32_t width, int32_t oldDelay, int32_t newDelay, double widthMin,
                              double widthMax) {
  const int64_t moved = int64_t(width) + (int64_t(newDelay) - int64_t(oldDelay));
  const double hi = RoundHalfEven(widthMax), lo = RoundHalfEven(widthMin);
  if (double(moved) > widthMax) return int32_t(hi);
  if (double(moved) < widthMin) return int32_t(lo);
  return int32_t(moved);
}

std::optional<int32_t> ParseSerialNumber(std::string_view text) {
  // Decimal digits after an optional sign, nothing else: the general integer
  // reader would also take "$1F" after the sign, and the instrument would
  // get a number the user never typed.
  const std::string_view digits = !text.empty() && (text.front() == '-' || text.front() == '+')
                                      ? text.substr(1)
                                      : text;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return ParseInt32(text);
}

std::optional<ModelChoice> ModelForItem(int item) {
  static constexpr ModelChoice kChoices[kModelItems] = {{4, 5204}, {4, 3204}, {8, 5208}, {8, 3208}};
  if (item < 0 || item >= kModelItems) return std::nullopt;
  return kChoices[item];
}

int ItemForModel(std::string_view model) {
  for (int i = 0; i < kModelItems; ++i)
    if (model == std::to_string(ModelForItem(i)->badge)) return i;
  return -1;
}

std::string InitializingChannelCals(int n) { return "Initializing Ch " + std::to_string(n) + " Cals"; }

}  // namespace vm
