#pragma once
// The "Timing Diagram" window: the diagram, the problems of the settings in
// words under it, and the picture's export (SVG, PNG, clipboard). A window of
// its own beside the main window. It is given its input through SetInput, or
// follows a session's caches (Follow), and never talks to the instrument.
#include <QString>
#include <QWidget>

#include "diagram/TimingDiagram.h"

class QListWidget;
class QPushButton;
class TInstrumentSession;

class TTimingDiagramForm : public QWidget {
  Q_OBJECT
 public:
  explicit TTimingDiagramForm(QWidget *parent = nullptr);

  TTimingDiagram *Diagram() const { return diagram_; }

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
  void Follow(const TInstrumentSession &session);

 protected:
  void showEvent(QShowEvent *e) override;
  void changeEvent(QEvent *e) override;

 private:
  void SessionChanged();
  void CatchUp();
  bool Showing() const;

  void AskAndSave(bool svg);
  void ShowProblems();
  QSize ExportSize() const;

  TTimingDiagram *diagram_;
  QListWidget *problems_;
  QPushButton *saveSvg_, *savePng_, *copy_;
  const TInstrumentSession *session_ = nullptr;
  bool stale_ = false;      // the session changed since it was last drawn
  bool scheduled_ = false;  // a catch-up waits for the next turn of the event loop
};
