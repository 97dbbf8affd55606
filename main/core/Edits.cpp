#include "main/core/Edits.h"

#include "main/core/CommandSet.h"

namespace vm {

namespace {

template <class Build>
TimeEdit TimeEditOf(double& stored, double value, double resolution, Build build) {
  const TimeEditDecision d = DecideTimeEdit(value, resolution, stored);
  if (!d.accept) return {false, stored, ""};
  stored = value;
  return {true, value, build(value)};
}

// List handlers build the command from the item, then store the item.
template <class Build>
std::string ListEdit(int32_t& field, int item, Build build) {
  std::string c = build(item);
  field = item;
  return c;
}

}  // namespace

// ---- channel page ---------------------------------------------------------------
// The plain settings' edits are ChannelEdit (main/core/ChannelWire.h).

TimeEdit ChDelayEdit(TChannelParameters& p, int n, double value, double resolution) {
  return TimeEditOf(p.Delay, value, resolution,
                    [n](double v) { return ChannelCommand<ChannelSetting::Delay>(n, v); });
}

TimeEdit ChWidthEdit(TChannelParameters& p, int n, double value, double resolution) {
  return TimeEditOf(p.Width, value, resolution,
                    [n](double v) { return ChannelCommand<ChannelSetting::Width>(n, v); });
}

std::string ChMuxEdit(TChannelParameters& p, int n, const std::array<bool, 8>& checked,
                      int channelCount) {
  p.Mux = MuxMaskFromChecks(checked, channelCount);
  return ChannelCommand<ChannelSetting::Mux>(n, p.Mux);
}

std::string ChControlModeEdit(TChannelParameters& p, int n, int item, std::string_view text) {
  std::string c = ChannelCommand<ChannelSetting::ControlMode>(n, text);
  p.ControlMode = item;
  return c;
}

std::string ChPhaseSyncEdit(TChannelParameters& p, int n, int item, std::string_view text) {
  std::string c = ChannelCommand<ChannelSetting::PhaseSync>(n, text);
  p.PhaseSync = item;
  return c;
}

SyncEdit ChSyncSourceEdit(TChannelTable& table, int c, std::string_view text, int channelCount) {
  const int s = GetChannelNumber(text);
  const SyncCheck check = CheckSyncSourceNumber(c, s, table, channelCount);
  if (check != SyncCheck::Accept) return {check, "", SyncRefusalMessage(check)};
  table[size_t(c)].SyncSource = s;
  return {check, ChannelCommand<ChannelSetting::SyncSource>(c, s), ""};
}

// ---- system page ------------------------------------------------------------------
TimeEdit PeriodEdit(TSystemParameters& s, double value, double resolution) {
  return TimeEditOf(s.Period, value, resolution, [](double v) { return PeriodCommand(v); });
}

std::string SystemModeEdit(TSystemParameters& s, int item) {
  return ListEdit(s.Mode, item, [](int i) { return SystemModeCommand(i); });
}

std::string SysBurstEdit(TSystemParameters& s, double value) {
  s.BurstCount = RoundToUInt32(value);
  return SysBurstCommand(s.BurstCount);
}

std::string SysDutyOnEdit(TSystemParameters& s, double value) {
  s.DutyOnCount = RoundToUInt32(value);
  return SysDutyOnCommand(s.DutyOnCount);
}

std::string SysDutyOffEdit(TSystemParameters& s, double value) {
  s.DutyOffCount = RoundToUInt32(value);
  return SysDutyOffCommand(s.DutyOffCount);
}

std::string SysCycleCountEdit(TSystemParameters& s, double value) {
  s.CycleCount = RoundToInt32(value);
  return SysCycleCountCommand(s.CycleCount);
}

std::string TrigModeEdit(TSystemParameters& s, int item) {
  return ListEdit(s.TrigMode, item, [](int i) { return TrigModeCommand(i); });
}

std::string TrigEdgeEdit(TSystemParameters& s, int item) {
  return ListEdit(s.TrigEdge, item, [](int i) { return TrigEdgeCommand(i); });
}

std::string GatePolarityEdit(TSystemParameters& s, int item) {
  return ListEdit(s.GatePolarity, item, [](int i) { return GatePolarityCommand(i); });
}

std::string TrigThresholdEdit(TSystemParameters& s, double volts) {
  s.Threshold = volts;
  return TrigThresholdCommand(volts);
}

std::string DebounceEdit(TSystemParameters& s, int item) {
  return ListEdit(s.Debounce, item, [](int i) { return DebounceCommand(i); });
}

std::string CounterSourceEdit(TSystemParameters& s, int item) {
  return ListEdit(s.CounterSource, item, [](int i) { return CounterSourceCommand(i); });
}

std::string InputClockEdit(TSystemParameters& s, int item) {
  s.InputClock = item;  // stored before the command is built
  return InputClockCommand(item);
}

std::string OutputClockEdit(TSystemParameters& s, int item) {
  return ListEdit(s.OutputClock, item, [](int i) { return OutputClockCommand(i); });
}

std::string AutoStartEdit(bool checked) { return AutoStartCommand(checked); }

std::string CounterEnableEdit(TSystemParameters& s, bool checked) {
  s.CounterEnabled = checked ? 1 : 0;
  return CounterEnableCommand(checked);
}

std::string CounterClearEdit(TSystemParameters& s) {
  s.ShotCount = 0;
  return CounterClearCommand();
}

}  // namespace vm
