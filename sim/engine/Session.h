// What stands between the serial line and the instrument: cutting the byte
// stream into lines, the baud-rate gate and the injected faults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine/Instrument.h"

namespace vmsim {

// Cuts the received bytes into lines. A line ends at LF; one CR right before
// the LF is dropped. A line longer than kMaxLine bytes keeps its first
// kMaxLine bytes and is marked overlong; the rest is counted and discarded,
// so memory stays bounded whatever arrives.
class LineFramer {
 public:
  static constexpr size_t kMaxLine = 4096;
  struct Line {
    std::string text;         // at most kMaxLine bytes, CR LF removed
    uint64_t totalBytes = 0;  // the line's length as received, without LF
    bool overlong = false;
  };
  void Feed(std::string_view bytes, std::vector<Line>& out);
  // Bytes of the unfinished line received so far.
  uint64_t pendingBytes() const { return total_; }

 private:
  std::string buf_;
  uint64_t total_ = 0;
  char last_ = 0;
};

struct FaultConfig {
  int baud = 115200;          // answer only while the client's rate is this
  bool silent = false;        // never answer
  int64_t silentAfter = -1;   // stop answering after this many lines (-1: never)
  bool idnOnlySecond = false; // answer "*IDN?" only at every second attempt
  int64_t garbageAfter = -1;  // after this many lines answer non-numeric text
};

inline constexpr const char* kGarbageReply = "?!GARBAGE!?";
inline constexpr const char* kOverlongReply = "ERR LENGTH";

class Session {
 public:
  struct Outcome {
    bool answered = false;
    std::string reply;   // without CR; valid when answered
    std::string reason;  // why not answered: "baud", "echo", "silent", "silent-after", "idn-skip"
  };
  Session(Instrument& instrument, const FaultConfig& faults) : inst_(instrument), faults_(faults) {}

  // clientBaud: the client's rate (0 when unknown); clientEcho: the client
  // left echo on, which would feed every reply back in as a new line.
  Outcome OnLine(const LineFramer::Line& line, int clientBaud, bool clientEcho, int64_t nowNs);

  int64_t linesSeen() const { return lines_; }

 private:
  Instrument& inst_;
  FaultConfig faults_;
  int64_t lines_ = 0;        // lines received at the right rate
  int64_t idnAttempts_ = 0;
};

}  // namespace vmsim
