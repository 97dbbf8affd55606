#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "main/core/CommandSet.h"
#include "main/core/TaskQueue.h"
#include "session/core/BusyModel.h"

using namespace vm;

namespace {

// The window's ProcessTasks written against the queue and the busy model,
// with the exchange and the initialisation as hooks, so the tests drive the
// real sequence.
struct Shell {
  TaskQueue q;
  BusyModel busy;
  std::optional<BusyModel::Guard> statusPoll;  // a poll in progress
  bool portInUse = false;
  bool timerEnabled = false;
  std::vector<std::string> wire;
  std::function<void(const std::string&)> onSend;  // runs "during the reply wait"
  std::function<void()> initialize = [] {};
  int initializeCalls = 0;

  void Send(const std::string& c) {
    wire.push_back(c);
    if (onSend) {
      portInUse = true;
      onSend(c);
      portInUse = false;
    }
  }
  void Queue(const std::string& c) {
    if (q.QueuedCommandToPort(c, busy.CommandsDisabled())) timerEnabled = true;
  }
  Verdict MayStart(Work w) const {
    BusyFacts f;
    f.portInUse = portInUse;
    return busy.MayStart(w, f);
  }
  void Initialize() {
    if (MayStart(Work::Initialisation) != Verdict::Run) return;
    ++initializeCalls;
    const BusyModel::Guard running = busy.Start(Work::Initialisation);
    const HoldCount::Hold off(busy.CommandsOff);
    initialize();
  }
  void ProcessTasks() {
    timerEnabled = false;
    if (MayStart(Work::QueueTick) != Verdict::Run) {
      timerEnabled = true;
      return;
    }
    const BusyModel::Guard ticking = busy.Start(Work::QueueTick);
    if (auto req = q.TakeRequest()) {
      if (req->recall) Send(RecallBinCommand(req->bin));
      Initialize();
      q.FinishRequest();
    }
    while (auto c = q.TakeNextCommand()) Send(*c);
    timerEnabled = true;
  }
};

}  // namespace

TEST(CommandQueue, CommandsGoOutInTheOrderOfTheEdits) {
  Shell s;
  s.Queue(":PULS1:DEL 0.00000000000");
  s.Queue(":PULS1:WIDT 0.00000001000");
  s.Queue(":PULS0:MOD BURS");
  EXPECT_TRUE(s.timerEnabled);
  EXPECT_EQ(s.q.PendingCount(), 3u);
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{":PULS1:DEL 0.00000000000", ":PULS1:WIDT 0.00000001000",
                                              ":PULS0:MOD BURS"}));
  EXPECT_FALSE(s.q.TasksPending());
  EXPECT_FALSE(s.busy.Running(Work::QueueTick));
}

TEST(CommandQueue, EditsDuringAReplyWaitAreSentAfterwardsInOrder) {
  Shell s;
  int edits = 0;
  s.onSend = [&](const std::string&) {
    if (edits < 2) {
      s.Queue("edit" + std::to_string(++edits));
      s.ProcessTasks();  // a nested tick finds the port in use and only re-arms
    }
  };
  s.Queue("first");
  s.Queue("second");
  s.ProcessTasks();
  // "edit1" was queued during the reply to "first", after "second" was queued.
  EXPECT_EQ(s.wire, (std::vector<std::string>{"first", "second", "edit1", "edit2"}));
  EXPECT_EQ(s.q.PendingCount(), 0u);
}

TEST(CommandQueue, NoFixedCapacity) {
  Shell s;
  for (int i = 1; i <= 250; ++i) s.Queue("c" + std::to_string(i));
  EXPECT_EQ(s.q.PendingCount(), 250u);
  s.ProcessTasks();
  ASSERT_EQ(s.wire.size(), 250u);
  EXPECT_EQ(s.wire[100], "c101");
  EXPECT_EQ(s.wire.back(), "c250");
}

