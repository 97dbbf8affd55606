#pragma once
// Rules behind the system and channel controls: value checks, the sync-source
// loop check, the multiplexer mask and which controls each mode enables. The
// window's handlers read the control, ask these functions and apply the answer.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/core/CommandSet.h"
#include "main/core/Readback.h"

namespace vm {

// The channel caches, indexed by channel number 1..8 (element 0 unused).
using TChannelTable = std::array<TChannelParameters, kMaxChannels + 1>;

// ---- delay, width, period ----------------------------------------------------
// Accepted (on the grid): store `value` and queue it. Refused: set the control
// back to `value` (the stored one); its change event then queues it again.
struct TimeEditDecision {
  bool accept;
  double value;
};
TimeEditDecision DecideTimeEdit(double value, double resolution, double stored);

// ---- sync source ---------------------------------------------------------------
enum class SyncCheck {
  Accept,
  MutualSync,     // the chosen channel is synced to this one
  SelfSync,       // the channel itself
  CircularSync,   // the chain of sources leads back to this channel
  NoSuchChannel,  // the text names no channel of this model
};
// c = the channel of the list, sourceText = the list's text.
SyncCheck CheckSyncSource(int c, std::string_view sourceText, const TChannelTable& params,
                          int channelCount);
// Same with the source as a number (0..8, or kNoChannel).
SyncCheck CheckSyncSourceNumber(int c, int s, const TChannelTable& params, int channelCount);
// Message box text of a refusal; "" for Accept and for NoSuchChannel, which is
// refused silently (the list returns to the stored source).
std::string SyncRefusalMessage(SyncCheck result);

// What a sync-source list shows for a source: the item of its caption, or,
// when the list has no such item (a source above the model's channels, or the
// channel's own entry), no item selected and the caption as the list's text,
// so the screen still tells what the instrument holds.
struct SourceSelection {
  int index;         // item to select, -1 for none
  std::string text;  // the list's text ("" for a number that names no channel)
};
SourceSelection SelectionForSource(const std::vector<std::string>& items, int source);

// ---- multiplexer ------------------------------------------------------------------
// Mask from the check marks of items A..H, counting only the letters of the
// model: A, B always; C, D with more than 2 channels; E..H with more than 4.
int32_t MuxMaskFromChecks(const std::array<bool, 8>& checked, int channelCount);

// ---- enabling ---------------------------------------------------------------------
// nullopt: the mode is none of the known ones and the controls stay as they are.
struct CountGroupsEnabling {
  bool burst;      // burst group and spin edit
  bool dutyCycle;  // duty-cycle group(s) and spin edits
};
// System page: BurstCountGrp/SysBurstAdj and DutyCycleGrp/SysDutyOnAdj/
// SysDutyOffAdj/SysCycleCountAdj, by SystemParameters.Mode.
std::optional<CountGroupsEnabling> SystemModesEnableFor(int32_t mode);
// Channel page n: ChBurstCountGrp/ChBurstAdj and ChDutyOnGrp/ChDutyOnAdj/
// ChDutyOffGrp/ChDutyOffAdj, by ChannelParameters[n].Mode.
std::optional<CountGroupsEnabling> ChModesEnableFor(int32_t mode);

struct TriggerEnabling {
  bool threshold;     // ExtThresholdGrp, TrigThresholdAdj
  bool edge;          // ExtTrigEdgeGrp, TriggerEdgeSel
  bool gatePolarity;  // GatePolGrp, GatePolaritySel
  bool debounce;      // TrigGateDebounceGrp, TrigGateDebounceSel
};
std::optional<TriggerEnabling> TriggerModesEnableFor(int32_t trigMode);
// ChGateModeSel[n] and ChGateLogicSel[n] of every channel: enabled only in
// the "Ch Gate" trigger mode. The window walks the channels whose controls
// exist (up to the smaller of ChannelCount and the channels built).
bool GateModesEnableFor(int32_t trigMode);
// Output-mode list choice: item 0 disables the amplitude group and spin edit,
// item 1 enables them, anything else leaves them.
std::optional<bool> AmplitudeEnabledForOutputItem(int item);

}  // namespace vm
