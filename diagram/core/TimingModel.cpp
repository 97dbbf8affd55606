#include "diagram/core/TimingModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <set>

#include "diagram/core/TimeText.h"
#include "main/core/CommandSet.h"

namespace vm {

namespace {

// Counts and ordinals live in int64; "without end" is this large number, far
// beyond any period index a window of doubles can reach.
constexpr int64_t kEndless = int64_t(1) << 62;

// Which pulses of its sync source a timer answers, by ordinal (0 = the
// source's first pulse of the run). Every mode is a wait, then a repeating
// pattern of `on` kept and `off` skipped ordinals, then at most `limit`.
struct Filter {
  int64_t wait = 0;
  int64_t on = 1;
  int64_t off = 0;  // 0: every ordinal after the wait
  int64_t limit = kEndless;
};

// Kept ordinals among [0, x).
int64_t Rank(const Filter& f, int64_t x) {
  const int64_t y = x - f.wait;
  if (y <= 0 || f.limit <= 0) return 0;
  int64_t k = y;
  if (f.off > 0) {
    const int64_t p = f.on + f.off;
    k = (y / p) * f.on + std::min(y % p, f.on);
  }
  return std::min(k, f.limit);
}

// Ordinal of the i-th kept one (i below Rank(f, kEndless)).
int64_t Select(const Filter& f, int64_t i) {
  if (f.off <= 0) return f.wait + i;
  return f.wait + (i / f.on) * (f.on + f.off) + i % f.on;
}

int64_t Count(int64_t v) { return std::max<int64_t>(0, v); }

Filter SystemFilter(const TSystemParameters& s) {
  Filter f;
  switch (s.Mode) {
    case 1: f.limit = 1; break;
    case 2: f.limit = s.BurstCount; break;
    case 3:
      f.on = s.DutyOnCount;
      f.off = s.DutyOffCount;
      if (f.on <= 0) f.limit = 0;
      else if (s.CycleCount > 0) f.limit = int64_t(s.CycleCount) * f.on;
      break;
    default: break;  // continuous, and any mode the model does not know
  }
  return f;
}

Filter ChannelFilter(const TChannelParameters& p) {
  Filter f;
  f.wait = Count(p.WaitCount);
  switch (p.Mode) {
    case 1: f.limit = 1; break;
    case 2: f.limit = Count(p.BurstCount); break;
    case 3:
      f.on = Count(p.DutyOnCount);
      f.off = Count(p.DutyOffCount);
      if (f.on == 0) f.limit = 0;
      break;
    default: break;
  }
  return f;
}

// The pulses of one timer: the period starts m = 0, 1, ... filtered by T0's
// mode and then by every channel of the sync chain from T0 down; a kept
// period m gives a pulse [m*P + offset, m*P + offset + width).
struct Timer {
  bool valid = false;            // it has a trigger (no loop, no missing source)
  std::vector<Filter> chain;     // applied first to last
  double offset = 0;
  double width = 0;
  double period = 0;
  int64_t total = 0;             // pulses of the whole run