TEST(CommandQueue, DroppedWhileCommandsDisabled) {
  Shell s;
  const HoldCount::Hold off(s.busy.CommandsOff);
  s.Queue("dropped");
  EXPECT_FALSE(s.timerEnabled);
  EXPECT_EQ(s.q.PendingCount(), 0u);
}

TEST(CommandQueue, BusyTickOnlyRearms) {
  Shell s;
  s.Queue("x");
  s.statusPoll.emplace(s.busy, Work::StatusPoll);
  s.ProcessTasks();
  EXPECT_TRUE(s.wire.empty());
  EXPECT_TRUE(s.timerEnabled);
  s.statusPoll.reset();
  s.portInUse = true;
  s.ProcessTasks();
  EXPECT_TRUE(s.wire.empty());
  s.portInUse = false;
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{"x"}));
}

TEST(Requests, RecallIsServedBeforeQueuedCommands) {
  Shell s;
  s.Queue("*SAV 4");
  s.q.RequestRecall(3);
  s.q.RequestRecall(0);  // the last choice wins
  s.q.RequestReinit();   // and shares the one initialisation
  bool progressShown = false;
  s.initialize = [&] { progressShown = s.q.ShowsProgress(); };
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{"*RCL 0", "*SAV 4"}));
  EXPECT_EQ(s.initializeCalls, 1);
  EXPECT_TRUE(progressShown);
  EXPECT_FALSE(s.q.ShowsProgress());
  EXPECT_FALSE(s.q.RecallRequested());
  EXPECT_FALSE(s.q.ReinitRequested());
}

TEST(Requests, RefreshDuringAnInitialisationWaitsForIt) {
  Shell s;
  int depth = 0, maxDepth = 0;
  s.initialize = [&] {
    maxDepth = std::max(maxDepth, ++depth);
    if (s.initializeCalls == 1) {
      // The user chooses Refresh; the initialisation dispatches events and a
      // task tick arrives while no reply is awaited.
      s.q.RequestReinit();
      s.ProcessTasks();
    }
    --depth;
  };
  s.Initialize();  // the start-up initialisation, outside the task timer
  EXPECT_EQ(s.initializeCalls, 1);
  EXPECT_TRUE(s.q.ReinitRequested());
  s.ProcessTasks();
  EXPECT_EQ(s.initializeCalls, 2);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_FALSE(s.q.ReinitRequested());
}

TEST(Requests, RequestMadeWhileOneIsServedIsKeptForTheNextTick) {
  Shell s;
  s.q.RequestReinit();
  s.initialize = [&] {
    if (s.initializeCalls == 1) {
      s.q.RequestRecall(5);
      s.ProcessTasks();  // nested tick: refused
    }
  };
  s.ProcessTasks();
  EXPECT_EQ(s.initializeCalls, 1);
  EXPECT_TRUE(s.q.RecallRequested());
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{"*RCL 5"}));
  EXPECT_EQ(s.initializeCalls, 2);
}

TEST(Requests, RecoveryAfterAFailedInitialisation) {
  Shell s;
  s.q.RequestRecall(2);
  s.q.RequestReinit();
  {
    const BusyModel::Guard ticking = s.busy.Start(Work::QueueTick);
    ASSERT_TRUE(s.q.TakeRequest());
    s.q.RequestReinit();  // chosen while the failing one reads
    const BusyModel::Guard running = s.busy.Start(Work::Initialisation);
    const HoldCount::Hold off(s.busy.CommandsOff);
    // ... a conversion error leaves the initialisation here.
    s.q.RecoverAfterError();
  }
  EXPECT_FALSE(s.busy.Running(Work::QueueTick));
  EXPECT_FALSE(s.busy.Running(Work::Initialisation));
  EXPECT_FALSE(s.busy.CommandsDisabled());
  EXPECT_FALSE(s.q.ReinitRequested());
  EXPECT_FALSE(s.q.ShowsProgress());
  s.Queue("after");
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{"after"}));
}

