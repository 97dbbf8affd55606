#include "main/core/StatusPoll.h"

#include <cstdio>

namespace vm {

StatusWord DecodeStatusWord(int32_t status) {
  return {(status & 1) != 0, (status & 2) != 0};
}

std::optional<bool> RunStateAfterPoll(bool systemRunning, int32_t status) {
  if (status & 1) return true;
  if (systemRunning) return false;
  return std::nullopt;
}

std::optional<std::string> ErrorCaption(int32_t code) {
  switch (code) {
    case 1: return std::string("Over Current Error");
    case 2: return std::string("Over Temperature Error");
    case 3: return std::string("Fan Failure");
    default: return std::nullopt;
  }
}

std::string ShotCountText(int64_t count) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Count: %10u", static_cast<unsigned>(uint32_t(uint64_t(count))));
  return buf;
}

int32_t ShotCountLow32(int64_t count) { return int32_t(uint32_t(uint64_t(count))); }

}  // namespace vm
