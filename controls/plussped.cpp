// TPlusSpinEdit: the widget around vm::SpinModel. The model owns the value,
// the text and the current digit; this file adds the pixels (layout, glyphs,
// painting, the mark), the step buttons with auto-repeat, keys and mouse.
#include "controls/plussped.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/Dialogs.h"
#include "controls/core/SpinModel.h"

namespace {

QString ToQ(const std::u16string &s) {
  return QString(reinterpret_cast<const QChar *>(s.data()), qsizetype(s.size()));
}

// A flat step button drawing its own frame and arrow glyph, sunken while held.
class TSpinButton : public QPushButton {
public:
  explicit TSpinButton(QWidget *parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void setGlyph(const QPixmap &p) {
    glyph = p;
    update();
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().color(QPalette::Button));
    const bool sunken = isDown();
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    p.setPen(sunken ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(sunken ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (!glyph.isNull()) {
      // Placed by its size in the button's units: at a device pixel ratio
      // above 1 the pixmap has more pixels than it covers.
      const int off = sunken ? 1 : 0;
      const QSizeF g = glyph.deviceIndependentSize();
      const QRectF target((r.width() - g.width()) / 2 + off, (r.height() - g.height()) / 2 + off,
                          g.width(), g.height());
      p.drawPixmap(target.toAlignedRect(), glyph);
    }
  }

private:
  QPixmap glyph;
};

}  // namespace

// Tahoma is what the window descriptions ask for; where it is not installed
// the nearest sans faces stand in, so the digits keep similar proportions.
void TPlusSpinEdit::InstallFontSubstitutes() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

struct TPlusSpinEdit::Private {
  vm::SpinModel m;
  bool autoSize = true;
  bool trackSpin = true;
  bool modified = false;
  bool editorEnabled = true;
  bool enabled = true;
  bool enterReq = false;
  TBorderStyle border = bsSingle;
  QColor color;

  // Geometry; valid once laid out for the current size.
  QFontMetrics fm{QFont()};
  int digitWidth = 8, digitHeight = 16;
  int capXStart = 0, capXStop = 0, capYStart = 0;
  QRect focusRect;
  bool displayFieldsInitialized = false;
  QSize laidOutFor{-1, -1};
  int glyphSize = -1;
  bool glyphEnabled = true;

  // Spin state.
  enum SpinSource { spinNone, spinKey, spinButton };
  bool spinning = false;
  SpinSource spinSource = spinNone;
  TSpinButton *heldButton = nullptr;
  bool caretVisible = false;

