// Who waits for whom: the one table every caller asks.
#include <gtest/gtest.h>

#include <optional>

#include "session/core/BusyModel.h"

using namespace vm;

namespace {

BusyFacts Port(bool inUse) {
  BusyFacts f;
  f.portInUse = inUse;
  return f;
}

}  // namespace

TEST(BusyModel, GuardsAndSendingOffNest) {
  BusyModel m;
  std::optional<BusyModel::Guard> outer(m.Start(Work::Initialisation));
  {
    // A calibration readback dispatched inside the initialisation holds
    // sending off too; its end does not switch sending back on.
    const HoldCount::Hold initialisationOff(m.CommandsOff);
    const BusyModel::Guard inner = m.Start(Work::Initialisation);
    { const HoldCount::Hold readbackOff(m.CommandsOff); }
    EXPECT_TRUE(m.CommandsDisabled());
    EXPECT_EQ(m.MayStart(Work::Initialisation, {}), Verdict::Skip);  // never nested
  }
  EXPECT_FALSE(m.CommandsDisabled());
  EXPECT_TRUE(m.Running(Work::Initialisation));
  outer.reset();
  EXPECT_FALSE(m.Running(Work::Initialisation));
  EXPECT_EQ(m.MayStart(Work::Initialisation, {}), Verdict::Run);
}

TEST(BusyModel, StatusTick) {
  BusyModel m;
  // A reply wait is tested first, so demonstration mode ends polling only from a free tick.
  BusyFacts demo = Port(true);
  demo.demoMode = true;
  EXPECT_EQ(m.MayStart(Work::StatusPoll, demo), Verdict::Skip);
  demo.portInUse = false;
  EXPECT_EQ(m.MayStart(Work::StatusPoll, demo), Verdict::Cancel);
  EXPECT_EQ(m.MayStart(Work::StatusPoll, {}), Verdict::Run);
  for (Work w : {Work::QueueTick, Work::Initialisation}) {
    const BusyModel::Guard g = m.Start(w);
    EXPECT_EQ(m.MayStart(Work::StatusPoll, {}), Verdict::Skip);
  }
  // Calibration work asked for holds the poll off until it has run or is given up.
  m.Request(Work::CalLoad);
  EXPECT_EQ(m.MayStart(Work::StatusPoll, {}), Verdict::Skip);
  m.Finish(Work::CalLoad);
  EXPECT_EQ(m.MayStart(Work::StatusPoll, {}), Verdict::Run);
}

TEST(BusyModel, WorkDefersBehindAPollOrAReplyWait) {
  BusyModel m;
  for (Work w : {Work::QueueTick, Work::SettingsFile, Work::CalReadback, Work::CalLoad}) {
    EXPECT_EQ(m.MayStart(w, {}), Verdict::Run);
    EXPECT_EQ(m.MayStart(w, Port(true)), Verdict::Defer);
    const BusyModel::Guard poll = m.Start(Work::StatusPoll);
    EXPECT_EQ(m.MayStart(w, {}), Verdict::Defer);
  }
  // The calibration work does not wait for the queue; the queue and a
  // settings file do not run inside a tick.
  const BusyModel::Guard tick = m.Start(Work::QueueTick);
  EXPECT_EQ(m.MayStart(Work::CalReadback, {}), Verdict::Run);
  EXPECT_EQ(m.MayStart(Work::QueueTick, {}), Verdict::Defer);
  EXPECT_EQ(m.MayStart(Work::SettingsFile, {}), Verdict::Defer);
}

TEST(BusyModel, SettingsFileRefusedWhileAnotherOrAReadbackRuns) {
  BusyModel m;
  for (Work w : {Work::SettingsFile, Work::Initialisation}) {
    const BusyModel::Guard g = m.Start(w);
    EXPECT_EQ(m.MayStart(Work::SettingsFile, Port(true)), Verdict::Skip);  // refused, not retried
  }
}

TEST(BusyModel, RemoteLinesWait) {
  BusyModel m;
  EXPECT_EQ(m.MayStart(Work::RemoteLine, Port(true)), Verdict::Run);  // they join a busy queue
  BusyFacts f;
  f.startupPending = true;
  EXPECT_EQ(m.MayStart(Work::RemoteLine, f), Verdict::Wait);
  f = {};
  f.modalOpen = true;
  EXPECT_EQ(m.MayStart(Work::RemoteLine, f), Verdict::Wait);
  {
    const HoldCount::Hold off(m.CommandsOff);
    EXPECT_EQ(m.MayStart(Work::RemoteLine, {}), Verdict::Wait);
  }
  m.Request(Work::CalReadback);  // deferred behind a poll: the line still waits
  EXPECT_EQ(m.MayStart(Work::RemoteLine, {}), Verdict::Wait);
  m.Finish(Work::CalReadback);
  const BusyModel::Guard file = m.Start(Work::SettingsFile);
  EXPECT_EQ(m.MayStart(Work::RemoteLine, {}), Verdict::Wait);
}

TEST(BusyModel, TheEndCancelsEverything) {
  BusyModel m;
  BusyFacts ending;
  ending.exitRequested = true;
  for (Work w : {Work::Initialisation, Work::StatusPoll, Work::CalReadback, Work::CalLoad,
                 Work::SettingsFile, Work::RemoteLine, Work::QueueTick})
    EXPECT_EQ(m.MayStart(w, ending), Verdict::Cancel);
}
