// Fuzz entry for the simulator's line handling: arbitrary bytes go through the
// line framer and the instrument. Checked on every input:
//  - every complete line gets exactly one reply, printable ASCII, no CR/LF;
//  - after the input, each configuration block written back with "*CFG k"
//    is accepted and reads back unchanged (the settings-file round trip).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/engine/Instrument.h"
#include "sim/engine/Session.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Printable(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) return false;
  return s.size() < 2048;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vmsim;
  if (size == 0) return 0;
  // First byte: model, adjustable outputs, lock state and chunking.
  const uint8_t sel = data[0];
  InstrumentConfig cfg;
  cfg.identity.model = kKnownModels[sel & 7];
  cfg.adjustable = (sel & 8) != 0;
  cfg.unlocked = (sel & 16) != 0;
  const size_t chunk = 1 + (sel >> 5) * 37;
  ++data;
  --size;

  Instrument inst(cfg);
  FaultConfig faults;
  Session session(inst, faults);
  LineFramer framer;
  std::vector<LineFramer::Line> lines;
  size_t expected = 0, replies = 0;
  int64_t now = 0;
  for (size_t off = 0; off < size; off += chunk) {
    const size_t n = std::min(chunk, size - off);
    for (size_t i = 0; i < n; ++i) expected += data[off + i] == '\n';
    lines.clear();
    framer.Feed(std::string_view(reinterpret_cast<const char*>(data + off), n), lines);
    for (const auto& line : lines) {
      Check(line.text.size() <= LineFramer::kMaxLine);
      now += 1000003;
      const auto o = session.OnLine(line, faults.baud, false, now);
      Check(o.answered);
      Check(Printable(o.reply));
      ++replies;
    }
  }
  Check(replies == expected);
  Check(framer.pendingBytes() <= size);

  // Round trip of every block the model has.
  std::vector<int> blocks{0, 90};
  for (int k = 1; k <= inst.channelCount(); ++k) blocks.push_back(k);
  for (int k : blocks) {
    const std::string before = inst.ConfigBlock(k);
    const std::string reply = inst.HandleLine("*CFG " + std::to_string(k) + " " + before, now);
    Check(reply == "OK" || (k >= 1 && reply.rfind("ERR", 0) == 0));
    Check(inst.ConfigBlock(k) == before);
  }
  if (sel == 0xff) Check(!inst.DumpState(now).empty());  // costly: now and then only
  return 0;
}
