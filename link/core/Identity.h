#pragma once
// The instrument's identity reply and the fixed lists the scan works from.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vm {

struct InstrumentIdentity {
  std::string CompanyBadge;
  std::string ModelNumber;
  int32_t SerialNumber = 0;
  std::string FirmwareVersion;
  std::string FpgaVersion;
};

// Models the program knows how to drive, compared as whole, case-sensitive text.
inline constexpr std::array<std::string_view, 8> KnownModels = {
    "5204", "3204", "5214", "3214", "5208", "3208", "5218", "3218"};

// Baud rates of the scan, fastest first.
inline constexpr std::array<int, 6> ScanBaudRates = {115200, 57600, 38400, 19200, 9600, 4800};

bool IsKnownModel(std::string_view model);

// Reads "badge,model,serial,firmware-fpga" (already stripped of trailing
// blanks and control characters) into `id`.
// - 10 characters or fewer count as no reply: every field is cleared.
// - A missing separator gives an empty field and leaves the rest whole.
// - A serial field that is not a whole number ends the parse there: badge and
//   model take their new values, serial and versions keep the old ones.
void ParseIdentityReply(std::string_view reply, InstrumentIdentity &id);

}  // namespace vm