  int64_t Rank(int64_t m) const {
    for (const Filter& f : chain) m = vm::Rank(f, m);
    return m;
  }
  int64_t Select(int64_t i) const {
    for (auto f = chain.rbegin(); f != chain.rend(); ++f) i = vm::Select(*f, i);
    return i;
  }
  bool Draws() const { return valid && width > 0 && total > 0; }
  double Start(int64_t i) const { return double(Select(i)) * period + offset; }
  // Periods m >= 0 whose time m*P + shift lies before x.
  int64_t PeriodsBefore(double x, double shift) const {
    const double q = (x - shift) / period;
    if (!(q > 0)) return 0;
    if (q >= 4e18) return kEndless;
    return std::min<int64_t>(int64_t(std::ceil(q)), kEndless);
  }
  int64_t RisesBefore(double x) const { return Rank(PeriodsBefore(x, offset)); }
  int64_t FallsBefore(double x) const { return Rank(PeriodsBefore(x, offset + width)); }
};

enum class Trouble { None, Loop, MissingSource };

struct Plan {
  bool periodOk = false;
  int count = 0;
  Timer t0;
  std::array<Timer, kMaxChannels + 1> timers;
  std::array<Trouble, kMaxChannels + 1> trouble{};
  std::array<bool, kMaxChannels + 1> visible{};  // seen on an enabled output
  std::array<bool, kMaxChannels + 1> used{};     // visible, or in the chain of one
  std::vector<std::string> problems;
};

std::string Name(int ch) { return GetChSyncName(ch); }

int MuxMask(const TChannelParameters& p, int count) {
  return p.Mux & ((1 << count) - 1);
}

bool ExternalTrigger(const TSystemParameters& s) { return s.TrigMode == 1 || s.TrigMode == 2; }
bool ChannelGated(const TDiagramInput& in, int n) {
  const TChannelParameters& p = in.Channels[size_t(n)];
  return (in.System.TrigMode == 3 && p.GateMode != 0) || p.ControlMode != 0;
}

std::string ModeLabel(int32_t mode, int64_t burst, int64_t on, int64_t off) {
  switch (mode) {
    case 1: return "single shot";
    case 2: return "burst " + std::to_string(burst);
    case 3: return "duty " + std::to_string(on) + " on / " + std::to_string(off) + " off";
    default: return "";
  }
}

Plan MakePlan(const TDiagramInput& in) {
  Plan plan;
  const TSystemParameters& sys = in.System;
  plan.count = std::clamp(in.ChannelCount, 0, kMaxChannels);
  const double period = sys.Period;
  plan.periodOk = std::isfinite(period) && period > 0 && period >= in.Limits.PeriodResolution;
  if (!plan.periodOk)
    plan.problems.push_back("T0 period " + FormatTimeShort(period) + " is below the " +
                            FormatTimeShort(in.Limits.PeriodResolution) + " resolution");

  plan.t0.valid = plan.periodOk;
  plan.t0.chain = {SystemFilter(sys)};
  plan.t0.period = period;
  plan.t0.width = period / 2;  // T0 has no width setting; half a period shows each start
  if (plan.t0.valid) plan.t0.total = plan.t0.Rank(kEndless);

  std::set<std::string> loops;
  for (int n = 1; n <= plan.count; ++n) {
    Timer& t = plan.timers[size_t(n)];
    t.period = period;
    t.width = in.Channels[size_t(n)].Width;
    std::vector<int> path{n};
    int k = n;
    for (;;) {
      const int s = in.Channels[size_t(k)].SyncSource;
      if (s == 0) break;
      if (s < 0 || s > plan.count) {
        plan.trouble[size_t(n)] = Trouble::MissingSource;
        if (k == n) {
          const std::string src = Name(s).empty() ? "an unknown source (" + std::to_string(s) + ")"
                                                  : Name(s) + ", which this model does not have";
          plan.problems.push_back(Name(n) + " syncs to " + src);
        }
        break;
      }
      const auto seen = std::find(path.begin(), path.end(), s);
      if (seen != path.end()) {
        plan.trouble[size_t(n)] = Trouble::Loop;
        // Name the loop once, from its lowest channel, in the order of sync.
        std::vector<int> cycle(seen, path.end());
        std::reverse(cycle.begin(), cycle.end());  // source before the one it drives
        std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
        std::string text = "Sync loop: ";
        for (int c : cycle) text += Name(c) + " \xE2\x86\x92 ";
        loops.insert(text + Name(cycle.front()));
        break;
      }
      path.push_back(s);
      k = s;
    }
    if (plan.trouble[size_t(n)] != Trouble::None) continue;
    t.chain.push_back(SystemFilter(sys));
    for (auto c = path.rbegin(); c != path.rend(); ++c) {
      t.chain.push_back(ChannelFilter(in.Channels[size_t(*c)]));
      t.offset += in.Channels[size_t(*c)].Delay;
    }
    t.valid = plan.periodOk && std::isfinite(t.offset) && std::isfinite(t.width);
    if (t.valid) t.total = t.Rank(kEndless);
  }
  plan.problems.insert(plan.problems.end(), loops.begin(), loops.end());

  for (int n = 1; n <= plan.count; ++n) {
    const TChannelParameters& p = in.Channels[size_t(n)];
    if (!p.Enabled) continue;
    for (int k = 1; k <= plan.count; ++k)
      if (MuxMask(p, plan.count) & (1 << (k - 1))) plan.visible[size_t(k)] = true;
  }
  for (int k = 1; k <= plan.count; ++k) {
    if (!plan.visible[size_t(k)]) continue;
    for (int c = k, steps = 0; c >= 1 && c <= plan.count && steps <= plan.count; ++steps) {
      plan.used[size_t(c)] = true;
      c = in.Channels[size_t(c)].SyncSource;
    }
  }

  for (int k = 1; k <= plan.count; ++k) {
    if (!plan.used[size_t(k)]) continue;
    const TChannelParameters& p = in.Channels[size_t(k)];
    if (p.Delay > 0 && p.Delay < in.Limits.DelayResolution)
      plan.problems.push_back(Name(k) + " delay " + FormatTimeShort(p.Delay) + " is below the " +
                              FormatTimeShort(in.Limits.DelayResolution) + " resolution");
    if (p.Width < in.Limits.WidthResolution)
      plan.problems.push_back(Name(k) + " width " + FormatTimeShort(p.Width) + " is below the " +
                              FormatTimeShort(in.Limits.WidthResolution) + " resolution");
  }
  for (int k = 1; k <= plan.count; ++k) {
    const Timer& t = plan.timers[size_t(k)];
    // A pulse that never repeats cannot run into its next trigger.
    if (!plan.visible[size_t(k)] || !t.Draws() || t.total <= 1) continue;
    const double past = t.offset + t.width - period;
    if (past < -1e-13) continue;
    plan.problems.push_back(past <= 1e-13 ? Name(k) + " ends at the next T0"
                                          : Name(k) + " ends " + FormatTimeShort(past) +
                                                " after the next T0");
  }
  return plan;
}

bool Overruns(const Plan& plan, int k) {
  const Timer& t = plan.timers[size_t(k)];
  return plan.visible[size_t(k)] && t.Draws() && t.total > 1 &&
         t.offset + t.width - t.period >= -1e-13;
}

// Rise and fall counts of one timer before every column boundary.
struct Sampled {
  const Timer* timer;
  std::vector<int64_t> rise, fall;
};

Sampled Sample(const Timer& t, const std::vector<double>& bounds) {
  Sampled s{&t, std::vector<int64_t>(bounds.size()), std::vector<int64_t>(bounds.size())};
  for (size_t c = 0; c < bounds.size(); ++c) {
    s.rise[c] = t.RisesBefore(bounds[c]);
    s.fall[c] = t.FallsBefore(bounds[c]);
  }
  return s;
}

Level Of(bool high) { return high ? Level::High : Level::Low; }

// Turns column results into edges: changes a pixel or more apart stay exact,
// changes closer than a pixel (within a column or across its border) become
// one band from the first to the last. So a row has at most about two edges
// per column.
class RowBuilder {
 public:
  RowBuilder(std::vector<Edge>& edges, Level start, double pixel)
      : edges_(edges), cur_(start), pixel_(pixel) {}
  void Change(double t, Level l) {
    if (inBand_ && t - bandEnd_ < pixel_) {
      bandEnd_ = t;
      after_ = l;
      return;
    }
    Close();
    if (l == cur_) return;
    if (JoinsLastEdge(t)) {
      Open(t, l);
      return;
    }
    edges_.push_back({t, l});
    cur_ = l;
  }
  void Band(double from, double to, Level after) {
    if (!(inBand_ && from - bandEnd_ < pixel_)) {
      Close();
      if (!JoinsLastEdge(from)) edges_.push_back({from, Level::Band});
    }
    Open(to, after);
  }
  void Close() {
    if (!inBand_) return;
    edges_.push_back({bandEnd_, after_});
    cur_ = after_;
    inBand_ = false;
  }
  bool merged() const { return merged_; }

