#include "main/core/ConfigurationReader.h"

#include <algorithm>

#include "main/core/CommandSet.h"
#include "main/core/Instrument.h"

namespace vm {

std::optional<ConversionError> ReadConfiguration(InstrumentQueries& io, ConfigurationSink& sink,
                                                 int channelCount, TSystemParameters& system,
                                                 TChannelTable& channels,
                                                 std::vector<std::string>& settings) {
  // Blocks 0 and 90. The raw line is recorded before any field is parsed.
  std::string reply = io.QueryText(ConfigQuery(kSystemBlock));
  settings.push_back(ConfigRecordLine(kSystemBlock, reply));
  const SystemReadback sys = ParseSystemBlock(reply, system);
  system = sys.values;
  sink.OnSystem(sys);
  if (sys.error) return sys.error;

  reply = io.QueryText(ConfigQuery(kTrigGateBlock));
  settings.push_back(ConfigRecordLine(kTrigGateBlock, reply));
  const TrigGateReadback trig = ParseTrigGateBlock(reply, system);
  system = trig.values;
  sink.OnTrigGate(trig);
  if (trig.error) return trig.error;

  sink.OnSecurity(io.QueryInteger(kSecurityQuery));

  system.AutoStart = io.QueryInteger(kAutoStartQuery);
  sink.OnAutoStart(system.AutoStart);
  settings.push_back(AutoStartRecordLine(system.AutoStart));

  if (HasClockGroups(channelCount)) {
    reply = io.QueryText(kInputClockQuery);
    if (auto c = InputClockCode(reply)) system.InputClock = *c;
    settings.push_back(InputClockRecordLine(reply));
    reply = io.QueryText(kOutputClockQuery);
    if (auto c = OutputClockCode(reply)) system.OutputClock = *c;
    settings.push_back(OutputClockRecordLine(reply));
    sink.OnClocks(true, system.InputClock, system.OutputClock);
  } else {
    sink.OnClocks(false, system.InputClock, system.OutputClock);
  }

  system.CounterEnabled = io.QueryInteger(kCounterStateQuery);
  settings.push_back(CounterStateRecordLine(system.CounterEnabled));
  reply = io.QueryText(kCounterSourceQuery);
  if (auto c = CounterSourceCode(reply)) system.CounterSource = *c;
  settings.push_back(CounterSourceRecordLine(reply));
  sink.OnCounter(system.CounterEnabled, system.CounterSource);

  const bool adjustable = sink.BeforeChannels();

  const int last = std::min(channelCount, kMaxChannels);
  for (int n = 1; n <= last; ++n) {
    sink.OnChannelStart(n);
    reply = io.QueryText(ConfigQuery(n));
    settings.push_back(ConfigRecordLine(n, reply));
    const ChannelReadback ch = ParseChannelBlock(reply, channels[size_t(n)], adjustable);
    channels[size_t(n)] = ch.values;
    sink.OnChannel(n, ch);
    if (ch.error) return ch.error;
  }
  return std::nullopt;
}

}  // namespace vm
