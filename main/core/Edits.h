#pragma once
// One user edit of a control: what goes into the cache and which command is
// queued. The window's handler finds the channel (the digits of the sender's name), reads its
// control, calls one of these and queues the returned command; afterwards it
// applies the enabling rule its control needs (ChModesEnableFor, ...).
// A returned empty command means: queue nothing.
#include <array>
#include <string>
#include <string_view>

#include "main/core/ChannelWire.h"
#include "main/core/ControlRules.h"
#include "main/core/Readback.h"

namespace vm {

// Delay, width, period. Accepted: cache updated, `command` to queue.
// Refused: nothing queued, the control is set back to `revertTo` (the stored
// value); the change event that raises queues the stored value again.
struct TimeEdit {
  bool accepted;
  double revertTo;
  std::string command;
};

// Sync source. Accepted: cache updated, `command` to queue. Refused: show
// `message` if not empty, then select the stored source again
// (SelectionForSource); nothing queued, cache unchanged.
struct SyncEdit {
  SyncCheck check;
  std::string command;
  std::string message;
};

// ---- channel page (p = ChannelParameters[n]) ---------------------------------
// A plain setting's edit is ChannelEdit<ChannelSetting::...>(p, n, value)
// (main/core/ChannelWire.h); these have rules of their own.
TimeEdit ChDelayEdit(TChannelParameters& p, int n, double value, double resolution);
TimeEdit ChWidthEdit(TChannelParameters& p, int n, double value, double resolution);
std::string ChMuxEdit(TChannelParameters& p, int n, const std::array<bool, 8>& checked,
                      int channelCount);
// Control mode and phase sync: the word by the list's text, the item index stored.
std::string ChControlModeEdit(TChannelParameters& p, int n, int item, std::string_view text);
std::string ChPhaseSyncEdit(TChannelParameters& p, int n, int item, std::string_view text);
SyncEdit ChSyncSourceEdit(TChannelTable& table, int c, std::string_view text, int channelCount);

// ---- system, trigger, counter and clock controls -----------------------------
TimeEdit PeriodEdit(TSystemParameters& s, double value, double resolution);
std::string SystemModeEdit(TSystemParameters& s, int item);
std::string SysBurstEdit(TSystemParameters& s, double value);
std::string SysDutyOnEdit(TSystemParameters& s, double value);
std::string SysDutyOffEdit(TSystemParameters& s, double value);
std::string SysCycleCountEdit(TSystemParameters& s, double value);
std::string TrigModeEdit(TSystemParameters& s, int item);
std::string TrigEdgeEdit(TSystemParameters& s, int item);
std::string GatePolarityEdit(TSystemParameters& s, int item);
std::string TrigThresholdEdit(TSystemParameters& s, double volts);
std::string DebounceEdit(TSystemParameters& s, int item);
std::string CounterSourceEdit(TSystemParameters& s, int item);
std::string InputClockEdit(TSystemParameters& s, int item);
std::string OutputClockEdit(TSystemParameters& s, int item);
// Auto start changes nothing in the cache (only the readback sets AutoStart).
std::string AutoStartEdit(bool checked);
std::string CounterEnableEdit(TSystemParameters& s, bool checked);
// Clear: the count becomes 0; the label reads kShotCountCleared.
std::string CounterClearEdit(TSystemParameters& s);

}  // namespace vm
