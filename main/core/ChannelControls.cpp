#include "main/core/ChannelControls.h"

namespace vm {

std::string ChannelComponentName(std::string_view base, int n) {
  return std::string(base) + std::to_string(n);
}

}  // namespace vm
