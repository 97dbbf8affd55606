#pragma once
// Line handling of the remote-control port, one object per connected client.
//
// A client sends lines ending in LF (a CR before the LF is dropped). A line
// whose last non-blank character is "?" is a query, any other non-blank line a
// command; blank lines are ignored. Lines are held here until the panel takes
// them, one at a time, so a client's replies come back in its own order.
//
// Bad input is answered, never passed on:
//  - a line of more than kMaxLineBytes bytes becomes one TooLong entry
//    ("ERR LENGTH"); the rest of it, up to the next LF, is thrown away;
//  - a line holding a control character (a CR inside it would split it into
//    two exchanges on the serial line) or a byte outside ASCII becomes a
//    BadCharacters entry ("ERR CHARACTER").
//
// Memory: the bytes held (a partial line plus the complete lines waiting) stay
// below kMaxHeldBytes. Room() tells the caller how much more it may feed; a
// client that sends faster than the instrument answers is read no further until
// lines have been taken, so the network throttles it.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace vm::remote {

inline constexpr size_t kMaxLineBytes = 4096;
inline constexpr size_t kMaxHeldBytes = 64 * 1024;
inline constexpr int kDefaultPort = 5025;

enum class LineKind { Command, Query, TooLong, BadCharacters };

struct Line {
  LineKind kind = LineKind::Command;
  std::string text;  // the line without its end and surrounding blanks
};

// True when the last non-blank character of `line` is "?".
bool IsQueryLine(std::string_view line);

// The reply sent for a line that never reaches the instrument.
std::string_view RefusalReply(LineKind kind);

// What the client is told when the instrument gave no reply at all (time-out,
// or the exchange could not be made): never an empty line that a script could
// take for success.
inline constexpr std::string_view kNoReply = "ERR NO REPLY";

class ClientLines {
 public:
  // Bytes the client may still send before it is throttled.
  size_t Room() const { return held_ < kMaxHeldBytes ? kMaxHeldBytes - held_ : 0; }
  // Takes at most Room() bytes of `bytes`; returns how many were taken.
  size_t Feed(std::string_view bytes);
  bool HasLine() const { return !lines_.empty(); }
  // The oldest complete line; call only when HasLine().
  Line TakeLine();
  size_t HeldBytes() const { return held_; }

 private:
  void Finish();
  std::string partial_;
  bool discarding_ = false;  // inside an overlong line, until its LF
  std::deque<Line> lines_;
  size_t held_ = 0;  // partial_ plus every waiting line (text + 1)
};

}  // namespace vm::remote
