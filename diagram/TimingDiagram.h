#pragma once
// The timing diagram: draws the rows of the waveform model (diagram/core) on
// one time axis and lets the user move through time. It draws only what the
// model returns for the visible window and knows nothing of the instrument.
//
// Mouse: the wheel zooms around the pointer, a drag pans, a double click
// returns to the default view; a cursor line follows the pointer and shows
// the time and each row's level. Keys: + and Up zoom in, - and Down zoom out,
// Left and Right pan, Home returns to the default view.
#include <QWidget>
#include <optional>
#include <utility>

#include "diagram/core/TimingModel.h"

class TTimingDiagram : public QWidget {
  Q_OBJECT
 public:
  explicit TTimingDiagram(QWidget *parent = nullptr);

  // Recomputes and repaints. Until the user moves the view, each input sets
  // the default view (the settings the window opened on may be no guide, as
  // before the first readback); a view the user chose is kept, so a live
  // edit does not make it jump.
  void SetInput(const vm::TDiagramInput &input);
  const vm::TDiagramInput &Input() const { return input_; }

  // The visible window [t0, t1] in seconds.
  std::pair<double, double> View() const { return {t0_, t1_}; }
  void SetView(double t0, double t1);
  void FitDefault();
  void ZoomAround(double t, double factor);  // factor < 1 zooms in
  void PanBy(double fraction);               // of the visible span

  // The model for the present view and width (computed when stale).
  const vm::Diagram &Current() const;

  // Geometry for tests and the pointer: the traces' area, a row's band.
  QRect PlotRect() const { return PlotRectIn(rect()); }
  QRect RowRect(int row) const { return RowRectIn(rect(), row); }
  double TimeAtX(double x) const;
  double XAtTime(double t) const;
  // Where a row's trace is drawn high and low.
  int HighY(int row) const;
  int LowY(int row) const;

  // Paints the diagram (without the cursor) into `size` on any device,
  // followed by the problem list when `withProblems` is set.
  void Render(QPainter &p, QSize size, bool withProblems) const;
  // Height Render needs for the problem list under the diagram.
  int ProblemsHeight() const;

  QSize sizeHint() const override { return {900, 520}; }
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  void ViewChanged();
  void DiagramChanged();  // recomputed: the problems may have changed

 protected:
  void paintEvent(QPaintEvent *) override;
  void wheelEvent(QWheelEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;
  void mouseDoubleClickEvent(QMouseEvent *e) override;
  void leaveEvent(QEvent *) override;
  void keyPressEvent(QKeyEvent *e) override;

 private:
  QRect PlotRectIn(const QRect &area) const;
  QRect RowRectIn(const QRect &area, int row) const;
  int RowCount() const;
  void PaintDiagram(QPainter &p, const QRect &area, const vm::Diagram &d) const;
  void PaintCursor(QPainter &p, const vm::Diagram &d) const;
  vm::Diagram ComputeFor(const QRect &area) const;

  vm::TDiagramInput input_;
  bool hasInput_ = false;
  double t0_ = 0, t1_ = 1e-6;
  bool fitted_ = true;  // the view is the default one, not the user's
  mutable std::optional<vm::Diagram> cache_;
  mutable int cacheWidth_ = -1;
  std::optional<double> cursorX_;
  std::optional<QPoint> dragFrom_;
  double dragT0_ = 0, dragT1_ = 0;
};
