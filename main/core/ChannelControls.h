#pragma once
// Names of the per-channel controls: every component of channel n's page
// carries the channel number n at the end of its name.
#include <array>
#include <string>
#include <string_view>

namespace vm {

// The 22 per-channel control arrays, the one list of them: X(kind, name,
// handler) for each, in the order the window binds them. Element n of array
// `name` is the component named `name` followed by n, a widget of class `kind`
// (TPlusSpinEdit, QComboBox, QCheckBox, QGroupBox, QListWidget, QPushButton);
// `handler` is the window's method its change or click event calls, shared
// by all channels (left out for the group boxes, which have none).
#define VM_CHANNEL_ARRAYS(X)                                                                     \
  X(QCheckBox, ChEnablebox, SetChEnableState) X(TPlusSpinEdit, ChDelayAdj, SetChannelDelay)      \
  X(TPlusSpinEdit, ChWidthAdj, SetChannelWidth) X(QComboBox, ChModeSel, SetChannelMode)          \
  X(TPlusSpinEdit, ChAmplitudeAdj, SetChAmplitude)                                               \
  X(QComboBox, ChOutputModeSel, SetChannelOuputMode) X(QGroupBox, ChAmplitudeAdjGrp)             \
  X(TPlusSpinEdit, ChBurstAdj, SetChannelBurst) X(QGroupBox, ChBurstCountGrp)                    \
  X(TPlusSpinEdit, ChWaitCountAdj, SetChannelWaitCount)                                          \
  X(QComboBox, ChSyncSourceSel, SetChannelSyncSource) X(QComboBox, ChPolaritySel, SetChannelPolarity) \
  X(TPlusSpinEdit, ChDutyOnAdj, SetChannelDCOn) X(QGroupBox, ChDutyOnGrp)                        \
  X(TPlusSpinEdit, ChDutyOffAdj, SetChannelDCOff) X(QGroupBox, ChDutyOffGrp)                     \
  X(QComboBox, ChGateModeSel, SetChannelGateMode) X(QListWidget, ChMuxSelect, SetChannelMux)     \
  X(QComboBox, ChControlModeSel, ChControlModeSel1Change)                                        \
  X(QComboBox, ChPhaseSyncSel, ChPhaseSyncSel1Change)                                            \
  X(QComboBox, ChGateLogicSel, ChGateLogicSel1Change) X(QPushButton, ChReArmBtn, ReArmChannel)

#define VM_CHANNEL_ARRAY_NAME(kind, name, ...) #name,
inline constexpr std::array<const char*, 22> kChannelArrayNames{
    VM_CHANNEL_ARRAYS(VM_CHANNEL_ARRAY_NAME)};
#undef VM_CHANNEL_ARRAY_NAME

// "<base><n>", e.g. ("ChDelayAdj", 3) -> "ChDelayAdj3".
std::string ChannelComponentName(std::string_view base, int n);

}  // namespace vm