  TSpinButton *upButton = nullptr;
  TSpinButton *downButton = nullptr;
  QTimer *timer = nullptr;
};

TPlusSpinEdit::TPlusSpinEdit(QWidget *AOwner) : QWidget(AOwner), d(new Private) {
  InstallFontSubstitutes();
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted: no background erase
  setAutoFillBackground(false);
  // Tab gives the focus; a click takes it in the mouse handler (only while
  // the control is enabled).
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setContentsMargins(1, 1, 1, 1);

  d->upButton = new TSpinButton(this);
  d->upButton->setObjectName(QStringLiteral("fUpButton"));
  d->downButton = new TSpinButton(this);
  d->downButton->setObjectName(QStringLiteral("fDownButton"));
  d->upButton->installEventFilter(this);
  d->downButton->installEventFilter(this);

  d->timer = new QTimer(this);
  d->timer->setObjectName(QStringLiteral("fTimer"));
  connect(d->timer, &QTimer::timeout, this, &TPlusSpinEdit::RepeatTick);

  const int fontHeight = std::max(QFontInfo(font()).pixelSize(), 1);
  resize(8 * fontHeight, height());
  MeasureFont();
}

TPlusSpinEdit::~TPlusSpinEdit() { delete d; }

// --- value -----------------------------------------------------------------------

double TPlusSpinEdit::Value() const { return d->m.Value(); }

void TPlusSpinEdit::SetValue(double NewValue) {
  if (d->m.SetValue(NewValue)) Reformatted();
}

void TPlusSpinEdit::AssignValue(double v) {
  const double old = d->m.Value();
  SetValue(v);
  if (d->m.Value() == old) return;
  if (!d->spinning || d->trackSpin) {
    d->modified = false;
    Change();
  } else {
    d->modified = true;  // announced once when the spin ends
  }
}

void TPlusSpinEdit::Change() { Q_EMIT OnChange(this); }

qint64 TPlusSpinEdit::IntValue() const { return d->m.IntValue(); }
void TPlusSpinEdit::setIntValue(qint64 v) { AssignValue(double(v)); }
QString TPlusSpinEdit::Text() const { return ToQ(d->m.Text()); }

double TPlusSpinEdit::MinValue() const { return d->m.MinValue(); }
void TPlusSpinEdit::setMinValue(double v) {
  if (v == d->m.MinValue()) return;
  d->m.SetMinValue(v);
  AssignValue(d->m.Value());  // clamps into the new range
  if (d->autoSize) ApplyAutoSize();
}

double TPlusSpinEdit::MaxValue() const { return d->m.MaxValue(); }
void TPlusSpinEdit::setMaxValue(double v) {
  if (v == d->m.MaxValue()) return;
  d->m.SetMaxValue(v);
  AssignValue(d->m.Value());
  if (d->autoSize) ApplyAutoSize();
}

void TPlusSpinEdit::RightZero() { AssignValue(d->m.RightZeroValue()); }

// --- format and step ---------------------------------------------------------------

double TPlusSpinEdit::Increment() const { return d->m.Increment(); }
void TPlusSpinEdit::setIncrement(double v) {
  if (!d->m.SetIncrement(v)) return;
  Reformatted();
  Q_EMIT OnSetIncrement(this);
}

int TPlusSpinEdit::IncExponent() const { return d->m.IncExponent(); }
void TPlusSpinEdit::SetIncExponent(int e) {
  if (!d->m.SetIncExponent(e)) return;
  Q_EMIT OnSetIncrement(this);
  Reformatted();
}

int TPlusSpinEdit::Decimals() const { return d->m.Decimals(); }
void TPlusSpinEdit::setDecimals(int v) {
  d->m.SetDecimals(v);
  if (d->autoSize) ApplyAutoSize();
  Reformatted();
}

QChar TPlusSpinEdit::ThousandSeparator() const { return QChar(d->m.ThousandSeparator()); }
void TPlusSpinEdit::setThousandSeparator(QChar c) {
  if (d->m.SetThousandSeparator(c.unicode())) Reformatted();
}

int TPlusSpinEdit::Base() const { return d->m.Base(); }
void TPlusSpinEdit::setBase(int b) {
  if (!d->m.SetBase(b)) return;
  Q_EMIT OnSetIncrement(this);
  if (d->autoSize) ApplyAutoSize();
  Reformatted();
}

int TPlusSpinEdit::LeadingDigits() const { return d->m.LeadingDigits(); }
void TPlusSpinEdit::setLeadingDigits(int n) {
  d->m.SetLeadingDigits(n);
  Reformatted();
}

bool TPlusSpinEdit::AutoSize() const { return d->autoSize; }
void TPlusSpinEdit::setAutoSize(bool on) {
  d->autoSize = on;
  if (on) ApplyAutoSize();
}

TBorderStyle TPlusSpinEdit::BorderStyle() const { return d->border; }
void TPlusSpinEdit::setBorderStyle(TBorderStyle s) {
  if (s == d->border) return;
  d->border = s;
  const int b = s == bsSingle ? 1 : 0;
  setContentsMargins(b, b, b, b);
  d->laidOutFor = QSize(-1, -1);
  LayoutButtons();
  update();
}

bool TPlusSpinEdit::EditorEnabled() const { return d->editorEnabled; }
void TPlusSpinEdit::setEditorEnabled(bool on) { d->editorEnabled = on; }
bool TPlusSpinEdit::TrackSpin() const { return d->trackSpin; }
void TPlusSpinEdit::setTrackSpin(bool on) { d->trackSpin = on; }
bool TPlusSpinEdit::EnterRequired() const { return d->enterReq; }
void TPlusSpinEdit::setEnterRequired(bool on) { d->enterReq = on; }

bool TPlusSpinEdit::SpinEnabled() const { return d->enabled; }
void TPlusSpinEdit::setSpinEnabled(bool on) {
  if (on == d->enabled) return;
  d->enabled = on;
  LayoutButtons();  // black or grey arrows
  update();
}

QColor TPlusSpinEdit::Color() const { return d->color; }
void TPlusSpinEdit::setColor(const QColor &c) {
  d->color = c;
  update();
}

bool TPlusSpinEdit::Spinning() const { return d->spinning; }

// --- geometry ----------------------------------------------------------------------

void TPlusSpinEdit::MeasureFont() {
  d->fm = QFontMetrics(font());
  d->digitHeight = d->fm.height();
  d->digitWidth = d->fm.horizontalAdvance(QLatin1Char('0'));
  d->laidOutFor = QSize(-1, -1);
  if (d->autoSize)
    ApplyAutoSize();
  else
    LayoutButtons();
}

void TPlusSpinEdit::ApplyAutoSize() {
  const int b = d->border == bsSingle ? 1 : 0;
  int h = d->digitHeight + d->digitHeight / 3;
  if (h % 2 == 0) ++h;
  h += 2 * b;
  int w = width();
  const vm::SpinModel &m = d->m;
  if (m.HasLimits()) {
    const int base = m.Base();
    const double wide = vm::SpinModel::TopExponent(base, m.MaxValue()) >
                                vm::SpinModel::TopExponent(base, m.MinValue())
                            ? m.MaxValue()
                            : m.MinValue();
    const int textWidth = d->fm.horizontalAdvance(ToQ(m.Format(wide)));
    // Room for the text, a digit's margin on the left, and the buttons.
    const int bw = std::max(d->digitWidth + d->digitWidth / 2 + 8, 10);
    w = textWidth + std::max(h, bw + d->digitWidth + 2) + 2 * b;
  }
  resize(w, h);
  LayoutButtons();
}

void TPlusSpinEdit::LayoutButtons() {
  const QRect c = contentsRect();
  const int cw = c.width(), ch = c.height();
  const int bw = std::max(d->digitWidth + d->digitWidth / 2 + 8, 10);
  d->upButton->setGeometry(c.left() + cw - bw, c.top(), bw, ch / 2);
  d->downButton->setGeometry(c.left() + cw - bw, c.top() + ch / 2, bw, ch - ch / 2);

  // Arrow glyphs, rebuilt only when their size or colour changes.
  int s = std::max(int(std::lround(1.3 * std::pow(double(bw), 0.75))) - 2, 4);
  if (s % 2) --s;
  if (s != d->glyphSize || d->enabled != d->glyphEnabled) {
    d->glyphSize = s;
    d->glyphEnabled = d->enabled;
    const QColor ink = d->enabled ? QColor(Qt::black) : QColor(128, 128, 128);
    const qreal dpr = devicePixelRatioF();
    auto make = [&](bool up) {
      QPixmap pm(QSize(s + 1, s / 2 + 2) * dpr);
      pm.setDevicePixelRatio(dpr);
      pm.fill(Qt::transparent);
      QPainter p(&pm);
      p.setPen(ink);
      p.setBrush(ink);
      const QPoint upPts[3] = {{0, s / 2}, {s / 2, 0}, {s, s / 2}};
      const QPoint downPts[3] = {{0, 1}, {s / 2, s / 2 + 1}, {s, 1}};
      p.drawPolygon(up ? upPts : downPts, 3);
      return pm;
    };
    d->upButton->setGlyph(make(true));
    d->downButton->setGlyph(make(false));
  }

  d->capXStop = d->upButton->x() - d->digitWidth / 2;
  d->capYStart = c.top() + (ch - d->digitHeight) / 2;
  d->laidOutFor = size();
  UpdateDisplayFields();
}

void TPlusSpinEdit::EnsureLayout() const {
  if (d->laidOutFor != size()) const_cast<TPlusSpinEdit *>(this)->LayoutButtons();
}

void TPlusSpinEdit::UpdateDisplayFields() {
  const QString text = ToQ(d->m.DisplayText());
  const QFontMetrics &fm = d->fm;
  d->capXStart = d->capXStop - fm.horizontalAdvance(text);
  const int fi = d->m.FocusIndex();
  int left, right;
  if (fi >= 1 && fi <= text.size()) {
    const int w2 = fm.horizontalAdvance(text.left(fi));
    const int w3 = fm.horizontalAdvance(text.mid(fi - 1, 1));
    left = d->capXStart + w2 - w3;
    right = d->capXStart + w2 - 1;
  } else {
    // A digit finer than the last decimal: an empty box just right of the text.
    left = d->capXStop;
    right = left + std::max(d->digitWidth / 2, 2) - 1;
  }
  d->focusRect = QRect(QPoint(left, d->capYStart), QPoint(right, d->capYStart + d->digitHeight - 1));
  d->displayFieldsInitialized = true;
}

void TPlusSpinEdit::Reformatted() {
  if (d->laidOutFor == size()) UpdateDisplayFields();
  update();
}

QRect TPlusSpinEdit::FocusRect() const {
  EnsureLayout();
  return d->focusRect;
}

int TPlusSpinEdit::TextLeft() const {
  EnsureLayout();
  return d->capXStart;
}

bool TPlusSpinEdit::DisplayFieldsInitialized() const { return d->displayFieldsInitialized; }

QSize TPlusSpinEdit::sizeHint() const { return size(); }

void TPlusSpinEdit::resizeEvent(QResizeEvent *) { LayoutButtons(); }

void TPlusSpinEdit::changeEvent(QEvent *e) {
  if (e->type() == QEvent::FontChange) MeasureFont();
  if (e->type() == QEvent::PaletteChange) update();
  QWidget::changeEvent(e);
}

// --- painting ------------------------------------------------------------------------

void TPlusSpinEdit::paintEvent(QPaintEvent *) {
  EnsureLayout();
  QPainter p(this);
  const QRect c = contentsRect();
  if (d->border == bsSingle) {
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  // The text area: everything left of the buttons.
  const QRect area(c.left(), c.top(), d->upButton->x() - c.left(), c.height());
  p.setClipRect(area);
  p.fillRect(area, d->color.isValid() ? d->color : palette().color(QPalette::Base));

  const QString text = ToQ(d->m.DisplayText());
  const int baseline = d->capYStart + d->fm.ascent();
  p.setFont(font());
  p.setPen(d->enabled ? palette().color(QPalette::Text) : QColor(128, 128, 128));
  p.drawText(d->capXStart, baseline, text);

  const QRect &r = d->focusRect;
  const int fi = d->m.FocusIndex();
  const bool inText = fi >= 1 && fi <= text.size();
  if (hasFocus()) {
    p.fillRect(r, QColor(0, 0, 255));
    if (inText) {
      p.setPen(Qt::white);
      p.drawText(r.left(), baseline, text.mid(fi - 1, 1));
    }
    if (d->caretVisible) {
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      p.fillRect(QRect(r.left(), r.bottom(), r.width(), 2), Qt::white);
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
  } else if (inText) {
    p.setPen(Qt::black);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  }
}

// --- focus -------------------------------------------------------------------------

void TPlusSpinEdit::focusInEvent(QFocusEvent *e) {
  d->caretVisible = !d->spinning;
  update();
  QWidget::focusInEvent(e);
}

void TPlusSpinEdit::focusOutEvent(QFocusEvent *e) {
  d->caretVisible = false;
  // A spin cannot outlive the focus: a dialog opening in the middle of it
  // would swallow the button release and leave the repeat running.
  if (d->spinning) EndSpin();
  update();
  QWidget::focusOutEvent(e);
}

void TPlusSpinEdit::hideEvent(QHideEvent *e) {
  if (d->spinning) EndSpin();
  QWidget::hideEvent(e);
}

// --- steps and spins ------------------------------------------------------------------

void TPlusSpinEdit::StepUp(QObject *Sender) { Step(+1, Sender); }
void TPlusSpinEdit::StepDown(QObject *Sender) { Step(-1, Sender); }

void TPlusSpinEdit::Step(int direction, QObject *Sender) {
  if (!d->enabled) return;
  if (Sender == d->timer) {
    d->timer->setInterval(kRepeatInterval);
    // Pointer dragged off the held button: pause until it comes back.
    if (!d->heldButton || !d->heldButton->isDown()) return;
  }
  AssignValue(d->m.StepValue(direction));
}

void TPlusSpinEdit::RepeatTick() {
  if (!d->heldButton) {
    d->timer->stop();
    return;
  }
  Step(d->heldButton == d->upButton ? +1 : -1, d->timer);
}

void TPlusSpinEdit::ButtonMouseDown(QPushButton *button) {
  if (!d->enabled) return;
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  d->spinning = true;
  d->spinSource = Private::spinButton;
  d->heldButton = static_cast<TSpinButton *>(button);
  d->caretVisible = false;
  d->timer->setInterval(kRepeatDelay);
  d->timer->start();
  Step(button == d->upButton ? +1 : -1, nullptr);
  update();
}

void TPlusSpinEdit::ButtonMouseUp() {
  // The release always ends a button spin, even if the control was disabled
  // meanwhile: a deferred change must not be lost.
  if (d->spinning && d->spinSource == Private::spinButton) EndSpin();
}

void TPlusSpinEdit::EndSpin() {
  d->spinning = false;
  d->spinSource = Private::spinNone;
  d->heldButton = nullptr;
  d->timer->stop();
  d->caretVisible = hasFocus();
  update();
  if (!d->trackSpin && d->modified) {
    d->modified = false;
    Change();
  }
}

bool TPlusSpinEdit::eventFilter(QObject *watched, QEvent *e) {
  if (watched == d->upButton || watched == d->downButton) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:  // a quick second click is a press too
        if (static_cast<QMouseEvent *>(e)->button() != Qt::LeftButton) break;
        if (!d->enabled) return true;  // no pressed look, no step
        ButtonMouseDown(static_cast<QPushButton *>(watched));
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(e)->button() != Qt::LeftButton) break;
        ButtonMouseUp();
        if (!d->enabled) return true;
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, e);
}

// --- keyboard ---------------------------------------------------------------------------

bool TPlusSpinEdit::event(QEvent *e) {
  // Keys the control works with win over window shortcuts while it has the focus.
  if (e->type() == QEvent::ShortcutOverride && d->enabled) {
    auto *k = static_cast<QKeyEvent *>(e);
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    switch (k->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Left:
      case Qt::Key_Right:
        e->accept();
        return true;
      case Qt::Key_0:
        if (ctrl) {
          e->accept();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QWidget::event(e);
}

void TPlusSpinEdit::keyPressEvent(QKeyEvent *e) {
  if (!d->enabled) {
    e->ignore();
    return;
  }
  const Qt::KeyboardModifiers mods = e->modifiers();
  switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!d->spinning) {
        d->caretVisible = false;
        d->spinning = true;
        d->spinSource = Private::spinKey;
      }
      Step(e->key() == Qt::Key_Up ? +1 : -1, this);
      update();
      e->accept();
      return;
    case Qt::Key_Left:
      EnsureLayout();
      if (d->focusRect.left() - contentsRect().left() > d->digitWidth - 2)
        SetIncExponent(d->m.IncExponent() + 1);
      e->ignore();
      return;
    case Qt::Key_Right:
      if (d->m.IncExponent() > -d->m.Decimals()) SetIncExponent(d->m.IncExponent() - 1);
      e->ignore();
      return;
    case Qt::Key_0:
      if (mods & Qt::ControlModifier) {
        RightZero();
        e->accept();
        return;
      }
      break;
    default:
      break;
  }
  const QString t = e->text();
  // Keys the control does not use (Return, Escape, letters ...) go on to
  // the window.
  if (t.size() == 1 && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
      TypeCharacter(t.at(0))) {
    e->accept();
    return;
  }
  e->ignore();
}

void TPlusSpinEdit::keyReleaseEvent(QKeyEvent *e) {
  // The release ends a key spin even when the control was disabled while
  // the key was held, as a button release does.
  if (!e->isAutoRepeat() && d->spinning && d->spinSource == Private::spinKey) EndSpin();
  e->ignore();
}

bool TPlusSpinEdit::TypeCharacter(QChar c) {
  if (!d->editorEnabled) return false;
  double v = 0;
  switch (d->m.TypedDigitValue(c.unicode(), v)) {
    case vm::SpinModel::TypeResult::Ignored:
      return false;
    case vm::SpinModel::TypeResult::Invalid: {
      vm::MessageRequest req;
      req.icon = QMessageBox::Critical;
      req.title = QApplication::applicationName();
      req.text = QStringLiteral("Not a valid number");
      vm::ShowMessage(this, req);
      return true;
    }
    case vm::SpinModel::TypeResult::Accepted:
      break;
  }
  if (d->m.IncExponent() > -d->m.Decimals()) SetIncExponent(d->m.IncExponent() - 1);
  AssignValue(v);
  return true;
}

// --- mouse --------------------------------------------------------------------------------

void TPlusSpinEdit::mousePressEvent(QMouseEvent *e) {
  if (!d->enabled) return;
  if (e->button() == Qt::LeftButton) {
    EnsureLayout();
    const QFontMetrics &fm = d->fm;
    const int x = int(std::floor(e->position().x())) - d->capXStart;
    SetIncExponent(d->m.PickExponent(x, [&fm](std::u16string_view s) {
      return fm.horizontalAdvance(
          QString(reinterpret_cast<const QChar *>(s.data()), qsizetype(s.size())));
    }));
  }
  if (!hasFocus())
    setFocus(Qt::MouseFocusReason);
  else
    update();
}

void TPlusSpinEdit::mouseDoubleClickEvent(QMouseEvent *e) {
  if (!d->enabled) return;
  // The first click of the pair has already picked the digit.
  if (e->button() == Qt::LeftButton) RightZero();
}