 private:
  // A change within a pixel of the last exact edge turns that edge into the
  // start of a band.
  bool JoinsLastEdge(double t) {
    if (edges_.empty() || edges_.back().level == Level::Band || t - edges_.back().time >= pixel_)
      return false;
    edges_.back().level = Level::Band;
    return true;
  }
  void Open(double to, Level after) {
    inBand_ = true;
    merged_ = true;
    bandEnd_ = to;
    after_ = after;
  }

  std::vector<Edge>& edges_;
  Level cur_;
  double pixel_;
  bool inBand_ = false;
  bool merged_ = false;
  double bandEnd_ = 0;
  Level after_ = Level::Low;
};

// The OR of the selected timers over the columns.
void Trace(const std::vector<const Sampled*>& sel, const std::vector<double>& bounds,
           DiagramRow& row) {
  auto high = [&](size_t c) {
    for (const Sampled* s : sel)
      if (s->rise[c] > s->fall[c]) return true;
    return false;
  };
  row.initial = Of(high(0));
  RowBuilder out(row.edges, row.initial, (bounds.back() - bounds.front()) / double(bounds.size() - 1));
  // Up to this many raw edges in a column are ordered one by one; more are a
  // band at once, which keeps a column's cost independent of the pulse rate.
  constexpr int64_t kExactEdges = 16;
  struct Event {
    double t;
    bool rise;
    size_t timer;
  };
  std::vector<Event> events;
  std::vector<int64_t> active(sel.size());
  std::vector<Edge> changes;
  const size_t columns = bounds.size() - 1;
  for (size_t c = 0; c < columns; ++c) {
    int64_t raw = 0;
    bool steadyHigh = false;
    for (const Sampled* s : sel) {
      const int64_t e = (s->rise[c + 1] - s->rise[c]) + (s->fall[c + 1] - s->fall[c]);
      raw += e;
      if (e == 0 && s->rise[c] > s->fall[c]) steadyHigh = true;
    }
    if (raw == 0 || steadyHigh) continue;
    const Level after = Of(high(c + 1));
    if (raw > kExactEdges) {
      double first = bounds[c + 1], last = bounds[c];
      for (const Sampled* s : sel) {
        const Timer& t = *s->timer;
        if (s->rise[c + 1] > s->rise[c]) {
          first = std::min(first, t.Start(s->rise[c]));
          last = std::max(last, t.Start(s->rise[c + 1] - 1));
        }
        if (s->fall[c + 1] > s->fall[c]) {
          first = std::min(first, t.Start(s->fall[c]) + t.width);
          last = std::max(last, t.Start(s->fall[c + 1] - 1) + t.width);
        }
      }
      out.Band(first, last, after);
      continue;
    }
    events.clear();
    changes.clear();
    for (size_t k = 0; k < sel.size(); ++k) {
      const Sampled& s = *sel[k];
      active[k] = s.rise[c] - s.fall[c];
      for (int64_t i = s.rise[c]; i < s.rise[c + 1]; ++i) events.push_back({s.timer->Start(i), true, k});
      for (int64_t i = s.fall[c]; i < s.fall[c + 1]; ++i)
        events.push_back({s.timer->Start(i) + s.timer->width, false, k});
    }
    // At one instant a rise goes first, so a pulse handing over to the next
    // leaves no zero-width gap.
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
      return a.t < b.t || (a.t == b.t && a.rise && !b.rise);
    });
    bool level = high(c);
    for (const Event& e : events) {
      active[e.timer] += e.rise ? 1 : -1;
      bool now = false;
      for (int64_t a : active) now = now || a > 0;
      if (now == level) continue;
      level = now;
      if (!changes.empty() && changes.back().time == e.t) changes.pop_back();  // no change after all
      else changes.push_back({e.t, Of(now)});
    }
    if (changes.size() == 1) out.Change(changes[0].time, changes[0].level);
    else if (changes.size() > 1) out.Band(changes.front().time, changes.back().time, after);
  }
  out.Close();
  row.merged = out.merged();
}

