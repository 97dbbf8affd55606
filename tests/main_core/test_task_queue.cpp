#include <gtest/gtest.h>

#include <functional>

#include "main/core/CommandSet.h"
#include "main/core/TaskQueue.h"

using namespace vm;

namespace {

// The window's ProcessTasks written against the queue, with the exchange and
// the initialisation as hooks, so the tests drive the real sequence.
struct Shell {
  TaskQueue q;
  bool statusBusy = false;
  bool portInUse = false;
  bool timerEnabled = false;
  bool commandsDisabled = false;  // the window's flag
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
    if (q.QueuedCommandToPort(c, commandsDisabled)) timerEnabled = true;
  }
  void Initialize() {
    ++initializeCalls;
    q.BeginInitialize();
    commandsDisabled = true;
    initialize();
    commandsDisabled = false;
    q.EndInitialize();
  }
  void ProcessTasks() {
    timerEnabled = false;
    if (!q.BeginTick(statusBusy, portInUse)) {
      timerEnabled = true;
      return;
    }
    if (auto req = q.TakeRequest()) {
      if (req->recall) Send(RecallBinCommand(req->bin));
      Initialize();
      q.FinishRequest();
    }
    while (auto c = q.TakeNextCommand()) Send(*c);
    q.EndTick();
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
  EXPECT_FALSE(s.q.TaskBusy());
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
  s.commandsDisabled = true;
  s.Queue("dropped");
  EXPECT_FALSE(s.timerEnabled);
  EXPECT_EQ(s.q.PendingCount(), 0u);
}

TEST(CommandQueue, BusyTickOnlyRearms) {
  Shell s;
  s.Queue("x");
  s.statusBusy = true;
  s.ProcessTasks();
  EXPECT_TRUE(s.wire.empty());
  EXPECT_TRUE(s.timerEnabled);
  s.statusBusy = false;
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
  ASSERT_TRUE(s.q.BeginTick(false, false));
  auto req = s.q.TakeRequest();
  ASSERT_TRUE(req);
  s.q.BeginInitialize();
  s.commandsDisabled = true;
  // ... a conversion error leaves the initialisation here; the window
  // clears its flag.
  s.q.RecoverAfterError();
  s.commandsDisabled = false;
  EXPECT_FALSE(s.q.TaskBusy());
  EXPECT_FALSE(s.q.InitializeRunning());
  EXPECT_FALSE(s.q.ShowsProgress());
  s.Queue("after");
  s.ProcessTasks();
  EXPECT_EQ(s.wire, (std::vector<std::string>{"after"}));
}

