#include "diagram/core/DemoPlan.h"

#include "main/core/Instrument.h"

namespace vm {

TDiagramInput DemoDiagramInput() {
  TDiagramInput in;
  in.ChannelCount = ChannelCountForModel("5204");
  in.Limits = OperatingLimits{};
  in.System.Period = 1e-3;
  in.System.BurstCount = 1;
  in.System.DutyOnCount = 1;
  in.System.DutyOffCount = 1;
  in.System.GatePolarity = 1;
  in.System.Threshold = 2.5;
  for (int n = 1; n <= in.ChannelCount; ++n) {
    TChannelParameters &c = in.Channels[size_t(n)];
    c.Enabled = 1;
    c.Delay = (n - 1) * 250e-6;
    c.Width = 100e-6;
    c.BurstCount = 1;
    c.DutyOnCount = 1;
    c.DutyOffCount = 1;
    c.Amplitude = 5;
    c.Mux = 1 << (n - 1);
    c.GateLogic = 1;
  }
  return in;
}

}  // namespace vm
