// The waveform model against cases worked out by hand. Period 1 µs, windows
// of about 1 ns per column, so every edge comes out exact.
#include <gtest/gtest.h>

#include "diagram/core/TimeText.h"
#include "diagram/core/TimingModel.h"

using namespace vm;

namespace {

constexpr double us = 1e-6, ns = 1e-9;

TDiagramInput Base() {
  TDiagramInput in;
  in.System.Period = 1 * us;
  in.ChannelCount = 4;
  for (int n = 1; n <= 4; ++n) {
    TChannelParameters& p = in.Channels[size_t(n)];
    p.Enabled = 1;
    p.Mux = 1 << (n - 1);
    p.Width = 100 * ns;
  }
  return in;
}

Diagram Window(const TDiagramInput& in, double t1 = 10 * us) {
  return ComputeDiagram(in, -0.1 * us, t1, int((t1 + 0.1 * us) / ns));
}

// Times at which the row goes to `level`.
std::vector<double> To(const DiagramRow& row, Level level) {
  std::vector<double> t;
  for (const Edge& e : row.edges)
    if (e.level == level) t.push_back(e.time);
  return t;
}

void ExpectTimes(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-15) << "edge " << i;
}

}  // namespace

TEST(TimingModel, ChainAddsTheDelaysOfItsSources) {
  TDiagramInput in = Base();
  in.Channels[1].Delay = 100 * ns;                                  // A on T0
  in.Channels[2].Delay = 200 * ns, in.Channels[2].SyncSource = 1;  // B on A
  in.Channels[3].Delay = 50 * ns, in.Channels[3].SyncSource = 2;   // C on B
  const Diagram d = Window(in, 3 * us);
  ASSERT_EQ(d.rows.size(), 5u);
  ExpectTimes(To(d.rows[0], Level::High), {0, 1 * us, 2 * us});
  ExpectTimes(To(d.rows[3], Level::High), {350 * ns, 1350 * ns, 2350 * ns});
  ExpectTimes(To(d.rows[3], Level::Low), {450 * ns, 1450 * ns, 2450 * ns});
  EXPECT_EQ(d.rows[0].initial, Level::Low);
  EXPECT_TRUE(d.problems.empty());
  EXPECT_FALSE(d.rows[3].merged);
}

TEST(TimingModel, CountModes) {
  TDiagramInput in = Base();
  in.Channels[1].Mode = 2, in.Channels[1].BurstCount = 3;  // burst of 3
  in.Channels[2].Mode = 3, in.Channels[2].DutyOnCount = 2, in.Channels[2].DutyOffCount = 3;
  in.Channels[3].WaitCount = 2;                             // normal after two
  in.Channels[4].Mode = 1, in.Channels[4].WaitCount = 2;    // single shot after two
  const Diagram d = Window(in);
  ExpectTimes(To(d.rows[1], Level::High), {0, 1 * us, 2 * us});
  ExpectTimes(To(d.rows[2], Level::High), {0, 1 * us, 5 * us, 6 * us});
  ExpectTimes(To(d.rows[3], Level::High), {2 * us, 3 * us, 4 * us, 5 * us, 6 * us, 7 * us, 8 * us, 9 * us});
  ExpectTimes(To(d.rows[4], Level::High), {2 * us});

  // A system burst of 3 stops T0 and everything synced to it.
  TDiagramInput sys = Base();
  sys.System.Mode = 2, sys.System.BurstCount = 3;
  sys.Channels[2].Mode = 3, sys.Channels[2].DutyOnCount = 1, sys.Channels[2].DutyOffCount = 1;
  const Diagram s = Window(sys);
  ExpectTimes(To(s.rows[0], Level::High), {0, 1 * us, 2 * us});
  ExpectTimes(To(s.rows[1], Level::High), {0, 1 * us, 2 * us});
  ExpectTimes(To(s.rows[2], Level::High), {0, 2 * us});
}

TEST(TimingModel, MuxOrsTimersThenPolarityInverts) {
  TDiagramInput in = Base();
  in.Channels[1].Mux = 0b101;  // output A: timers A and C
  in.Channels[3].Delay = 500 * ns;
  in.Channels[2].Polarity = 1;
  in.Channels[2].Delay = 300 * ns;
  Diagram d = Window(in, 1 * us);
  ExpectTimes(To(d.rows[1], Level::High), {0, 500 * ns});
  ExpectTimes(To(d.rows[1], Level::Low), {100 * ns, 600 * ns});
  EXPECT_EQ(d.rows[2].initial, Level::High);
  ExpectTimes(To(d.rows[2], Level::Low), {300 * ns});
  ExpectTimes(To(d.rows[2], Level::High), {400 * ns});

  // Overlapping timers make one pulse, not a glitch where one ends.
  in.Channels[3].Delay = 50 * ns;
  d = Window(in, 1 * us);
  ExpectTimes(To(d.rows[1], Level::High), {0});
  ExpectTimes(To(d.rows[1], Level::Low), {150 * ns});
}

TEST(TimingModel, PulsePastThePeriodIsMarkedAndNamed) {
  TDiagramInput in = Base();
  in.Channels[1].Delay = 900 * ns, in.Channels[1].Width = 300 * ns;
  in.Channels[2].SyncSource = 1, in.Channels[2].Delay = 50 * ns;  // pushed past by A
  in.Channels[4].Delay = 900 * ns;  // ends exactly at the next T0
  in.Channels[4].Enabled = 0;       // but its output is off: nothing to say
  const Diagram d = Window(in, 2 * us);
  ASSERT_EQ(d.problems.size(), 2u);
  EXPECT_EQ(d.problems[0], "Ch A ends 200 ns after the next T0");
  EXPECT_EQ(d.problems[1], "Ch B ends 50 ns after the next T0");
  EXPECT_TRUE(d.rows[1].overrun);
  EXPECT_FALSE(d.rows[3].overrun);
  ASSERT_FALSE(d.rows[1].overruns.empty());
  EXPECT_NEAR(d.rows[1].overruns[0].from, 1 * us, 1e-15);
  EXPECT_NEAR(d.rows[1].overruns[0].to, 1.2 * us, 1e-15);

  in.Channels[4].Enabled = 1;
  EXPECT_EQ(DiagramProblems(in).back(), "Ch D ends at the next T0");
  // A pulse that never repeats runs into nothing.
  in.System.Mode = 1;
  EXPECT_TRUE(DiagramProblems(in).empty());
}

