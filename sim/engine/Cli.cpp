#include "sim/engine/Cli.h"

#include "sim/engine/SimText.h"

namespace vmsim {

const char* Usage() {
  return "Usage: VM5200_SIM [options]\n"
         "Simulated pulse generator on a pseudo-terminal.\n"
         "  --port-dir DIR        folder in which the link COM<N> is created\n"
         "  --port N              port number of the link (COM<N>)\n"
         "  --baud B              the rate it answers at (default 115200)\n"
         "  --model M             model number (default 5204; 5208/5218/3208/3218 have 8 channels)\n"
         "  --badge B             maker's initials in the identity (default VM)\n"
         "  --serial S            serial number (default 1234)\n"
         "  --firmware F          firmware version (default 1.00)\n"
         "  --fpga F              FPGA version (default 1.25)\n"
         "  --adjustable          outputs with adjustable amplitude (status bit 1)\n"
         "  --error N             error code answered to *ERS? (default 0)\n"
         "  --unlocked            service functions unlocked from the start\n"
         "  --silent              never answer\n"
         "  --silent-after N      stop answering after N lines\n"
         "  --idn-only-second     answer *IDN? only at every second attempt\n"
         "  --reply-delay-ms D    send every reply D ms after its line arrived\n"
         "  --garbage-after N     answer ?!GARBAGE!? to every line after the first N\n"
         "  --close-after S       close the pseudo-terminal, remove the link and end after S seconds\n"
         "  --transcript FILE     record every line received and sent\n"
         "  --dump-state FILE     write the state on SIGUSR1 and at exit\n"
         "  --set LINE            apply the command LINE at start, the service lock aside\n"
         "                        (repeatable, in order; e.g. --set ':PULS2:CAL:DEL 40')\n"
         "  --help                this text\n";
}

bool IsSupportedBaud(int baud) {
  static const int rates[] = {50,     75,     110,    134,    150,    200,    300,     600,     1200,
                              1800,   2400,   4800,   9600,   19200,  38400,  57600,   115200,  230400,
                              460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000};
  for (int r : rates)
    if (r == baud) return true;
  return false;
}

bool ApplyPresets(Instrument& instrument, const std::vector<std::string>& lines, int64_t nowNs,
                  std::string& error) {
  for (const std::string& line : lines) {
    if (line.find('?') != std::string::npos) {
      error = "--set " + line + ": a query, not a command";
      return false;
    }
    const std::string reply = instrument.Preset(line, nowNs);
    if (reply.rfind("ERR", 0) == 0) {
      error = "--set " + line + ": refused (" + reply + ")";
      return false;
    }
  }
  return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  auto value = [&](size_t& i, std::string& v) {
    if (i + 1 >= args.size()) {
      error = args[i] + " needs a value";
      return false;
    }
    v = args[++i];
    return true;
  };
  auto integer = [&](size_t& i, int64_t lo, int64_t hi, int64_t& v) {
    std::string t;
    if (!value(i, t)) return false;
    if (!ParseInteger(t, v) || v < lo || v > hi) {
      error = args[i - 1] + ": not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + ": " + t;
      return false;
    }
    return true;
  };
  auto plainText = [&](size_t& i, std::string& v, const char* forbidden) {
    if (!value(i, v)) return false;
    if (v.empty() || v.find_first_of(forbidden) != std::string::npos) {
      error = args[i - 1] + ": must not be empty or hold any of \"" + std::string(forbidden) + "\"";
      return false;
    }
    for (char c : v)
      if (static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127) {
        error = args[i - 1] + ": printable ASCII without blanks only";
        return false;
      }
    return true;
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    int64_t n = 0;
    std::string t;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--port-dir") {
      if (!value(i, o.portDir)) return false;
    } else if (a == "--port") {
      if (!integer(i, 0, 9999, n)) return false;
      o.port = static_cast<int>(n);
    } else if (a == "--baud") {
      if (!integer(i, 1, 4000000, n)) return false;
      if (!IsSupportedBaud(static_cast<int>(n))) {
        error = "--baud: not a standard rate: " + args[i];
        return false;
      }
      o.faults.baud = static_cast<int>(n);
    } else if (a == "--model") {
      if (!plainText(i, o.instrument.identity.model, ",")) return false;
    } else if (a == "--badge") {
      if (!plainText(i, o.instrument.identity.badge, ",")) return false;
    } else if (a == "--serial") {
      if (!integer(i, 0, INT32_MAX, o.instrument.identity.serial)) return false;
    } else if (a == "--firmware") {
      // The identity reply joins firmware and FPGA versions with a hyphen.
      if (!plainText(i, o.instrument.identity.firmware, ",-")) return false;
    } else if (a == "--fpga") {
      if (!plainText(i, o.instrument.identity.fpga, ",")) return false;
    } else if (a == "--adjustable") {
      o.instrument.adjustable = true;
    } else if (a == "--unlocked") {
      o.instrument.unlocked = true;
    } else if (a == "--error") {
      if (!integer(i, INT32_MIN, INT32_MAX, n)) return false;
      o.instrument.errorCode = static_cast<int>(n);
    } else if (a == "--silent") {
      o.faults.silent = true;
    } else if (a == "--silent-after") {
      if (!integer(i, 0, INT64_MAX, o.faults.silentAfter)) return false;
    } else if (a == "--idn-only-second") {
      o.faults.idnOnlySecond = true;
    } else if (a == "--reply-delay-ms") {
      if (!integer(i, 0, 3600000, o.replyDelayMs)) return false;
    } else if (a == "--garbage-after") {
      if (!integer(i, 0, INT64_MAX, o.faults.garbageAfter)) return false;
    } else if (a == "--close-after") {
      double s;
      if (!value(i, t)) return false;
      if (!ParseReal(t, s) || s < 0 || s > 1e6) {
        error = "--close-after: not a number of seconds: " + t;
        return false;
      }
      o.closeAfterS = s;
    } else if (a == "--transcript") {
      if (!value(i, o.transcript)) return false;
    } else if (a == "--dump-state") {
      if (!value(i, o.dumpState)) return false;
    } else if (a == "--set") {
      if (!value(i, t)) return false;
      o.presets.push_back(t);
    } else {
      error = "unknown option: " + a;
      return false;
    }
  }
  if (!o.portDir.empty() && o.port < 0) {
    error = "--port-dir needs --port N";
    return false;
  }
  if (o.port >= 0 && o.portDir.empty()) {
    error = "--port needs --port-dir DIR";
    return false;
  }
  return true;
}

}  // namespace vmsim
