// Command-line options of VM5200_SIM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/engine/Instrument.h"
#include "sim/engine/Session.h"

namespace vmsim {

struct Options {
  std::string portDir;  // folder that receives the COM<n> link ("" = no link)
  int port = -1;
  InstrumentConfig instrument;
  FaultConfig faults;
  int64_t replyDelayMs = 0;
  double closeAfterS = -1;  // < 0: never
  std::string transcript;
  std::string dumpState;
  std::vector<std::string> presets;  // --set lines, in order
  bool help = false;
};

// Parses argv[1..]; on failure returns false with a message in error.
bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);
// Applies the --set lines to a freshly made instrument, in order. A line that
// is a query or that the instrument refuses stops with a message in error:
// a preset that did not take would make a test compare against the wrong
// values.
bool ApplyPresets(Instrument& instrument, const std::vector<std::string>& lines, int64_t nowNs,
                  std::string& error);
// The --help text.
const char* Usage();
// Rates the simulator can be set to (the standard termios rates).
bool IsSupportedBaud(int baud);

}  // namespace vmsim