TEST(TimingModel, SyncLoopIsNamedAndItsChannelsStayFlat) {
  TDiagramInput in = Base();
  in.Channels[1].SyncSource = 2;
  in.Channels[2].SyncSource = 1;
  in.Channels[3].SyncSource = 1;  // downstream of the loop
  const Diagram d = Window(in, 2 * us);
  ASSERT_EQ(d.problems.size(), 1u);
  EXPECT_EQ(d.problems[0], "Sync loop: Ch A \xE2\x86\x92 Ch B \xE2\x86\x92 Ch A");
  for (int r : {1, 2, 3}) {
    EXPECT_TRUE(d.rows[size_t(r)].edges.empty()) << r;
    EXPECT_EQ(d.rows[size_t(r)].labels.back(), "no trigger: sync loop");
  }
  EXPECT_EQ(To(d.rows[4], Level::High).size(), 2u);

  in.ChannelCount = 2;  // C, D gone; A's source B stays, a source beyond the model is named
  in.Channels[2].SyncSource = 3;
  EXPECT_EQ(DiagramProblems(in), std::vector<std::string>{"Ch B syncs to Ch C, which this model does not have"});
}

TEST(TimingModel, SettingsTheInstrumentCannotMakeAreNamed) {
  TDiagramInput in = Base();
  in.Channels[2].Width = 0.1 * ns;
  in.Channels[3].Delay = 0.1 * ns;
  in.Channels[4].Width = 0;
  in.Channels[4].Enabled = 0;  // not drawn anywhere: not listed
  EXPECT_EQ(DiagramProblems(in), (std::vector<std::string>{
                                     "Ch B width 0.1 ns is below the 0.25 ns resolution",
                                     "Ch C delay 0.1 ns is below the 0.25 ns resolution"}));
  // Before any readback every value is 0: no endless walk over the periods.
  const Diagram empty = Window(TDiagramInput{});
  EXPECT_EQ(empty.problems.front(), "T0 period 0 ns is below the 5 ns resolution");
  for (const DiagramRow& r : empty.rows) EXPECT_TRUE(r.edges.empty());
}

TEST(TimingModel, DenseWindowIsBoundedAndSaysSo) {
  TDiagramInput in = Base();
  in.System.Period = 100 * ns;
  for (int n = 1; n <= 4; ++n) in.Channels[size_t(n)].Width = 20 * ns;
  in.Channels[2].Mode = 3, in.Channels[2].DutyOnCount = 5000000, in.Channels[2].DutyOffCount = 5000000;
  const Diagram d = ComputeDiagram(in, 0, 1.5, 1500);
  // Fifteen million pulses of T0 in one band from the first edge to the last.
  ASSERT_EQ(d.rows[0].edges.size(), 2u);
  EXPECT_EQ(d.rows[0].edges[0].level, Level::Band);
  EXPECT_EQ(d.rows[0].edges[0].time, 0);
  EXPECT_TRUE(d.rows[0].merged);
  EXPECT_EQ(d.rows[0].labels.back(), "edges closer than a pixel merged");
  // Half a second on, half a second off, on again.
  ASSERT_EQ(d.rows[2].edges.size(), 4u);
  EXPECT_NEAR(d.rows[2].edges[1].time, 0.5 - 80 * ns, 1e-12);
  EXPECT_EQ(d.rows[2].edges[1].level, Level::Low);
  EXPECT_NEAR(d.rows[2].edges[2].time, 1.0, 1e-12);
  for (const DiagramRow& r : d.rows) EXPECT_LE(r.edges.size(), 2u * 1500);
  // 90 ns columns: some hold two of A's edges, some one; edges less than a
  // pixel apart across a column border join the same band.
  const Diagram near = ComputeDiagram(in, 0, 99 * us, 1100);
  ASSERT_EQ(near.rows[1].edges.size(), 2u);
  EXPECT_EQ(near.rows[1].edges[0].level, Level::Band);
  EXPECT_LE(ComputeDiagram(in, 0, 1, 1000000).columns, kMaxDiagramColumns);
}

TEST(TimingModel, ExternalModesAndLabels) {
  TDiagramInput in = Base();
  in.System.TrigMode = 3;        // channel gate: only gated channels wait for it
  in.Channels[2].GateMode = 1;
  in.Channels[1].Delay = 20 * ns;
  const Diagram d = Window(in, 1 * us);
  EXPECT_FALSE(d.rows[0].externalStart);
  EXPECT_FALSE(d.rows[1].externalStart);
  EXPECT_TRUE(d.rows[2].externalStart);
  EXPECT_EQ(d.rows[0].labels[0], "period 1.000 \xC2\xB5s");
  EXPECT_EQ(d.rows[1].labels[1], "delay 20.000 ns");
  in.System.TrigMode = 1;
  EXPECT_TRUE(Window(in, 1 * us).rows[0].externalStart);
  EXPECT_EQ(FormatTimeShort(1.5e-6), "1.5 \xC2\xB5s");
  EXPECT_EQ(FormatTimeDigits(999.9999999999e-9, 12), "1.000000 \xC2\xB5s");
}
