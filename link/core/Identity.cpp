#include "link/core/Identity.h"

#include "base/core/Numbers.h"

namespace vm {

bool IsKnownModel(std::string_view model) {
  for (auto m : KnownModels)
    if (m == model) return true;
  return false;
}

// Takes the text before the first `sep` (trailing blanks removed) and leaves
// the text after it in `rest`. Without the separator the field is empty and
// `rest` stays as it was.
static std::string TakeField(std::string_view &rest, char sep) {
  auto pos = rest.find(sep);
  if (pos == std::string_view::npos) return {};
  std::string field = TrimRightControl(rest.substr(0, pos));
  rest.remove_prefix(pos + 1);
  return field;
}

void ParseIdentityReply(std::string_view reply, InstrumentIdentity &id) {
  if (reply.size() < 11) {
    id = InstrumentIdentity{};
    return;
  }
  std::string_view rest = reply;
  id.CompanyBadge = TakeField(rest, ',');
  id.ModelNumber = TakeField(rest, ',');
  auto serial = ParseInt32(TrimControl(TakeField(rest, ',')));
  if (!serial) return;
  id.SerialNumber = *serial;
  id.FirmwareVersion = TakeField(rest, '-');
  id.FpgaVersion = std::string(rest);
}

}  // namespace vm
