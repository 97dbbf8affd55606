#pragma once
// The waveform model behind the timing diagram: the system and channel
// settings in, per row (T0, then outputs A..ChannelCount) the level changes
// inside a time window and the problems of the settings out, in words.
//
// Time 0 is the first period start of a run. The work for a window is bounded
// by its pixel columns, not by the number of periods it spans: each row has at
// most two edges per column, and changes closer than a pixel are merged into a
// band (Level::Band) and the row says so.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "main/core/ControlRules.h"
#include "main/core/Instrument.h"
#include "main/core/Readback.h"

namespace vm {

// Everything the diagram is drawn from; the instrument is never asked.
struct TDiagramInput {
  TSystemParameters System;
  TChannelTable Channels{};  // 1..8, element 0 unused
  OperatingLimits Limits;
  int ChannelCount = 4;
  bool operator==(const TDiagramInput& o) const;
};

enum class Level : uint8_t {
  Low,
  High,
  Band,  // several changes closer than a pixel, drawn as a filled band
};

// From `time` on the row is at `level`.
struct Edge {
  double time;
  Level level;
};

// The part of a pulse that lies past the next period start.
struct Overrun {
  double from;
  double to;
};

struct DiagramRow {
  int channel = 0;   // 0 T0, 1..8 outputs A..H
  std::string name;  // "T0", "Ch A"
  Level initial = Level::Low;  // level at the window's start
  std::vector<Edge> edges;     // in time order, inside the window
  std::vector<Overrun> overruns;  // visible overrun parts (none when too many to mark)
  bool disabled = false;       // drawn greyed and flat
  bool inverted = false;       // low-active output
  bool merged = false;         // at least one band in this window
  bool externalStart = false;  // starts on the external trigger (or gate)
  bool overrun = false;        // its pulses end after the next period start
  std::vector<std::string> labels;  // "delay 20.000 ns", "burst 3", ...
  // The level just after `t` (the last edge at or before t decides).
  Level LevelAt(double t) const;
};

struct Diagram {
  double t0 = 0;
  double t1 = 0;
  int columns = 0;
  std::vector<DiagramRow> rows;
  std::vector<std::string> problems;  // in words, independent of the window
};

// Columns per window never exceed this, whatever pixel budget is asked for.
inline constexpr int kMaxDiagramColumns = 4096;
// Overrun parts are marked one by one up to this many per row.
inline constexpr int kMaxOverrunMarks = 512;

// Rows and problems for the window [t0, t1] drawn `pixels` columns wide.
Diagram ComputeDiagram(const TDiagramInput& input, double t0, double t1, int pixels);

// Problems alone (what ComputeDiagram lists).
std::vector<std::string> DiagramProblems(const TDiagramInput& input);

// The default view: a little before the run start to two periods, or three
// when a pulse reaches past the first period.
std::pair<double, double> DefaultDiagramView(const TDiagramInput& input);

// Short letter of a level for texts and probes: "L", "H", "B".
const char* LevelLetter(Level level);

}  // namespace vm
