#include "forms/FormArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>

namespace forms {

namespace {

// A square pulse train through the rectangle r: high for `high` pixels of
// every `period`, starting `phase` pixels into a period at the left edge.
QPainterPath PulseTrain(const QRectF &r, qreal period, qreal high, qreal phase) {
  QPainterPath p;
  const qreal lo = r.bottom(), hi = r.top();
  qreal x = r.left();
  qreal pos = std::fmod(phase, period);
  if (pos < 0) pos += period;
  bool up = pos < high;
  p.moveTo(x, up ? hi : lo);
  while (x < r.right()) {
    const qreal left = up ? high - pos : period - pos;  // to the next edge
    const qreal nx = std::min(r.right(), x + left);
    p.lineTo(nx, up ? hi : lo);
    if (nx >= r.right()) break;
    up = !up;
    p.lineTo(nx, up ? hi : lo);
    pos = up ? 0 : high;
    x = nx;
  }
  return p;
}

}  // namespace

QPixmap DrawBanner(const QSize &size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter g(&pm);
  g.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0, 0, size.width(), size.height());

  QLinearGradient bg(r.topLeft(), r.bottomRight());
  bg.setColorAt(0.0, QColor(8, 30, 84));
  bg.setColorAt(0.55, QColor(22, 74, 168));
  bg.setColorAt(1.0, QColor(52, 120, 214));
  g.fillRect(r, bg);

  // A soft light band across the upper half.
  QLinearGradient sheen(0, 0, 0, r.height());
  sheen.setColorAt(0.0, QColor(255, 255, 255, 60));
  sheen.setColorAt(0.45, QColor(255, 255, 255, 12));
  sheen.setColorAt(0.46, QColor(255, 255, 255, 0));
  g.fillRect(r, sheen);

