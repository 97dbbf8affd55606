#pragma once
// The channel settings, one row each. Everything that only repeats a
// setting's name, type, command header, reply position or control is made
// from this list: the fields of TChannelParameters, the decoding of the
// "*CFG? <n>" reply, the command of an edit, the window's control arrays,
// handler declarations, plain handlers and the display of a readback, and
// the probe's "ch" line.
//
// VM_CHANNEL_TABLE(R, X) calls R(X, field, type, reply, header, wire, kind,
// control, handler, hooks) for each setting, in the order of the reply's
// fields (which is also the order of the cache's fields and the probe line):
//   field    member of vm::TChannelParameters
//   type     its type (int32_t or double; list settings hold the item index)
//   reply    1-based position of its field in the "*CFG? <n>" reply
//   header   command header after ":PULS<n>" (the value follows a blank)
//   wire     vm::wire type that writes the command's value and reads the
//            reply's field (main/core/ChannelWire.h)
//   kind     class of the page's control (TPlusSpinEdit, QComboBox,
//            QCheckBox, QListWidget)
//   control  the control array's name: element n is "<control><n>"
//   handler  the window's method its change event calls
//   hooks    Plain: the handler and the readback's display are generated;
//            OwnEdit: the handler is written by hand (main/MainHandlers.cpp),
//            the display generated; Own: both are written by hand
//            (TMainForm::ApplyOwnChannelField for the display).
#define VM_CHANNEL_TABLE(R, X)                                                                      \
  R(X, Enabled, int32_t, 1, ":STAT", OnOff, QCheckBox, ChEnablebox, SetChEnableState, Plain)        \
  R(X, Delay, double, 2, ":DEL", Seconds, TPlusSpinEdit, ChDelayAdj, SetChannelDelay, OwnEdit)     \
  R(X, Width, double, 3, ":WIDT", Seconds, TPlusSpinEdit, ChWidthAdj, SetChannelWidth, OwnEdit)    \
  R(X, Mode, int32_t, 4, ":MOD", Words<kPulseModeWords>, QComboBox, ChModeSel, SetChannelMode,    \
    OwnEdit)                                                                                        \
  R(X, BurstCount, int32_t, 5, ":BCO", Count, TPlusSpinEdit, ChBurstAdj, SetChannelBurst, Plain)   \
  R(X, DutyOnCount, int32_t, 6, ":PCO", Count, TPlusSpinEdit, ChDutyOnAdj, SetChannelDCOn, Plain)  \
  R(X, DutyOffCount, int32_t, 7, ":OCO", Count, TPlusSpinEdit, ChDutyOffAdj, SetChannelDCOff,      \
    Plain)                                                                                          \
  R(X, WaitCount, int32_t, 8, ":WCO", Count, TPlusSpinEdit, ChWaitCountAdj, SetChannelWaitCount,   \
    Plain)                                                                                          \
  R(X, OutputMode, int32_t, 9, ":OUTP:MOD", OutputModeWord, QComboBox, ChOutputModeSel,            \
    SetChannelOuputMode, Own)                                                                       \
  R(X, Polarity, int32_t, 10, ":POL", Words<kPolarityWords>, QComboBox, ChPolaritySel,             \
    SetChannelPolarity, Plain)                                                                      \
  R(X, Amplitude, double, 11, ":OUTP:AMPL", Volts, TPlusSpinEdit, ChAmplitudeAdj, SetChAmplitude,  \
    Plain)                                                                                          \
  R(X, Mux, int32_t, 12, ":MUX", Mask, QListWidget, ChMuxSelect, SetChannelMux, Own)               \
  R(X, ControlMode, int32_t, 13, ":CONT", ControlModeWord, QComboBox, ChControlModeSel,             \
    ChControlModeSel1Change, Own)                                                                   \
  R(X, PhaseSync, int32_t, 14, ":PSYN", PhaseSyncWord, QComboBox, ChPhaseSyncSel,                  \
    ChPhaseSyncSel1Change, Own)                                                                     \
  R(X, GateMode, int32_t, 15, ":CGAT", Words<kChGateModeWords>, QComboBox, ChGateModeSel,          \
    SetChannelGateMode, Plain)                                                                      \
  R(X, GateLogic, int32_t, 16, ":CLOG", Words<kLowHighWords>, QComboBox, ChGateLogicSel,           \
    ChGateLogicSel1Change, Plain)                                                                   \
  R(X, SyncSource, int32_t, 17, ":SYNC", SyncName, QComboBox, ChSyncSourceSel,                     \
    SetChannelSyncSource, Own)

// The table with every column: X(field, type, reply, header, wire, kind,
// control, handler, hooks).
#define VM_CHANNEL_SETTING_ROW(X, ...) X(__VA_ARGS__)
#define VM_CHANNEL_SETTINGS(X) VM_CHANNEL_TABLE(VM_CHANNEL_SETTING_ROW, X)

namespace vm {

enum class ChannelSetting {
#define VM_CHANNEL_SETTING_ENUM(field, ...) field,
  VM_CHANNEL_SETTINGS(VM_CHANNEL_SETTING_ENUM)
#undef VM_CHANNEL_SETTING_ENUM
};

#define VM_CHANNEL_SETTING_ONE(...) +1
inline constexpr int kChannelSettingCount = 0 VM_CHANNEL_SETTINGS(VM_CHANNEL_SETTING_ONE);
#undef VM_CHANNEL_SETTING_ONE

// The reply positions run 1, 2, ... in the table's order: the decoder walks
// the reply's fields in that order and stops at the first it cannot read.
constexpr bool ChannelRepliesInOrder() {
  int expected = 1;
#define VM_CHANNEL_SETTING_REPLY(field, type, reply, ...) \
  if (reply != expected++) return false;
  VM_CHANNEL_SETTINGS(VM_CHANNEL_SETTING_REPLY)
#undef VM_CHANNEL_SETTING_REPLY
  return true;
}
static_assert(ChannelRepliesInOrder(), "channel settings: reply positions must be 1, 2, ...");

}  // namespace vm
