#include "main/core/ChannelControls.h"

namespace vm {

std::string ChannelComponentName(std::string_view base, int n) {
  return std::string(base) + std::to_string(n);
}

std::string CopiedComponentName(std::string_view channel1Name, int n) {
  std::string_view stem = channel1Name;
  if (!stem.empty() && stem.back() == '1') stem.remove_suffix(1);
  return std::string(stem) + std::to_string(n);
}

std::string ChannelPageName(int n) { return "TabCh" + std::to_string(n); }
std::string ChannelPageCaption(int n) { return "Ch " + std::to_string(n); }

}  // namespace vm
