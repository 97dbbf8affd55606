#include "serial/core/PortList.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace vm::serial {

namespace {

std::optional<long long> ParseIndex(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  long long v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// Driver families and the first port number of each one's block.
struct Family {
  const char *prefix;
  int base;
};
constexpr Family kFamilies[] = {
    {"ttyS", 1},       // on-board and PCI UARTs (8250/16550)
    {"ttyUSB", 101},   // USB serial converters (FTDI-style, CP210x, PL2303, CH34x)
    {"ttyACM", 201},   // USB CDC-ACM devices
    {"ttyAMA", 301},   // ARM PL011 UARTs
    {"ttymxc", 401},   // i.MX UARTs
    {"ttySC", 501},    // SPI/I2C UART bridges
    {"ttyTHS", 601},   // Tegra high-speed UARTs
    {"rfcomm", 701},   // Bluetooth serial links
};
constexpr int kBlock = 100;

std::string ReadFirstLine(const fs::path &p) {
  std::ifstream in(p);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}

}  // namespace

std::optional<int> ParseComPortNumber(std::string_view name) {
  if (name.size() < 4 || name.substr(0, 3) != "COM") return std::nullopt;
  auto v = ParseIndex(name.substr(3));
  if (!v || *v < 1 || *v > INT_MAX) return std::nullopt;
  return static_cast<int>(*v);
}

std::vector<int> ListPortDir(const std::string &dir) {
  std::vector<int> out;
  std::error_code ec;
  if (dir.empty()) return out;
  fs::directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    auto n = ParseComPortNumber(it->path().filename().string());
    if (n) out.push_back(*n);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::optional<int> PortNumberForTty(std::string_view ttyName) {
  for (const Family &f : kFamilies) {
    std::string_view p(f.prefix);
    if (ttyName.size() <= p.size() || ttyName.substr(0, p.size()) != p) continue;
    auto idx = ParseIndex(ttyName.substr(p.size()));
    if (!idx) continue;  // e.g. "ttySC0" is not ttyS with index "C0"
    if (*idx >= kBlock) return std::nullopt;
    return f.base + static_cast<int>(*idx);
  }
  return std::nullopt;
}

std::optional<std::string> TtyForPortNumber(int n) {
  for (const Family &f : kFamilies)
    if (n >= f.base && n < f.base + kBlock) return std::string(f.prefix) + std::to_string(n - f.base);
  return std::nullopt;
}

std::vector<MachinePort> ListMachinePorts(const std::string &sysClassTty) {
  std::vector<MachinePort> out;
  const fs::path root(sysClassTty);

  std::vector<std::string> consoles;
  {
    std::istringstream words(ReadFirstLine(root / "console" / "active"));
    std::string w;
    while (words >> w) consoles.push_back(w);
  }

  std::error_code ec;
  fs::directory_iterator it(root, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    auto n = PortNumberForTty(name);
    if (!n) continue;
    if (std::find(consoles.begin(), consoles.end(), name) != consoles.end()) continue;
    // Without a device link there is no hardware (or driver) behind the node.
    std::error_code e2;
    if (!fs::exists(it->path() / "device", e2)) continue;
    // The serial core reports the UART type; 0 means no UART answered at the
    // probed address (the 8250 driver registers such ports all the same).
    const std::string type = ReadFirstLine(it->path() / "type");
    if (!type.empty() && type == "0") continue;
    out.push_back({*n, name});
  }
  std::sort(out.begin(), out.end(),
            [](const MachinePort &a, const MachinePort &b) { return a.number < b.number; });
  return out;
}

std::string OpenFailureAdvice(int err, const std::string &device, const std::string &group) {
  switch (err) {
    case EACCES:
    case EPERM: {
      const std::string g = group.empty() || group == "root" ? "dialout" : group;
      return "Your user account may not use " + device + ". Add it to the group that owns the device (" + g +
             "), for example with \"sudo usermod -aG " + g + " $USER\", then log out and in again.";
    }
    case EBUSY:
    case EWOULDBLOCK:
      return "Another program is using " + device + ". Close it and try again.";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "The device " + device + " is not there. Check that the instrument's cable or adapter is plugged in.";
    default:
      return {};
  }
}

}  // namespace vm::serial
