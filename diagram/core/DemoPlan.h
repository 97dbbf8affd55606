#pragma once
// The settings the diagram starts from in demonstration mode, where nothing
// is read: a starting point for planning timing without an instrument.
#include "diagram/core/TimingModel.h"

namespace vm {

// The model demonstration mode names (5204, four channels) as it powers up:
// 1 ms period, continuous, every count 1, wait 0, normal polarity, each
// channel synced to T0 and driving its own output, trigger and gates off.
// Unlike at power-up the four outputs are on and spread over the period
// (A at 0, B at 250 µs, C at 500 µs, D at 750 µs, each 100 µs wide): a
// 1 µs pulse in a 1 ms period would not show.
TDiagramInput DemoDiagramInput();

}  // namespace vm
