#pragma once
// Texts of the Help menu: the About box and the web site chosen by badge.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vm {

// "Velmora" for the badge "VM", "Tarnwick" for "TWK", "Unknown" otherwise
// (exact, case-sensitive). The window caption uses CompanyName instead,
// which knows the maker only.
std::string AboutCompanyName(std::string_view badge);

struct AboutIdentity {
  std::string badge, model;
  int32_t serial = 0;
  std::string firmware, fpga, softwareVersion;
};
// Six lines joined by CR LF, no line end after the last.
std::string AboutText(const AboutIdentity &id);

// The address "Web Site" opens for a badge; nullopt for any other badge.
std::optional<std::string> WebSiteFor(std::string_view badge, const std::string &makerUrl,
                                      const std::string &partnerUrl);

}  // namespace vm
