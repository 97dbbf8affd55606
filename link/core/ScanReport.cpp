#include "link/core/ScanReport.h"

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace vm {

namespace {

bool IsPermission(int err) { return err == EACCES || err == EPERM; }

}  // namespace

bool IsReportedRefusal(int err) { return IsPermission(err) || err == EBUSY || err == EWOULDBLOCK; }

std::string DeviceGroup(const std::string &device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  if (const group *g = ::getgrgid(st.st_gid)) return g->gr_name;
  return {};
}

std::string RefusalDetail(const std::vector<RefusedPort> &refused) {
  std::string text;
  std::vector<std::string> groups;
  for (const RefusedPort &r : refused) {
    if (!IsReportedRefusal(r.err)) continue;
    text += "COM" + std::to_string(r.port) + " (" + r.device + "): ";
    if (IsPermission(r.err)) {
      text += "permission denied.\n";
      // Devices owned by root say nothing useful; serial ports belong to dialout.
      const std::string g = r.group.empty() || r.group == "root" ? "dialout" : r.group;
      if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
    } else {
      text += "in use by another program";
      if (r.owner > 0) text += " (process " + std::to_string(r.owner) + ")";
      text += ".\n";
    }
  }
  if (text.empty()) return {};
  text = "These ports were not searched:\n" + text;
  for (const std::string &g : groups)
    text += "\nTo use the refused ports, add your user account to the group \"" + g +
            "\", for example with \"sudo usermod -aG " + g + " $USER\", then log out and in again.";
  return text;
}

}  // namespace vm
