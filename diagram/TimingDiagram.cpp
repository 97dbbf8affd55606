#include "diagram/TimingDiagram.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "diagram/core/TimeText.h"

namespace {

constexpr int kGutter = 64;      // row names
constexpr int kRightMargin = 14;
constexpr double kMinSpan = 1e-9;  // a few steps of the finest resolution
constexpr double kMaxSpan = 1e5;
constexpr double kMaxTime = 1e6;
constexpr double kWheelStep = 0.8;  // span factor per wheel notch

QString Q(const std::string &s) { return QString::fromStdString(s); }

// 1, 2 or 5 times a power of ten, at least `raw`.
double NiceStep(double raw) {
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * p >= raw) return m * p;
  return 10 * p;
}

QColor WarningColor() { return QColor(224, 64, 40); }

// Opaque blend of two colours: solid fills of whole-pixel rectangles take
// the painter's fast path, where translucent ones and long drawn lines are
// cut into spans (and, in the raster engine, handed to worker threads).
QColor Mix(const QColor &a, const QColor &b, double t) {
  return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                          float(a.greenF() + (b.greenF() - a.greenF()) * t),
                          float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A vertical line of one pixel from y0 to y1, solid or dashed.
void VLine(QPainter &p, double x, int y0, int y1, const QColor &c, int dash = 0) {
  const int ix = int(std::floor(x));
  if (!dash) {
    p.fillRect(QRect(ix, y0, 1, y1 - y0 + 1), c);
    return;
  }
  for (int y = y0; y <= y1; y += 2 * dash) p.fillRect(QRect(ix, y, 1, std::min(dash, y1 - y + 1)), c);
}

QString LevelWord(vm::Level l) {
  switch (l) {
    case vm::Level::High: return QStringLiteral("high");
    case vm::Level::Low: return QStringLiteral("low");
    default: return QStringLiteral("busy");
  }
}

}  // namespace

TTimingDiagram::TTimingDiagram(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TimingDiagram"));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::CrossCursor);
}

void TTimingDiagram::SetInput(const vm::TDiagramInput &input) {
  if (hasInput_ && input == input_) return;
  input_ = input;
  cache_.reset();
  hasInput_ = true;
  if (fitted_) FitDefault();
  updateGeometry();
  update();
  Q_EMIT DiagramChanged();
}

void TTimingDiagram::SetView(double t0, double t1) {
  if (!(t1 > t0) || !std::isfinite(t0) || !std::isfinite(t1)) return;
  double span = std::clamp(t1 - t0, kMinSpan, kMaxSpan);
  const double mid = std::clamp((t0 + t1) / 2, -kMaxTime, kMaxTime);
  t0_ = mid - span / 2;
  t1_ = mid + span / 2;
  fitted_ = false;
  cache_.reset();
  update();
  Q_EMIT ViewChanged();
}

void TTimingDiagram::FitDefault() {
  const auto [a, b] = vm::DefaultDiagramView(input_);
  SetView(a, b);
  fitted_ = true;
}

void TTimingDiagram::ZoomAround(double t, double factor) {
  SetView(t - (t - t0_) * factor, t + (t1_ - t) * factor);
}

void TTimingDiagram::PanBy(double fraction) {
  const double d = (t1_ - t0_) * fraction;
  SetView(t0_ + d, t1_ + d);
}

int TTimingDiagram::RowCount() const { return 1 + std::clamp(input_.ChannelCount, 0, 8); }

QRect TTimingDiagram::PlotRectIn(const QRect &area) const {
  const int axis = fontMetrics().height() + 10;
  return QRect(area.left() + kGutter, area.top() + axis,
               std::max(1, area.width() - kGutter - kRightMargin),
               std::max(1, area.height() - axis - 4));
}

QRect TTimingDiagram::RowRectIn(const QRect &area, int row) const {
  const QRect plot = PlotRectIn(area);
  const int n = RowCount();
  const int h = std::max(1, plot.height() / n);
  return QRect(area.left(), plot.top() + row * h, area.width(), h);
}

int TTimingDiagram::HighY(int row) const {
  const QRect r = RowRect(row);
  return r.top() + QFontMetrics(font()).height() + 6;
}