void MarkOverruns(const Timer& t, double t0, double t1, std::vector<Overrun>& marks) {
  const int64_t lo = t.RisesBefore(t0 - t.width);
  const int64_t hi = t.RisesBefore(t1);
  if (hi - lo > kMaxOverrunMarks) return;
  for (int64_t i = lo; i < hi; ++i) {
    const int64_t m = t.Select(i);
    const double start = double(m) * t.period + t.offset;
    const double from = std::max({start, double(m + 1) * t.period, t0});
    const double to = std::min(start + t.width, t1);
    if (to > from) marks.push_back({from, to});
  }
}

Level Invert(Level l) {
  return l == Level::Low ? Level::High : l == Level::High ? Level::Low : l;
}

}  // namespace

bool TDiagramInput::operator==(const TDiagramInput& o) const {
  const OperatingLimits &a = Limits, &b = o.Limits;
  return System == o.System && Channels == o.Channels && ChannelCount == o.ChannelCount &&
         a.PeriodResolution == b.PeriodResolution && a.PeriodDecimals == b.PeriodDecimals &&
         a.PeriodMin == b.PeriodMin && a.PeriodMax == b.PeriodMax && a.SysBurstMax == b.SysBurstMax &&
         a.SysDutyMax == b.SysDutyMax && a.SysCycleMax == b.SysCycleMax &&
         a.DelayResolution == b.DelayResolution && a.DelayDecimals == b.DelayDecimals &&
         a.DelayMin == b.DelayMin && a.DelayMax == b.DelayMax &&
         a.WidthResolution == b.WidthResolution && a.WidthDecimals == b.WidthDecimals &&
         a.WidthMin == b.WidthMin && a.WidthMax == b.WidthMax && a.ChBurstMax == b.ChBurstMax &&
         a.ChDutyMax == b.ChDutyMax && a.ChWaitMax == b.ChWaitMax;
}

