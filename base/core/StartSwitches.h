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
};

StartSwitches ParseStartSwitches(const std::vector<std::string> &args);

}  // namespace vm
