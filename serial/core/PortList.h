#pragma once
// Which serial ports this machine has and which device each "COM<n>" means.
//
// Two sources:
//  - a port directory (VM5200_PORT_DIR): its entries COM<n> (usually symlinks
//    to device nodes such as a pseudo-terminal) are the whole list;
//  - the machine's tty class in sysfs: every serial device of a known driver
//    family gets a fixed number by family and index (ttyS0 is COM1, ttyUSB0
//    COM101, ttyACM0 COM201, ...), so a device keeps its number across runs
//    and however many other ports come and go. Ports with no hardware behind
//    them and the active system console are left out.
// docs/serial.md describes both for users.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vm::serial {

// "COM<n>" with n written in decimal without leading zeros, 1 <= n <= INT32_MAX.
// Every digit counts: "COM123" is 123.
std::optional<int> ParseComPortNumber(std::string_view name);

// Port numbers of the COM<n> entries of `dir`, ascending. Other entries are
// ignored; a missing directory gives an empty list.
std::vector<int> ListPortDir(const std::string &dir);

// The fixed numbering of the machine's ports: tty name <-> port number.
// nullopt for names outside the known families or indexes beyond a family's
// block of 100 numbers.
std::optional<int> PortNumberForTty(std::string_view ttyName);
std::optional<std::string> TtyForPortNumber(int n);

struct MachinePort {
  int number;
  std::string tty;  // e.g. "ttyUSB0"; the device is /dev/<tty>
};

// The usable serial ports listed under `sysClassTty` (normally
// "/sys/class/tty"), ascending by number: known families only, a device
// behind each, no UART whose type is unknown (0), none of the consoles named
// in <sysClassTty>/console/active.
std::vector<MachinePort> ListMachinePorts(const std::string &sysClassTty);

// Extra text for a failed open: what the user can do about error `err`
// (errno) on `device`, owned by group `group` (may be empty). Empty when
// there is nothing useful to add.
std::string OpenFailureAdvice(int err, const std::string &device, const std::string &group);

}  // namespace vm::serial
