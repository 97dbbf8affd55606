#include "serial/core/Terminator.h"

#include <optional>

#include "base/core/Numbers.h"

namespace vm::serial {

namespace {
std::optional<char> ByteCode(std::string_view digits) {
  auto v = vm::ParseInt32(digits);
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<char>(static_cast<unsigned char>(*v));
}
}  // namespace

std::string DecodeEndOfResponse(std::string_view text) {
  std::string raw;
  std::string digits;
  bool inCode = false;
  for (char c : text) {
    if (c == '#') {
      if (inCode) {
        auto b = ByteCode(digits);
        if (!b) return std::string(text);
        raw += *b;
        digits.clear();
      }
      inCode = true;
    } else if (inCode) {
      digits += c;
    } else {
      raw += c;
    }
  }
  if (!digits.empty()) {
    auto b = ByteCode(digits);
    if (!b) return std::string(text);
    raw += *b;
  }
  return raw;
}

}  // namespace vm::serial
