#pragma once
// The reading part of the initialisation: every query in its order, the
// record lines, the caches. The window supplies the exchanges and a sink
// that writes each result into its controls as it arrives.
//
// Order on the wire: "*CFG? 0", "*CFG? 90", ":SYST:SEC", ":SYST:AUT",
// (eight channels: ":PULS0:ICL", ":PULS0:OCL"), ":PULS0:COUN:STAT",
// ":PULS0:COUN:SOUR", the status poll (BeforeChannels), then "*CFG? 1" ...
// "*CFG? <ChannelCount>".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "main/core/ControlRules.h"
#include "main/core/Readback.h"

namespace vm {

// The exchanges the reader needs. The link's QueryText appends "?" itself and
// returns the reply right-trimmed; QueryInteger yields 0 for a reply that is
// not a number.
class InstrumentQueries {
 public:
  virtual ~InstrumentQueries() = default;
  virtual std::string QueryText(const std::string& header) = 0;
  virtual int32_t QueryInteger(const std::string& header) = 0;
};

// Receives each result right after it was read; the window writes its
// controls here. The caches are already updated when a call arrives.
class ConfigurationSink {
 public:
  virtual ~ConfigurationSink() = default;
  // Blocks: write the controls of the fields with r.Applies(field). After a
  // block with an error nothing else is read.
  virtual void OnSystem(const SystemReadback& r) { (void)r; }
  virtual void OnTrigGate(const TrigGateReadback& r) { (void)r; }
  // ":SYST:SEC": 1 shows the service menu item, anything else hides it.
  virtual void OnSecurity(int32_t state) { (void)state; }
  // ":SYST:AUT": the check box is checked exactly when the value is 1.
  virtual void OnAutoStart(int32_t value) { (void)value; }
  // Eight-channel models: clock list indexes from the cache; groups visible.
  // Four channels: `present` false, groups hidden and disabled.
  virtual void OnClocks(bool present, int32_t inputClock, int32_t outputClock) {
    (void)present, (void)inputClock, (void)outputClock;
  }
  // Shot counter state and source (cache values), then the list is trimmed.
  virtual void OnCounter(int32_t counterEnabled, int32_t counterSource) {
    (void)counterEnabled, (void)counterSource;
  }
  // One status poll before the channels; returns AdjustableOutputs as it
  // stands afterwards.
  virtual bool BeforeChannels() = 0;
  // "Initializing Ch <n>" and the channel's block.
  virtual void OnChannelStart(int n) { (void)n; }
  virtual void OnChannel(int n, const ChannelReadback& r) { (void)n, (void)r; }
};

// Reads everything after the identity. Appends the record lines to
// `settings`, updates `system` and `channels[1..channelCount]`, and calls the
// sink. Returns the conversion error that ended the reading, if any (the
// block that failed has been handed to the sink with its decoded fields).
std::optional<ConversionError> ReadConfiguration(InstrumentQueries& io, ConfigurationSink& sink,
                                                 int channelCount, TSystemParameters& system,
                                                 TChannelTable& channels,
                                                 std::vector<std::string>& settings);

}  // namespace vm