  // Faint time grid and a pulse train along the bottom.
  g.setPen(QPen(QColor(255, 255, 255, 22), 1));
  for (qreal x = 360; x < r.width(); x += 24) g.drawLine(QPointF(x, 8), QPointF(x, r.height() - 8));
  const QRectF trace(352, r.height() * 0.26, r.width() - 360, r.height() * 0.50);
  g.setPen(QPen(QColor(120, 200, 255, 70), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  g.drawPath(PulseTrain(trace, 48, 14, 10));
  g.setPen(QPen(QColor(225, 242, 255, 200), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  g.drawPath(PulseTrain(trace, 48, 14, 10));

  // Maker's mark: a stylised "V" pulse in a ring, then the name.
  const QRectF mark(12, 10, 52, 52);
  QRadialGradient ring(mark.center(), mark.width() / 2);
  ring.setColorAt(0.0, QColor(255, 255, 255, 40));
  ring.setColorAt(1.0, QColor(255, 255, 255, 0));
  g.setBrush(ring);
  g.setPen(QPen(QColor(235, 245, 255), 2.2));
  g.drawEllipse(mark.adjusted(2, 2, -2, -2));
  QPainterPath v;
  v.moveTo(mark.left() + 9, mark.top() + 18);
  v.lineTo(mark.left() + 17, mark.top() + 18);
  v.lineTo(mark.center().x(), mark.bottom() - 12);
  v.lineTo(mark.right() - 17, mark.top() + 18);
  v.lineTo(mark.right() - 9, mark.top() + 18);
  g.setBrush(Qt::NoBrush);
  g.setPen(QPen(QColor(255, 255, 255), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  g.drawPath(v);

  QFont name("Tahoma");
  name.setPixelSize(34);
  name.setBold(true);
  name.setItalic(true);
  g.setFont(name);
  g.setPen(QColor(0, 0, 0, 90));
  g.drawText(QPointF(76, 44), "Velmora");
  g.setPen(Qt::white);
  g.drawText(QPointF(74, 42), "Velmora");

  QFont sub("Tahoma");
  sub.setPixelSize(12);
  sub.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  g.setFont(sub);
  g.setPen(QColor(190, 220, 255));
  g.drawText(QPointF(76, 61), "DIGITAL DELAY & PULSE GENERATORS");
  return pm;
}

QIcon AppIcon() {
  QIcon icon;
  for (int s : {16, 32, 48}) {
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, s - 1, s - 1);
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, QColor(22, 74, 168));
    bg.setColorAt(1, QColor(8, 30, 84));
    g.setBrush(bg);
    g.setPen(QPen(QColor(8, 30, 84), 1));
    g.drawRoundedRect(r, s / 6.0, s / 6.0);
    g.setPen(QPen(QColor(140, 255, 160), std::max(1.5, s / 14.0)));
    g.drawPath(PulseTrain(QRectF(s * 0.12, s * 0.3, s * 0.76, s * 0.4), s * 0.38, s * 0.14, s * 0.2));
    icon.addPixmap(pm);
  }
  return icon;
}

// --- TPulseAnimation -----------------------------------------------------------

TPulseAnimation::TPulseAnimation(QWidget *parent) : QLabel(parent), timer_(new QTimer(this)) {
  timer_->setTimerType(Qt::CoarseTimer);
  connect(timer_, &QTimer::timeout, this, &TPulseAnimation::Step);
  setScaledContents(true);
  setAttribute(Qt::WA_TranslucentBackground);
  timer_->setInterval(FrameInterval());
}

void TPulseAnimation::MakeFrames() {
  frames_.clear();
  const QSize sz = size().isEmpty() ? QSize(57, 41) : size();
  const qreal w = sz.width(), h = sz.height();
  const QRectF screen(1, 1, w - 2, h - 2);
  const QRectF trace(4, h * 0.28, w - 8, h * 0.46);
  const qreal period = std::max<qreal>(8, std::round(w / 2.5));
  const int steps = 12;
  for (int i = 0; i < steps; ++i) {
    QPixmap pm(sz);
    pm.fill(Qt::transparent);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(60, 70, 80), 1));
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(14, 26, 22));
    bg.setColorAt(1, QColor(4, 12, 10));
    g.setBrush(bg);
    g.drawRoundedRect(screen, 4, 4);
    g.setPen(QPen(QColor(60, 120, 80, 90), 1, Qt::DotLine));
    for (int k = 1; k < 4; ++k) g.drawLine(QPointF(w * k / 4, 3), QPointF(w * k / 4, h - 3));
    g.drawLine(QPointF(3, h / 2), QPointF(w - 3, h / 2));
    const QPainterPath p = PulseTrain(trace, period, period * 0.35, period * i / steps);
    g.setPen(QPen(QColor(60, 255, 120, 80), 4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    g.drawPath(p);
    g.setPen(QPen(QColor(150, 255, 170), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    g.drawPath(p);
    frames_.push_back(pm);
  }
  frame_ = std::min(frame_, int(frames_.size()) - 1);
  setPixmap(frames_.value(frame_));
}

void TPulseAnimation::resizeEvent(QResizeEvent *e) {
  QLabel::resizeEvent(e);
  MakeFrames();
}

void TPulseAnimation::Start() {
  if (frames_.isEmpty()) MakeFrames();
  timer_->start(FrameInterval());
}

void TPulseAnimation::Stop() { timer_->stop(); }

bool TPulseAnimation::Animating() const { return timer_->isActive(); }

void TPulseAnimation::setSpeed(int percent) {
  speed_ = std::clamp(percent, 1, 10000);
  timer_->setInterval(FrameInterval());
}

int TPulseAnimation::FrameInterval() const { return std::max(1, kFrameMs * 100 / speed_); }

void TPulseAnimation::Step() {
  if (frames_.isEmpty()) return;
  frame_ = (frame_ + 1) % int(frames_.size());
  setPixmap(frames_[frame_]);
}

}  // namespace forms
