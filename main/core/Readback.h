#pragma once
// Decoding of the configuration replies ("*CFG? <k>") into the caches the
// main window keeps. Widget-free: each parser returns the new cache contents
// plus what the controls must show; the window writes the controls for the
// fields that were decoded (Applies(field)) and then reports `error`, if any.
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "main/core/ChannelSettings.h"

namespace vm {

// Last value sent to or read from the instrument, per channel (1..8).
// List settings are item indexes (codes for control mode and phase sync).
// The fields come from the settings table (main/core/ChannelSettings.h).
struct TChannelParameters {
#define VM_CHANNEL_PARAMETER(field, type, ...) type field = 0;
  VM_CHANNEL_SETTINGS(VM_CHANNEL_PARAMETER)
#undef VM_CHANNEL_PARAMETER
  bool operator==(const TChannelParameters&) const = default;
};

// Last value sent to or read from the instrument for the system settings.
struct TSystemParameters {
  double Period = 0;
  int32_t Mode = 0;
  uint32_t BurstCount = 0;
  uint32_t DutyOnCount = 0;
  uint32_t DutyOffCount = 0;
  int32_t CycleCount = 0;
  int32_t TrigMode = 0;
  int32_t TrigEdge = 0;
  int32_t GatePolarity = 0;
  double Threshold = 0;
  int32_t Debounce = 0;
  int32_t AutoStart = 0;
  int32_t CounterEnabled = 0;
  int32_t ShotCount = 0;
  int32_t CounterSource = 0;
  int32_t InputClock = 0;
  int32_t OutputClock = 0;
  bool operator==(const TSystemParameters&) const = default;
};

// The conversion error of a reply field. what() is the text the user sees:
// "'<field>' is not a valid integer value" or
// "'<field>' is not a valid floating point value".
class ConversionError : public std::runtime_error {
 public:
  enum class Kind { Integer, FloatingPoint };
  ConversionError(Kind kind, std::string fieldText, int field);
  Kind kind() const { return kind_; }
  const std::string& fieldText() const { return text_; }
  int field() const { return field_; }  // 1-based field number, 0 if not from a reply

 private:
  Kind kind_;
  std::string text_;
  int field_;
};

// Splits a reply into exactly `count` fields at single blanks, every field
// right-trimmed. A field between two adjacent blanks is empty; when the blanks
// run out, the remaining fields are empty except the last, which takes the
// whole remaining text.
std::vector<std::string> SplitReplyFields(std::string_view reply, int count);

// Field conversions; they throw ConversionError (field = `field`).
int32_t ConvertInteger(std::string_view text, int field = 0);
uint32_t ConvertUnsigned(std::string_view text, int field = 0);
double ConvertReal(std::string_view text, int field = 0);

// The replayable record of a block: "*CFG <block> <reply>".
std::string ConfigRecordLine(int block, std::string_view reply);

// Common part of the three results.
struct ReadbackProgress {
  int decoded = 0;                       // fields fully decoded (all of them when complete)
  std::optional<ConversionError> error;  // the field decoded+1 could not be converted
  bool Applies(int field) const { return field <= decoded; }
  bool ok() const { return !error; }
  // Raises the stored error, for callers that want the exception path.
  void ThrowIfError() const {
    if (error) throw *error;
  }
};

// Channel block, one field per channel setting.
struct ChannelReadback : ReadbackProgress {
  static constexpr int kFields = kChannelSettingCount;
  TChannelParameters values;             // the cache after the readback
  // Field 9: TTL disables the amplitude group and spin edit, ADJ (with
  // adjustable outputs) enables them, anything else leaves them as they are.
  std::optional<bool> amplitudeEnabled;
  // Field 9, last step: without adjustable outputs the amplitude group, the
  // amplitude spin edit and the output-mode list are disabled.
  bool outputControlsDisabled = false;
  // Fields 13, 14: the caption to select ("" keeps the selection). When the
  // list has no item of that caption (a model without "Gate B" / "Sync B"),
  // the window selects no item and shows the caption as the list's text.
  std::string controlModeCaption;
  std::string phaseSyncCaption;
};
// `previous` is the cache before the readback: fields that are not matched
// keep their value. A sync source that names no channel keeps the previous one.
ChannelReadback ParseChannelBlock(std::string_view reply, const TChannelParameters& previous,
                                  bool adjustableOutputs);

// System block, 7 fields.
struct SystemReadback : ReadbackProgress {
  static constexpr int kFields = 7;
  TSystemParameters values;
  std::optional<bool> running;  // field 1: "1" true, "0" false, else unchanged
};
SystemReadback ParseSystemBlock(std::string_view reply, const TSystemParameters& previous);

// Trigger/gate block, 5 fields (the cache is the system record).
struct TrigGateReadback : ReadbackProgress {
  static constexpr int kFields = 5;
  TSystemParameters values;
};
TrigGateReadback ParseTrigGateBlock(std::string_view reply, const TSystemParameters& previous);

// Multiplexer display of a channel: check mark per letter (nullopt = not
// written) and the list's layout for the model.
struct MuxDisplay {
  std::array<std::optional<bool>, 8> checks;
  int columns = 4;
  int height = 20;
};
MuxDisplay MuxDisplayFor(int32_t mask, int channelCount);

// Items to delete from a channel's sync-source list at its first readback,
// in the order of deletion: those above `channelCount` from the last down,
// then the channel's own entry. Empty once the list is trimmed.
std::vector<int> SyncSourceItemsToRemove(int itemCount, int channelCount, int chnum);
// The same applied to a list of captions.
void TrimSyncSourceItems(std::vector<std::string>& items, int channelCount, int chnum);

// Index of the item with this caption, -1 when the list has none.
int IndexOfCaption(const std::vector<std::string>& items, std::string_view caption);

}  // namespace vm
