#pragma once
// The command queue and the task timer's requests. The session owns one; the
// main window's task timer sends it (TMainForm::ProcessTasks):
//
//   one tick, when the busy model lets it run (vm::Work::QueueTick):
//     if a Refresh or recall is requested: send the queued commands first,
//       then TakeRequest(), "*RCL <bin>" for a recall, the initialisation,
//       FinishRequest();
//     send every queued entry, oldest first (TakeNextEntry), also those
//       queued while the tick runs.
//
// Nothing queued is ever lost: the queue has no fixed size, and commands
// queued while the tick is sending (a user's edit during a reply wait) are
// taken by the same loop, after the ones queued before them.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace vm {

struct TaskRequest {
  bool recall = false;  // send "*RCL <bin>" before the re-initialisation
  int bin = 0;
};

class TaskQueue {
 public:
  // ---- commands -------------------------------------------------------------
  // Appends a command; false when it was dropped because the session's
  // CommandsDisabled is set (the readback fills the controls and their change
  // events must send nothing). True means the caller enables the task timer.
  bool QueuedCommandToPort(std::string commandstr, bool commandsDisabled);
  // The oldest queued command, removed from the queue; nullopt when empty.
  std::optional<std::string> TakeNextCommand();
  size_t PendingCount() const { return pending_.size(); }
  bool TasksPending() const { return !pending_.empty(); }
  const std::deque<std::string>& PendingCommands() const { return pending_; }

  // A line from the remote-control port. Queued in order with the user's
  // edits, also while CommandsDisabled is set (it is no control's echo); its
  // reply goes back under `ticket` (user edits carry ticket 0).
  void QueueRemoteLine(std::string line, uint64_t ticket);
  struct Entry {
    std::string command;
    uint64_t ticket = 0;  // 0: a user's edit, nobody waits for the reply
  };
  // The oldest queued entry with its ticket, removed from the queue.
  std::optional<Entry> TakeNextEntry();

  // ---- requests ---------------------------------------------------------------
  // Refresh. Served by the next free tick, before the queued commands.
  void RequestReinit() { reinitRequested_ = true; }
  // Recall of a storage bin; a later recall before the tick replaces the bin.
  void RequestRecall(int bin) {
    recallRequested_ = true;
    recallBinNumber_ = bin;
  }
  bool RecallRequested() const { return recallRequested_; }
  bool ReinitRequested() const { return reinitRequested_; }
  int RecallBinNumber() const { return recallBinNumber_; }

  // ---- serving the requests ---------------------------------------------------
  // The pending refresh/recall, if any, taken as one request (a recall and a
  // refresh requested before the tick are served by one initialisation). The
  // flags are cleared here, so a request made while it is served is kept for
  // the next tick instead of being forgotten or nested.
  std::optional<TaskRequest> TakeRequest();
  void FinishRequest() { requestInService_ = false; }
  // Whether the initialisation shows the "Initializing System" window: a
  // refresh or recall is being served or waits.
  bool ShowsProgress() const { return requestInService_ || recallRequested_ || reinitRequested_; }

  // After an initialisation ended by an error: the request flags are cleared
  // (they would fail the same way). Queued commands are kept.
  void RecoverAfterError();

 private:
  std::deque<std::string> pending_;
  std::deque<uint64_t> tickets_;  // one per pending_ entry
  bool recallRequested_ = false;
  bool reinitRequested_ = false;
  int recallBinNumber_ = 0;
  bool requestInService_ = false;
};

// Run/Stop button.
struct RunStopAction {
  bool running;         // new SystemRunning
  std::string caption;  // "Stop" while running, "Run" otherwise
  std::string command;  // ":PULS0:STAT ON" / ":PULS0:STAT OFF"
};
RunStopAction RunStopClick(bool systemRunning);

// Storage-bin menu items built at run time (2..6) and their names.
inline constexpr int kFirstBuiltBin = 2;
inline constexpr int kLastBin = 6;
std::string BinSaveName(int i);     // "BinSave<i>"
std::string BinRestoreName(int i);  // "BinRestore<i>"

}  // namespace vm
