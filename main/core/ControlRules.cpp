#include "main/core/ControlRules.h"

#include "main/core/Instrument.h"
#include "main/core/TaskQueue.h"

namespace vm {

TimeEditDecision DecideTimeEdit(double value, double resolution, double stored) {
  if (CheckResolution(value, resolution)) return {true, value};
  return {false, stored};
}

SyncCheck CheckSyncSource(int c, std::string_view sourceText, const TChannelTable& params,
                          int channelCount) {
  return CheckSyncSourceNumber(c, GetChannelNumber(sourceText), params, channelCount);
}

SyncCheck CheckSyncSourceNumber(int c, int s, const TChannelTable& p, int channelCount) {
  if (s == 0) return SyncCheck::Accept;
  // A text outside the channel names, or a channel this model does not have.
  if (s < 0 || s > channelCount || s > kMaxChannels) return SyncCheck::NoSuchChannel;
  if (p[size_t(s)].SyncSource == c) return SyncCheck::MutualSync;
  if (s == c) return SyncCheck::SelfSync;
  if (p[size_t(s)].SyncSource == 0) return SyncCheck::Accept;
  int k = s;
  for (int step = 0; step < channelCount; ++step) {
    if (k > channelCount || k > kMaxChannels || k < 1) k = 1;
    if (p[size_t(k)].SyncSource == c) return SyncCheck::CircularSync;
    k = p[size_t(k)].SyncSource;
    if (k == 0) return SyncCheck::Accept;
  }
  return SyncCheck::Accept;
}

std::string SyncRefusalMessage(SyncCheck result) {
  switch (result) {
    case SyncCheck::MutualSync: return "Error. You cannot sync two channels to each other.";
    case SyncCheck::SelfSync: return "Error. Channel cannot sync to itself.";
    case SyncCheck::CircularSync: return "Error. Circular sync reference.";
    default: return "";
  }
}

SourceSelection SelectionForSource(const std::vector<std::string>& items, int source) {
  return {GetChannelIndex(items, source), GetChSyncName(source)};
}

int32_t MuxMaskFromChecks(const std::array<bool, 8>& checked, int channelCount) {
  int32_t mask = 0;
  for (int k = 0; k < 8; ++k) {
    const bool counted = k < 2 || (k < 4 && channelCount > 2) || channelCount > 4;
    if (counted && checked[size_t(k)]) mask |= int32_t(1) << k;
  }
  return mask;
}

std::optional<CountGroupsEnabling> SystemModesEnableFor(int32_t mode) {
  switch (mode) {
    case 0:
    case 1: return CountGroupsEnabling{false, false};
    case 2: return CountGroupsEnabling{true, false};
    case 3: return CountGroupsEnabling{false, true};
    default: return std::nullopt;
  }
}

std::optional<CountGroupsEnabling> ChModesEnableFor(int32_t mode) {
  // The channel page follows the same table as the system page.
  return SystemModesEnableFor(mode);
}

std::optional<TriggerEnabling> TriggerModesEnableFor(int32_t trigMode) {
  switch (trigMode) {
    case 0: return TriggerEnabling{false, false, false, false};
    case 1: return TriggerEnabling{true, true, false, true};
    case 2:
    case 3: return TriggerEnabling{true, false, true, true};
    default: return std::nullopt;
  }
}

bool GateModesEnableFor(int32_t trigMode) { return trigMode == 3; }

std::optional<bool> AmplitudeEnabledForOutputItem(int item) {
  if (item == 0) return false;
  if (item == 1) return true;
  return std::nullopt;
}

}  // namespace vm
