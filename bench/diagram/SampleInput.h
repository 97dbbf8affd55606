#pragma once
// An eight-channel setting that uses every feature the diagram draws: a sync
// chain, a burst, a duty cycle, a wait count, an inverted output, a
// multiplexed output and a pulse past the period. `scale` multiplies every
// time (0.1 gives a 100 ns period).
#include "diagram/core/TimingModel.h"

inline vm::TDiagramInput SampleDiagramInput(double scale = 1) {
  vm::TDiagramInput in;
  in.ChannelCount = 8;
  in.System.Period = 1e-6 * scale;
  struct Ch {
    int sync;
    double delay, width;  // ns at scale 1
    int mode, burst, on, off, wait, polarity, mux;
  };
  const Ch chans[8] = {
      {0, 0, 200, 0, 0, 0, 0, 0, 0, 0x01},      // A
      {1, 250, 100, 0, 0, 0, 0, 0, 0, 0x02},    // B on A
      {2, 150, 300, 0, 0, 0, 0, 0, 0, 0x04},    // C on B
      {0, 100, 50, 2, 3, 0, 0, 0, 0, 0x08},     // D burst of 3
      {0, 500, 200, 3, 0, 2, 1, 0, 0, 0x10},    // E duty 2 on 1 off
      {0, 300, 400, 0, 0, 0, 0, 1, 1, 0x20},    // F wait 1, inverted
      {0, 0, 100, 0, 0, 0, 0, 0, 0, 0x05},      // G shows A|C
      {0, 900, 300, 0, 0, 0, 0, 0, 0, 0x80},    // H past the period
  };
  for (int n = 1; n <= 8; ++n) {
    const Ch &c = chans[n - 1];
    vm::TChannelParameters &p = in.Channels[size_t(n)];
    p.Enabled = 1;
    p.SyncSource = c.sync;
    p.Delay = c.delay * 1e-9 * scale;
    p.Width = c.width * 1e-9 * scale;
    p.Mode = c.mode;
    p.BurstCount = c.burst;
    p.DutyOnCount = c.on;
    p.DutyOffCount = c.off;
    p.WaitCount = c.wait;
    p.Polarity = c.polarity;
    p.Mux = c.mux;
  }
  return in;
}