int TTimingDiagram::LowY(int row) const { return RowRect(row).bottom() - 6; }

QSize TTimingDiagram::minimumSizeHint() const {
  const int fh = fontMetrics().height();
  return {kGutter + 320, fh + 14 + RowCount() * (2 * fh + 18)};
}

double TTimingDiagram::TimeAtX(double x) const {
  const QRect plot = PlotRect();
  return t0_ + (x - plot.left()) / plot.width() * (t1_ - t0_);
}

double TTimingDiagram::XAtTime(double t) const {
  const QRect plot = PlotRect();
  return plot.left() + (t - t0_) / (t1_ - t0_) * plot.width();
}

vm::Diagram TTimingDiagram::ComputeFor(const QRect &area) const {
  if (!hasInput_) return vm::Diagram{t0_, t1_, 0, {}, {}};
  return vm::ComputeDiagram(input_, t0_, t1_, PlotRectIn(area).width());
}

const vm::Diagram &TTimingDiagram::Current() const {
  if (!cache_ || cacheWidth_ != PlotRect().width()) {
    cache_ = ComputeFor(rect());
    cacheWidth_ = PlotRect().width();
  }
  return *cache_;
}

void TTimingDiagram::PaintDiagram(QPainter &p, const QRect &area, const vm::Diagram &d) const {
  const QPalette &pal = palette();
  const QColor text = pal.color(QPalette::Text);
  const QColor grey = pal.color(QPalette::Disabled, QPalette::Text);
  const QColor base = pal.color(QPalette::Base);
  const QColor grid = Mix(base, pal.color(QPalette::Mid), 0.45);
  p.fillRect(area, base);
  const QRect plot = PlotRectIn(area);
  const double span = t1_ - t0_;
  auto X = [&](double t) { return plot.left() + (t - t0_) / span * plot.width(); };
  const QFontMetrics fm(font());

  // Row bands, alternating so a row's label reads against its own trace.
  const int rows = d.rows.empty() ? 0 : int(d.rows.size());
  for (int r = 0; r < rows; ++r)
    if (r % 2) p.fillRect(RowRectIn(area, r), pal.color(QPalette::AlternateBase));

  // Time axis and grid.
  p.setPen(text);
  const double step = NiceStep(span * 90 / plot.width());
  for (double k = std::ceil(t0_ / step); k * step <= t1_; k += 1) {
    const double t = std::fabs(k) < 0.5 ? 0 : k * step;
    const double x = X(t);
    VLine(p, x, plot.top(), plot.bottom(), grid);
    VLine(p, x, plot.top() - 4, plot.top(), text);
    const QString label = Q(vm::FormatTimeShort(t));
    const int w = fm.horizontalAdvance(label);
    p.drawText(QPointF(std::clamp(x - w / 2.0, double(area.left()), double(area.right() - w)),
                       area.top() + fm.ascent() + 2),
               label);
  }
  p.fillRect(QRect(plot.left(), plot.top(), plot.width(), 1), text);

  if (d.rows.empty()) {
    p.setPen(grey);
    p.drawText(plot, Qt::AlignCenter, tr("No settings to draw yet"));
    return;
  }

  // Period starts, where they are far enough apart to help the eye.
  const double period = input_.System.Period;
  if (period > 0 && period / span * plot.width() >= 8) {
    const QColor dots = Mix(base, pal.color(QPalette::Mid), 0.8);
    for (double k = std::max(0.0, std::ceil(t0_ / period)); k * period <= t1_; k += 1)
      VLine(p, X(k * period), plot.top(), plot.bottom(), dots, 2);
  }

  QFont bold = font();
  bold.setBold(true);
  for (int r = 0; r < rows; ++r) {
    const vm::DiagramRow &row = d.rows[size_t(r)];
    const QRect band = RowRectIn(area, r);
    const double yh = band.top() + fm.height() + 6;
    const double yl = band.bottom() - 6;
    const QColor ink = row.disabled ? grey : text;

    p.setFont(bold);
    p.setPen(ink);
    p.drawText(QRect(band.left() + 6, band.top(), kGutter - 8, band.height()),
               Qt::AlignLeft | Qt::AlignVCenter, Q(row.name));
    p.setFont(font());
    if (row.overrun) {
      p.setPen(Qt::NoPen);
      p.setBrush(WarningColor());
      const QRectF dot(band.left() + kGutter - 18, band.center().y() - 6, 12, 12);
      p.drawEllipse(dot);
      p.setPen(Qt::white);
      p.drawText(dot, Qt::AlignCenter, QStringLiteral("!"));
      p.setBrush(Qt::NoBrush);
    }
    QStringList labels;
    for (const std::string &l : row.labels) labels << Q(l);
    p.setPen(ink);
    p.drawText(QRectF(plot.left() + 4, band.top() + 2, plot.width() - 8, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, labels.join(QStringLiteral("   ")));

    // Parts of pulses past the next period start.
    const QColor warn = Mix(base, WarningColor(), 0.3);
    for (const vm::Overrun &o : row.overruns) {
      const int x0 = int(X(o.from)), x1 = std::max(int(X(o.to)), x0 + 1);
      p.fillRect(QRect(x0, int(yh) - 2, x1 - x0, int(yl - yh) + 4), warn);
    }

    // The trace, in whole-pixel rectangles (see Mix): level stretches,
    // the edges between them, and bands filled between low and high.
    const int th = row.disabled ? 1 : 2;
    const int iyh = int(yh), iyl = int(yl);
    const QColor fill = Mix(base, ink, 0.3);
    auto px = [&](double t) { return int(std::floor(X(t))); };
    auto yOf = [&](vm::Level l) { return l == vm::Level::High ? iyh : iyl; };
    auto hseg = [&](int xa, int xb, int yy) {
      if (!row.disabled) {
        p.fillRect(QRect(xa, yy - th / 2, xb - xa + th, th), ink);
        return;
      }
      for (int x = xa; x <= xb; x += 7) p.fillRect(QRect(x, yy, std::min(4, xb - x + 1), 1), ink);
    };
    auto vseg = [&](int x, int ya, int yb) {
      p.fillRect(QRect(x - th / 2, std::min(ya, yb) - th / 2, th, std::abs(yb - ya) + th), ink);
    };
    vm::Level cur = row.initial;
    int xPrev = px(t0_);
    int bandFrom = xPrev;
    auto closeBand = [&](int x) {
      p.fillRect(QRect(bandFrom, iyh, std::max(1, x - bandFrom), iyl - iyh), fill);
      hseg(bandFrom, x, iyh);
      hseg(bandFrom, x, iyl);
    };
    for (const vm::Edge &e : row.edges) {
      const int x = px(e.time);
      if (cur == vm::Level::Band) closeBand(x);
      else hseg(xPrev, x, yOf(cur));
      if (e.level == vm::Level::Band) bandFrom = x;
      else if (cur != vm::Level::Band) vseg(x, yOf(cur), yOf(e.level));
      xPrev = x;
      cur = e.level;
    }
    if (cur == vm::Level::Band) closeBand(px(t1_));
    else hseg(xPrev, px(t1_), yOf(cur));

    // A row that waits for the external input marks the run start.
    if (row.externalStart && t0_ <= 0 && 0 <= t1_) {
      const double x = X(0);
      QPainterPath arrow;
      arrow.moveTo(x, yl + 1);
      arrow.lineTo(x - 4, yl + 6);
      arrow.lineTo(x + 4, yl + 6);
      arrow.closeSubpath();
      p.fillPath(arrow, pal.color(QPalette::Highlight));
    }
  }
}

void TTimingDiagram::PaintCursor(QPainter &p, const vm::Diagram &d) const {
  if (!cursorX_) return;
  const QRect plot = PlotRect();
  const double x = *cursorX_;
  if (x < plot.left() || x > plot.right()) return;
  const QPalette &pal = palette();
  const QFontMetrics fm(font());
  VLine(p, x, plot.top(), plot.bottom(), pal.color(QPalette::Highlight));
  const double t = TimeAtX(x);
  auto tag = [&](const QString &s, double top) {
    const int w = fm.horizontalAdvance(s) + 8;
    const double left = x + 4 + w > rect().right() ? x - 4 - w : x + 4;
    const QRectF box(left, top, w, fm.height() + 2);
    p.fillRect(box, pal.color(QPalette::ToolTipBase));
    p.setPen(pal.color(QPalette::ToolTipText));
    p.drawText(box, Qt::AlignCenter, s);
  };
  tag(Q(vm::FormatTimeShort(t)), 0);
  for (size_t r = 0; r < d.rows.size(); ++r) {
    const QRect band = RowRect(int(r));
    tag(LevelWord(d.rows[r].LevelAt(t)), band.bottom() - fm.height() - 14);
  }
}

void TTimingDiagram::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const vm::Diagram &d = Current();
  PaintDiagram(p, rect(), d);
  PaintCursor(p, d);
  if (hasFocus()) {
    const QColor c = palette().color(QPalette::Highlight);
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
  }
}

