#include "main/core/HelpTexts.h"

namespace vm {

std::string AboutCompanyName(std::string_view badge) {
  if (badge == "VM") return "Velmora";
  if (badge == "TWK") return "Tarnwick";
  return "Unknown";
}

std::string AboutText(const AboutIdentity &id) {
  return "Company: " + AboutCompanyName(id.badge) + "\r\nModel Number: " + id.model +
         "\r\nSerial Number: " + std::to_string(id.serial) + "\r\nFirmware Version: " +
         id.firmware + "\r\nFPGA Version: " + id.fpga + "\r\nSoftware Version: " +
         id.softwareVersion;
}

std::optional<std::string> WebSiteFor(std::string_view badge, const std::string &makerUrl,
                                      const std::string &partnerUrl) {
  if (badge == "VM") return makerUrl;
  if (badge == "TWK") return partnerUrl;
  return std::nullopt;
}

}  // namespace vm