Level DiagramRow::LevelAt(double t) const {
  const auto it = std::upper_bound(edges.begin(), edges.end(), t,
                                   [](double v, const Edge& e) { return v < e.time; });
  return it == edges.begin() ? initial : std::prev(it)->level;
}

const char* LevelLetter(Level level) {
  return level == Level::High ? "H" : level == Level::Low ? "L" : "B";
}

std::vector<std::string> DiagramProblems(const TDiagramInput& input) {
  return MakePlan(input).problems;
}

Diagram ComputeDiagram(const TDiagramInput& in, double t0, double t1, int pixels) {
  const Plan plan = MakePlan(in);
  Diagram d;
  d.t0 = t0;
  d.t1 = t1 > t0 ? t1 : t0 + 1e-9;
  d.columns = std::clamp(pixels, 1, kMaxDiagramColumns);
  d.problems = plan.problems;
  std::vector<double> bounds(size_t(d.columns) + 1);
  for (int c = 0; c <= d.columns; ++c) bounds[size_t(c)] = d.t0 + (d.t1 - d.t0) * c / d.columns;
  bounds.back() = d.t1;

  const TSystemParameters& sys = in.System;
  const bool external = ExternalTrigger(sys);

  DiagramRow t0row;
  t0row.channel = 0;
  t0row.name = "T0";
  t0row.externalStart = external;
  t0row.labels.push_back("period " + FormatTimeDigits(sys.Period, in.Limits.PeriodDecimals));
  {
    std::string mode = ModeLabel(sys.Mode, sys.BurstCount, sys.DutyOnCount, sys.DutyOffCount);
    if (sys.Mode == 3 && sys.CycleCount > 0) mode += ", " + std::to_string(sys.CycleCount) + " cycles";
    t0row.labels.push_back(mode.empty() ? "continuous" : mode);
  }
  if (plan.t0.Draws()) {
    const Sampled s = Sample(plan.t0, bounds);
    Trace({&s}, bounds, t0row);
  }
  d.rows.push_back(std::move(t0row));

  std::array<std::optional<Sampled>, kMaxChannels + 1> sampled;
  for (int n = 1; n <= plan.count; ++n) {
    const TChannelParameters& p = in.Channels[size_t(n)];
    DiagramRow row;
    row.channel = n;
    row.name = Name(n);
    row.disabled = !p.Enabled;
    row.inverted = p.Polarity == 1;
    row.externalStart = external || ChannelGated(in, n);
    const int mask = MuxMask(p, plan.count);

    const int src = p.SyncSource;
    row.labels.push_back("sync " + (Name(src).empty() ? "?" : Name(src)));
    row.labels.push_back("delay " + FormatTimeDigits(p.Delay, in.Limits.DelayDecimals));
    row.labels.push_back("width " + FormatTimeDigits(p.Width, in.Limits.WidthDecimals));
    if (std::string mode = ModeLabel(p.Mode, p.BurstCount, p.DutyOnCount, p.DutyOffCount); !mode.empty())
      row.labels.push_back(mode);
    if (p.WaitCount > 0) row.labels.push_back("wait " + std::to_string(p.WaitCount));
    if (mask != (1 << (n - 1))) {
      std::string letters;
      for (int k = 1; k <= plan.count; ++k)
        if (mask & (1 << (k - 1))) letters += (letters.empty() ? "" : "|") + std::string(1, char('A' + k - 1));
      row.labels.push_back("mux " + (letters.empty() ? std::string("none") : letters));
    }
    if (row.inverted) row.labels.push_back("inverted");
    if (row.disabled) row.labels.push_back("disabled");
    if (plan.trouble[size_t(n)] == Trouble::Loop) row.labels.push_back("no trigger: sync loop");
    if (plan.trouble[size_t(n)] == Trouble::MissingSource)
      row.labels.push_back("no trigger: missing sync source");
    if (row.externalStart) row.labels.push_back("starts on the external trigger");

    if (row.disabled) {
      row.initial = row.inverted ? Level::High : Level::Low;
    } else {
      std::vector<const Sampled*> sel;
      for (int k = 1; k <= plan.count; ++k) {
        if (!(mask & (1 << (k - 1))) || !plan.timers[size_t(k)].Draws()) continue;
        if (!sampled[size_t(k)]) sampled[size_t(k)] = Sample(plan.timers[size_t(k)], bounds);
        sel.push_back(&*sampled[size_t(k)]);
        if (Overruns(plan, k)) {
          row.overrun = true;
          MarkOverruns(plan.timers[size_t(k)], d.t0, d.t1, row.overruns);
        }
      }
      Trace(sel, bounds, row);
      std::sort(row.overruns.begin(), row.overruns.end(),
                [](const Overrun& a, const Overrun& b) { return a.from < b.from; });
      if (row.inverted) {
        row.initial = Invert(row.initial);
        for (Edge& e : row.edges) e.level = Invert(e.level);
      }
      if (row.merged) row.labels.push_back("edges closer than a pixel merged");
    }
    d.rows.push_back(std::move(row));
  }
  if (d.rows.front().merged) d.rows.front().labels.push_back("edges closer than a pixel merged");
  return d;
}

std::pair<double, double> DefaultDiagramView(const TDiagramInput& in) {
  const Plan plan = MakePlan(in);
  double reach = 0;  // latest end of a first pulse after its period start
  for (int k = 1; k <= plan.count; ++k) {
    const Timer& t = plan.timers[size_t(k)];
    if (plan.visible[size_t(k)] && plan.trouble[size_t(k)] == Trouble::None) reach = std::max(reach, t.offset + std::max(0.0, t.width));
  }
  double span;
  if (plan.periodOk) {
    const double P = in.System.Period;
    span = (in.System.Mode == 1 && reach <= P ? 1 : reach <= P ? 2 : 3) * P;
  } else {
    span = reach > 0 ? reach : 1e-6;
  }
  return {-0.05 * span, 1.05 * span};
}

}  // namespace vm
