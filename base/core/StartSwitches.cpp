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

int RemotePortSwitch(const std::vector<std::string> &args) {
  constexpr std::string_view name = "remote";
  int port = 0;
  for (const auto &a : args) {
    if (a.size() < name.size() + 1 || (a[0] != '-' && a[0] != '/')) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower((unsigned char)a[i + 1]) == name[i];
    if (!same) continue;
    const std::string_view rest = std::string_view(a).substr(name.size() + 1);
    if (rest.empty()) {
      port = kDefaultRemotePort;
      continue;
    }
    if (rest[0] != '=') continue;  // another switch ("-remotely")
    const std::string_view digits = rest.substr(1);
    long v = 0;
    bool ok = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
      if (c < '0' || c > '9') ok = false;
      else v = v * 10 + (c - '0');
    }
    port = ok && v >= 1 && v <= 65535 ? int(v) : -1;
  }
  return port;
}

StartSwitches ParseStartSwitches(const std::vector<std::string> &args) {
  StartSwitches s;
  s.log = HasSwitch(args, "log");
  s.pick = HasSwitch(args, "pick");
  s.demo = HasSwitch(args, "demo");
  s.remotePort = RemotePortSwitch(args);
  return s;
}

}  // namespace vm
