#pragma once
// How each channel setting travels: the value text of its command, what an
// edit stores in the cache, and the reading of its "*CFG? <n>" reply field.
// The settings table (main/core/ChannelSettings.h) names one of these types
// for each setting; ChannelCommand and ChannelEdit are made from it.
#include <cstdint>
#include <string>
#include <string_view>

#include "main/core/ChannelSettings.h"
#include "main/core/CommandSet.h"
#include "main/core/Readback.h"

namespace vm {
namespace wire {

// Read(text, field, target, readback, adjustableOutputs): converts the reply's
// field into the cache's field (a ConversionError stops the readback).

struct OnOff {  // check box: "1" / "0"
  static int32_t Store(bool on) { return on ? 1 : 0; }
  static std::string Text(int32_t v) { return v ? "1" : "0"; }
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback&, bool) {
    v = ConvertInteger(t, field);
  }
};

struct Seconds {  // delay, width: 11 decimals
  static std::string Text(double v) { return FormatF11(v); }
  static void Read(const std::string& t, int field, double& v, ChannelReadback&, bool) {
    v = ConvertReal(t, field);
  }
};

struct Volts {  // 2 decimals
  static double Store(double v) { return v; }
  static std::string Text(double v) { return FormatF2(v); }
  static void Read(const std::string& t, int field, double& v, ChannelReadback&, bool) {
    v = ConvertReal(t, field);
  }
};

struct Count {  // spin edit count, rounded to a signed 32-bit integer
  static int32_t Store(double v) { return RoundToInt32(v); }
  static std::string Text(int32_t v) { return FormatI(v); }
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback&, bool) {
    v = ConvertInteger(t, field);
  }
};

struct Mask {  // multiplexer bit mask
  static std::string Text(int32_t v) { return std::to_string(v); }
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback&, bool) {
    v = ConvertInteger(t, field);
  }
};

// A list whose item index is the word's index; a reply word that is not in
// the table leaves the cache as it was.
template <const auto& Table>
struct Words {
  static int32_t Store(int item) { return item; }
  static std::string Text(int item) { return WordAt(Table, item); }
  static void Read(const std::string& t, int, int32_t& v, ChannelReadback&, bool) {
    const int code = IndexOfWord(Table, t);
    if (code >= 0) v = code;
  }
};

// The reply also decides the amplitude controls' enabling.
struct OutputModeWord : Words<kOutputModeWords> {
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback& r,
                   bool adjustableOutputs);
};

// Sent by the list's text, read back as the caption to select.
struct ControlModeWord {
  static std::string Text(std::string_view caption) { return ControlModeWordForCaption(caption); }
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback& r, bool);
};
struct PhaseSyncWord {
  static std::string Text(std::string_view caption) { return PhaseSyncWordForCaption(caption); }
  static void Read(const std::string& t, int field, int32_t& v, ChannelReadback& r, bool);
};

// Sync source: "T0", "CHA" ... on the wire; a reply that names no channel
// keeps the previous source.
struct SyncName {
  static std::string Text(int source) { return GetChCmdName(source); }
  static void Read(const std::string& t, int, int32_t& v, ChannelReadback&, bool) {
    const int s = GetChannelNumber(t);
    if (s != kNoChannel) v = s;
  }
};

}  // namespace wire

// One row of the table as a type.
template <ChannelSetting S>
struct ChannelSettingRow;
#define VM_CHANNEL_SETTING_ROW_TYPE(field_, type_, reply_, header_, wire_, ...)     \
  template <>                                                                       \
  struct ChannelSettingRow<ChannelSetting::field_> {                                \
    using Type = type_;                                                             \
    using Wire = wire::wire_;                                                       \
    static constexpr int reply = reply_;                                            \
    static constexpr const char* header = header_;                                  \
    static constexpr Type TChannelParameters::*field = &TChannelParameters::field_; \
  };
VM_CHANNEL_SETTINGS(VM_CHANNEL_SETTING_ROW_TYPE)
#undef VM_CHANNEL_SETTING_ROW_TYPE

// ":PULS<n><header> <value>", e.g. ChannelCommand<ChannelSetting::Delay>(2, 1.5)
// -> ":PULS2:DEL 1.50000000000".
template <ChannelSetting S, class V>
std::string ChannelCommand(int n, const V& value) {
  using Row = ChannelSettingRow<S>;
  return ":PULS" + std::to_string(n) + Row::header + " " + Row::Wire::Text(value);
}

// A plain edit: the control's value (spin value, item index or check mark)
// stored in the cache, and the command that sends the stored value.
template <ChannelSetting S, class In>
std::string ChannelEdit(TChannelParameters& p, int n, In input) {
  using Row = ChannelSettingRow<S>;
  auto& stored = p.*Row::field;
  stored = Row::Wire::Store(input);
  return ChannelCommand<S>(n, stored);
}

}  // namespace vm
