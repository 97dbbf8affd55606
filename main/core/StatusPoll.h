#pragma once
// Decisions of the once-a-second status poll: what the status word means,
// the error label's text and latch, and the shot-count text.
#include <cstdint>
#include <optional>
#include <string>

namespace vm {

// Reply to "*SS": bit 0 outputs running, bit 1 adjustable outputs.
struct StatusWord {
  bool running = false;
  bool adjustableOutputs = false;
};
StatusWord DecodeStatusWord(int32_t status);

// Run state shown after a poll. nullopt: nothing changes (bit 0 clear and the
// outputs already shown stopped). Otherwise the new SystemRunning; the window
// shows the animation and "Stop" when true, hides it and shows "Run" when false.
std::optional<bool> RunStateAfterPoll(bool systemRunning, int32_t status);

// Caption of the error label for a code of "*ERS"; nullopt when the caption is
// left as it is (0 or less: no error; above 3: unknown error, label shown
// with its current caption).
std::optional<std::string> ErrorCaption(int32_t code);

// The error label's latch: once a code above 0 was reported, "*ERS" is not
// asked again and the label blinks with the poll.
class ErrorLatch {
 public:
  int32_t ErrorCode() const { return code_; }
  // Whether this poll asks "*ERS".
  bool NeedsQuery() const { return code_ <= 0; }
  // Result of the query: true when the label must be captioned (ErrorCaption)
  // and made visible.
  bool OnReply(int32_t code) {
    code_ = code;
    return code_ > 0;
  }

 private:
  int32_t code_ = 0;
};

// Whether the poll reads the shot count: the additional page (index 1) shows
// and the counter is enabled.
inline bool ReadsShotCount(int systemPageIndex, int32_t counterEnabled) {
  return systemPageIndex == 1 && counterEnabled == 1;
}
// "Count: %10u" of the low 32 bits of the count.
std::string ShotCountText(int64_t count);
// The low 32 bits kept in SystemParameters.ShotCount.
int32_t ShotCountLow32(int64_t count);
inline constexpr const char* kShotCountCleared = "Count: 0";

inline constexpr const char* kPortLostQuestion = "Port no longer available, restart?";

}  // namespace vm
