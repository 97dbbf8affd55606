#include "sim/engine/SimText.h"

#include <charconv>
#include <cmath>

namespace vmsim {

bool ParseInteger(std::string_view text, int64_t& out) {
  if (text.empty()) return false;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 19) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (!negative && value > static_cast<uint64_t>(INT64_MAX)) return false;
  if (negative && value > static_cast<uint64_t>(INT64_MAX) + 1) return false;
  out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
  return true;
}

bool ParseReal(std::string_view text, double& out) {
  if (text.empty() || text.size() > 64) return false;
  if (text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  // from_chars would also take "inf", "nan" and "1e"; demand digits only.
  for (char c : text) {
    const bool ok = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!ok) return false;
  }
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return false;
  out = value == 0 ? 0.0 : value;
  return true;
}

std::string FormatReal(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";
  char buf[400];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buf, ptr);
}

std::string ToUpper(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

std::string Escape(std::string_view bytes) {
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      s += "\\\\";
    } else if (c >= 32 && c < 127) {
      s += ch;
    } else {
      s += "\\x";
      s += hex[c >> 4];
      s += hex[c & 15];
    }
  }
  return s;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  auto hexval = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' && hexval(text[i + 2]) >= 0 && hexval(text[i + 3]) >= 0) {
      out += static_cast<char>(hexval(text[i + 2]) * 16 + hexval(text[i + 3]));
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace vmsim