int TTimingDiagram::ProblemsHeight() const {
  const int lines = int(Current().problems.size());
  return lines ? (lines + 1) * fontMetrics().height() + 12 : 0;
}

void TTimingDiagram::Render(QPainter &p, QSize size, bool withProblems) const {
  const int extra = withProblems ? ProblemsHeight() : 0;
  const QRect area(0, 0, size.width(), size.height() - extra);
  // The model for the picture's own width, so an export never draws more
  // (or fewer) edges than its pixels can show.
  const vm::Diagram d = ComputeFor(area);
  p.save();
  p.setFont(font());
  p.setRenderHint(QPainter::Antialiasing, true);
  PaintDiagram(p, area, d);
  if (extra) {
    const QFontMetrics fm(font());
    p.fillRect(QRect(0, area.bottom() + 1, size.width(), extra), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Text));
    double y = area.bottom() + 6 + fm.ascent();
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QPointF(8, y), tr("Problems"));
    p.setFont(font());
    for (const std::string &line : d.problems) {
      y += fm.height();
      p.drawText(QPointF(8, y), Q(line));
    }
  }
  p.restore();
}

void TTimingDiagram::wheelEvent(QWheelEvent *e) {
  const QPoint delta = e->angleDelta();
  const int notches = delta.y() ? delta.y() : delta.x();
  if (!notches) return;
  ZoomAround(TimeAtX(e->position().x()), std::pow(kWheelStep, notches / 120.0));
  e->accept();
}

