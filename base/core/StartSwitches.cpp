#include "base/core/StartSwitches.h"

#include <cctype>

namespace vm {

bool HasSwitch(const std::vector<std::string> &args, std::string_view name) {
  for (const auto &a : args) {
    if (a.size() != name.size() + 1 || (a[0] != '-' && a[0] != '/')) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower((unsigned char)a[i + 1]) == std::tolower((unsigned char)name[i]);
    if (same) return true;
  }
  return false;
}

StartSwitches ParseStartSwitches(const std::vector<std::string> &args) {
  StartSwitches s;
  s.log = HasSwitch(args, "log");
  s.pick = HasSwitch(args, "pick");
  s.demo = HasSwitch(args, "demo");
  return s;
}

}  // namespace vm
