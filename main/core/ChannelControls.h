#pragma once
// Names of the per-channel controls: every component of channel n's page
// carries the channel number n at the end of its name.
#include <array>
#include <string>
#include <string_view>

#include "main/core/ChannelSettings.h"

namespace vm {

// The per-channel control arrays, the one list of them: X(kind, name,
// handler) for each. Element n of array `name` is the component named `name`
// followed by n, a widget of class `kind` (TPlusSpinEdit, QComboBox,
// QCheckBox, QGroupBox, QListWidget, QPushButton); `handler` is the window's
// method its change or click event calls, shared by all channels (left out
// for the group boxes, which have none). The settings' controls come from the
// settings table (main/core/ChannelSettings.h); the others are listed here.
#define VM_CHANNEL_OTHER_CONTROLS(X)                                                  \
  X(QGroupBox, ChAmplitudeAdjGrp) X(QGroupBox, ChBurstCountGrp) X(QGroupBox, ChDutyOnGrp) \
  X(QGroupBox, ChDutyOffGrp) X(QPushButton, ChReArmBtn, ReArmChannel)

#define VM_CHANNEL_CONTROL_OF_SETTING(X, field, type, reply, header, wire, kind, control, \
                                      handler, hooks)                                     \
  X(kind, control, handler)
#define VM_CHANNEL_ARRAYS(X)                              \
  VM_CHANNEL_TABLE(VM_CHANNEL_CONTROL_OF_SETTING, X) \
  VM_CHANNEL_OTHER_CONTROLS(X)

#define VM_CHANNEL_ARRAY_NAME(kind, name, ...) #name,
inline constexpr std::array kChannelArrayNames{
    VM_CHANNEL_ARRAYS(VM_CHANNEL_ARRAY_NAME)};
#undef VM_CHANNEL_ARRAY_NAME

// "<base><n>", e.g. ("ChDelayAdj", 3) -> "ChDelayAdj3".
std::string ChannelComponentName(std::string_view base, int n);

}  // namespace vm
