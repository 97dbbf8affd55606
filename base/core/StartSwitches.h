#pragma once
// Command-line switches of the program: a word introduced by "-" or "/",
// letters in any case ("-log", "/LOG").
#include <string>
#include <string_view>
#include <vector>

namespace vm {

// True when one of `args` (the program name excluded) is the switch `name`.
bool HasSwitch(const std::vector<std::string> &args, std::string_view name);

struct StartSwitches {
  bool log = false;   // start the communication log before the scan
  bool pick = false;  // choose the port by hand (like Space held)
  bool demo = false;  // run without an instrument (like left Shift held)
  // "-remote" or "-remote=PORT": the remote-control port on the loopback
  // interface. remotePort is 0 when the switch is absent, -1 when its port is
  // not a number from 1 to 65535.
  int remotePort = 0;
};

inline constexpr int kDefaultRemotePort = 5025;

// The port of a "-remote" / "-remote=PORT" switch (any case, "-" or "/"):
// 0 when absent, -1 when the port is not a number from 1 to 65535.
int RemotePortSwitch(const std::vector<std::string> &args);

StartSwitches ParseStartSwitches(const std::vector<std::string> &args);

}  // namespace vm
