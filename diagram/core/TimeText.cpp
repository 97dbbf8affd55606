#include "diagram/core/TimeText.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "base/core/Numbers.h"
#include "controls/core/SpinModel.h"

namespace vm {

namespace {

struct Unit {
  const char* symbol;
  int exponent;
};
constexpr Unit kUnits[] = {{"s", 0}, {"ms", -3}, {"\xC2\xB5s", -6}, {"ns", -9}};

// The value printed in the first unit (largest first) where it reads at
// least 1; ns for anything smaller. `decimals` gives the digits per unit.
std::string Print(double seconds, const std::function<int(int exponent)>& decimals) {
  for (const Unit& u : kUnits) {
    const std::string digits = FormatFixed(seconds * std::pow(10.0, -u.exponent), decimals(u.exponent));
    const std::string magnitude = digits[0] == '-' ? digits.substr(1) : digits;
    if (u.exponent == -9 || magnitude.find_first_not_of("0.") < magnitude.find('.') ||
        (magnitude.find('.') == std::string::npos && magnitude != "0"))
      return digits + " " + u.symbol;
  }
  return "";
}

}  // namespace

std::string FormatTimeDigits(double seconds, int decimalsInSeconds) {
  return Print(seconds, [&](int e) { return std::max(0, decimalsInSeconds + e); });
}

std::string FormatTimeShort(double seconds) {
  std::string s = Print(seconds, [](int) { return 3; });
  const size_t blank = s.find(' ');
  std::string number = s.substr(0, blank);
  if (number.find('.') != std::string::npos) {
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.') number.pop_back();
  }
  if (number == "-0") number = "0";
  return number + s.substr(blank);
}

std::optional<double> ParseTimeText(std::string_view text) {
  std::string t;
  for (char c : text)
    if (c != ' ' && c != ',') t += c;
  const size_t unitAt = t.find_first_not_of("-.0123456789");
  const std::string unit = unitAt == std::string::npos ? "" : t.substr(unitAt);
  const std::string number = t.substr(0, unitAt);
  // Dividing by the exact power of ten keeps "100 ns" the double nearest
  // 1e-7, which multiplying by 1e-9 does not.
  double per = 0;
  if (unit.empty() || unit == "s") per = 1;
  else if (unit == "ms") per = 1e3;
  else if (unit == "us" || unit == "\xC2\xB5s") per = 1e6;
  else if (unit == "ns") per = 1e9;
  else if (unit == "ps") per = 1e12;
  if (per == 0 || number.empty() || number == "-") return std::nullopt;
  const std::optional<double> v = SpinModel::StrToFloatBase(ToU16(number), 10);
  if (!v) return std::nullopt;
  return *v / per;
}

}  // namespace vm
