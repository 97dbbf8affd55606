#include "base/core/Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vm {

std::string FormatFixed(double v, int decimals) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v < 0 ? "-inf" : "inf");
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return "0";
  std::string s(buf, r.ptr);
  // A negative value that rounds to zero is shown without its sign.
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::optional<double> ParseDouble(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::string_view t = s;
  if (t.front() == '+') t.remove_prefix(1);  // from_chars refuses a plus sign
  if (t.empty() || t.front() == '+' || t.front() == ' ') return std::nullopt;
  // Only plain decimal notation: refuse "inf", "nan" and hexadecimal forms.
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+'))
      return std::nullopt;
  double v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
  return v;
}

template <class T>
static std::optional<T> ParseIntT(std::string_view s) {
  if (s.empty()) return std::nullopt;
  bool neg = false;
  std::string_view t = s;
  if (t.front() == '-' || t.front() == '+') {
    neg = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t.front() == '$') {
    base = 16;
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  uint64_t mag = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), mag, base);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
  using L = std::numeric_limits<T>;
  if (neg) {
    if (mag > uint64_t(L::max()) + 1) return std::nullopt;
    return mag == uint64_t(L::max()) + 1 ? L::min() : T(-static_cast<T>(mag));
  }
  if (mag > uint64_t(L::max())) return std::nullopt;
  return static_cast<T>(mag);
}

std::optional<int32_t> ParseInt32(std::string_view s) { return ParseIntT<int32_t>(s); }
std::optional<int64_t> ParseInt64(std::string_view s) { return ParseIntT<int64_t>(s); }

std::string TrimRightControl(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32) --n;
  return std::string(s.substr(0, n));
}

std::string TrimControl(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= 32) ++b;
  return TrimRightControl(s.substr(b));
}

}  // namespace vm
