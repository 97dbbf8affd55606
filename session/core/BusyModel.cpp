#include "session/core/BusyModel.h"

namespace vm {

Verdict BusyModel::MayStart(Work work, const BusyFacts &facts) const {
  if (facts.exitRequested) return Verdict::Cancel;
  const bool polling = Running(Work::StatusPoll);
  const bool ticking = Running(Work::QueueTick);
  const bool initialising = Running(Work::Initialisation);
  const bool calibrating = Requested(Work::CalReadback) || Requested(Work::CalLoad);
  switch (work) {
    case Work::StatusPoll:
      // A reply wait comes first: demonstration mode ends polling only from a free tick.
      if (facts.portInUse) return Verdict::Skip;
      if (facts.demoMode) return Verdict::Cancel;
      if (calibrating || ticking || initialising) return Verdict::Skip;
      return Verdict::Run;
    case Work::QueueTick:
      if (polling || facts.portInUse || ticking || initialising) return Verdict::Defer;
      return Verdict::Run;
    case Work::Initialisation:
      // Never nested: a request made meanwhile waits in the queue.
      return initialising ? Verdict::Skip : Verdict::Run;
    case Work::SettingsFile:
      // Another file or a readback under way: refused (the user is told).
      if (Running(Work::SettingsFile) || initialising) return Verdict::Skip;
      // An exchange would find the port taken: tried again shortly.
      if (facts.portInUse || ticking || polling) return Verdict::Defer;
      return Verdict::Run;
    case Work::CalReadback:
    case Work::CalLoad:
      if (polling || facts.portInUse) return Verdict::Defer;
      return Verdict::Run;
    case Work::RemoteLine:
      // A script's line would land in the middle of a readback, a file, a
      // dialog or before the window is up to date.
      if (CommandsDisabled() || initialising || Running(Work::SettingsFile) || calibrating ||
          facts.startupPending || facts.modalOpen)
        return Verdict::Wait;
      return Verdict::Run;
  }
  return Verdict::Skip;
}

}  // namespace vm