void TTimingDiagram::mousePressEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton) return;
  dragFrom_ = e->position().toPoint();
  dragT0_ = t0_;
  dragT1_ = t1_;
  setCursor(Qt::ClosedHandCursor);
}

void TTimingDiagram::mouseMoveEvent(QMouseEvent *e) {
  cursorX_ = e->position().x();
  if (dragFrom_ && (e->buttons() & Qt::LeftButton)) {
    const double dt = (e->position().x() - dragFrom_->x()) / PlotRect().width() * (dragT1_ - dragT0_);
    SetView(dragT0_ - dt, dragT1_ - dt);
  }
  update();
}

void TTimingDiagram::mouseReleaseEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton) return;
  dragFrom_.reset();
  setCursor(Qt::CrossCursor);
}

void TTimingDiagram::mouseDoubleClickEvent(QMouseEvent *e) {
  if (e->button() == Qt::LeftButton) FitDefault();
}

void TTimingDiagram::leaveEvent(QEvent *) {
  cursorX_.reset();
  update();
}

void TTimingDiagram::keyPressEvent(QKeyEvent *e) {
  const QRect plot = PlotRect();
  const double pivot = cursorX_ && *cursorX_ >= plot.left() && *cursorX_ <= plot.right()
                           ? TimeAtX(*cursorX_)
                           : (t0_ + t1_) / 2;
  switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Up: ZoomAround(pivot, kWheelStep); break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
    case Qt::Key_Down: ZoomAround(pivot, 1 / kWheelStep); break;
    case Qt::Key_Left: PanBy(-0.1); break;
    case Qt::Key_Right: PanBy(0.1); break;
    case Qt::Key_Home: FitDefault(); break;
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}
