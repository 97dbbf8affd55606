#pragma once
// What the instrument scan could not look at: ports the system refused to
// open for this user, and ports another program holds. Told to the user as
// the detailed text of the "No device found" box, since a scan that skips
// every port quietly looks exactly like an instrument that is switched off.
#include <string>
#include <vector>

namespace vm {

struct RefusedPort {
  int port = 0;        // the n of "COM<n>"
  std::string device;  // e.g. "/dev/ttyUSB0"
  int err = 0;         // errno of the failed open
  int owner = 0;       // process id of the program holding it, when known
  std::string group;   // group owning the device, when known
};

// Open failures worth telling: no permission, or held by another program.
bool IsReportedRefusal(int err);

// The group owning `device` ("" when it cannot be found out).
std::string DeviceGroup(const std::string &device);

// The detailed text for the refusals (empty when there are none).
std::string RefusalDetail(const std::vector<RefusedPort> &refused);

}  // namespace vm
