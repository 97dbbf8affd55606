#pragma once
// The "Timing Diagram" window: the diagram, the problems of the settings in
// words under it, and the picture's export (SVG, PNG, clipboard). A window of
// its own beside the main window. It is given its input through SetInput, or
// follows a session's caches (Follow), and never talks to the instrument.
#include <QImage>
#include <QString>
#include <QWidget>

#include "diagram/TimingDiagram.h"

class QListWidget;
class QPushButton;
class TDiagramPlanPanel;
class TInstrumentSession;

class TTimingDiagramForm : public QWidget {
  Q_OBJECT
 public:
  explicit TTimingDiagramForm(QWidget *parent = nullptr);

  TTimingDiagram *Diagram() const { return diagram_; }
  // Only in demonstration mode (see Follow); nullptr otherwise.
  TDiagramPlanPanel *PlanPanel() const { return plan_; }

  // Moves the window beside `main` on main's screen: right of its frame when
  // the window fits there, else left of it; when neither side has room for
  // its width, narrowed to the wider side if that leaves a usable diagram,
  // else a little offset over it. It stays open beside the main window
  // rather than over it.
  void PlaceBeside(const QWidget &main);
  // The frame (top left and size) of a window of `frame` size beside
  // `mainFrame` inside the screen's `available` geometry; never narrower
  // than `minWidth` (unless the frame itself is) nor wider than the frame.
  static QRect BesideGeometry(const QRect &mainFrame, const QSize &frame, const QRect &available,
                              int minWidth);

  // Export of the diagram with its problem list. Written atomically: the
  // file is either the whole new picture or left as it was. False on failure,
  // with the reason in `error`.
  bool SaveSvg(const QString &path, QString *error = nullptr) const;
  bool SavePng(const QString &path, QString *error = nullptr) const;
  void CopyToClipboard() const;

  // For the end-to-end driver's probe: the view, every row's flags and first
  // edges, and the problems, one item a line (times in seconds).
  Q_INVOKABLE QString ProbeText() const;
  // The edges of every row within `span` seconds of `t`.
  Q_INVOKABLE QString EdgesNear(double t, double span) const;

 public Q_SLOTS:
  void SetInput(const vm::TDiagramInput &input);

 public:
  // Draws `session`'s settings from now on and after each change it tells.
  // Changes are gathered until the next turn of the event loop (a readback
  // tells many at once) and while a readback is under way; while the window
  // is hidden or minimised nothing is computed, and the latest settings are
  // drawn when it shows again. The session outlives the window.
  // In demonstration mode nothing is read, so there is nothing to follow:
  // the window draws a plan of its own instead, starting from the demo
  // model's settings, edited in a panel under the diagram.
  void Follow(const TInstrumentSession &session);

 protected:
  void showEvent(QShowEvent *e) override;
  void changeEvent(QEvent *e) override;

 private:
  void ShowPlan();
  void SessionChanged();
  void CatchUp();
  bool Showing() const;

  void AskAndSave(bool svg);
  void ShowProblems();
  QSize ExportSize() const;
  // The diagram as exported: the export size, at the screen's pixel ratio.
  QImage ExportImage() const;

  TTimingDiagram *diagram_;
  QListWidget *problems_;
  QPushButton *saveSvg_, *savePng_, *copy_;
  TDiagramPlanPanel *plan_ = nullptr;
  const TInstrumentSession *session_ = nullptr;
  bool stale_ = false;      // the session changed since it was last drawn
  bool scheduled_ = false;  // a catch-up waits for the next turn of the event loop
};
