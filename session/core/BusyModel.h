#pragma once
// What the program is busy with, and whether a piece of work may start now.
//
// One thread, re-entrant: while a reply is awaited the serial port dispatches
// window events, so a timer tick or a click can try to start work in the
// middle of other work. Each piece of work holds a Guard while it runs (they
// nest and overlap freely); work that was asked for and waits for its turn is
// Requested until it has run. MayStart answers from both, for every caller
// alike, so the rules of who waits for whom live here and nowhere else.
#include <array>
#include <cstddef>

#include "session/core/HoldCount.h"

namespace vm {

enum class Work {
  Initialisation,  // the configuration readback into the windows
  StatusPoll,      // the once-a-second status poll
  CalReadback,     // the calibration readback of the service window
  CalLoad,         // a calibration file sent to the instrument
  SettingsFile,    // a settings file saved or restored
  RemoteLine,      // a script's line joining the queue, or its follow-up refresh
  QueueTick,       // the task timer sending the queue and serving requests
};
inline constexpr std::size_t kWorkKinds = 7;

enum class Verdict {
  Run,     // start now
  Skip,    // not now, and nothing is retried for it (a periodic timer asks again)
  Defer,   // not now: the caller retries from its timer
  Wait,    // not now: the work stays where it is until the busy state ends
  Cancel,  // not at all: the program is ending, or there is no instrument to poll
};

// What MayStart needs besides the work in progress.
struct BusyFacts {
  bool portInUse = false;       // a reply is being awaited
  bool exitRequested = false;   // the program is ending
  bool demoMode = false;        // no instrument attached
  bool startupPending = false;  // the first initialisation has not run yet
  bool modalOpen = false;       // a modal dialog is open
};

class BusyModel {
 public:
  // Marks one piece of work as running for its lifetime (or until Release).
  class Guard {
   public:
    Guard(BusyModel &model, Work work) : model_(&model), work_(work) { ++model_->Count(work_); }
    ~Guard() { Release(); }
    Guard(Guard &&other) noexcept : model_(other.model_), work_(other.work_) {
      other.model_ = nullptr;
    }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;
    Guard &operator=(Guard &&) = delete;
    void Release() {
      if (!model_) return;
      --model_->Count(work_);
      model_ = nullptr;
    }

   private:
    BusyModel *model_;
    Work work_;
  };

  Guard Start(Work work) { return Guard(*this, work); }
  bool Running(Work work) const { return running_[Index(work)] > 0; }

  // Asked for and not finished yet, also while deferred to a timer.
  void Request(Work work) { requested_[Index(work)] = true; }
  void Finish(Work work) { requested_[Index(work)] = false; }
  bool Requested(Work work) const { return requested_[Index(work)]; }

  // Sending off: while anyone holds it, commands are neither sent nor queued
  // (the controls are being filled from the instrument).
  HoldCount CommandsOff;
  bool CommandsDisabled() const { return CommandsOff.Held(); }

  Verdict MayStart(Work work, const BusyFacts &facts) const;

 private:
  static std::size_t Index(Work work) { return static_cast<std::size_t>(work); }
  int &Count(Work work) { return running_[Index(work)]; }

  std::array<int, kWorkKinds> running_{};
  std::array<bool, kWorkKinds> requested_{};
};

}  // namespace vm
