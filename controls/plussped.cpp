// Placeholder implementation: holds the properties only. Replaced by the full
// control (value model, drawing, keyboard and mouse).
#include "controls/plussped.h"

struct TPlusSpinEdit::Private {
  double value = 0, minv = 0, maxv = 0, inc = 1;
  int decimals = 2, base = 10, leading = 0;
  QChar sep;
  bool autoSize = true, editor = true, track = true, enabled = true, enterReq = false;
  TBorderStyle border = bsSingle;
};

TPlusSpinEdit::TPlusSpinEdit(QWidget *AOwner) : QWidget(AOwner), d(new Private) {}
TPlusSpinEdit::~TPlusSpinEdit() { delete d; }
double TPlusSpinEdit::Value() const { return d->value; }
void TPlusSpinEdit::SetValue(double v) {
  if (d->minv != d->maxv) v = qBound(d->minv, v, d->maxv);
  d->value = v;
}
void TPlusSpinEdit::AssignValue(double v) {
  double old = d->value;
  SetValue(v);
  if (old != d->value) Q_EMIT OnChange(this);
}
qint64 TPlusSpinEdit::IntValue() const { return qRound64(d->value); }
void TPlusSpinEdit::setIntValue(qint64 v) { AssignValue(double(v)); }
QString TPlusSpinEdit::Text() const { return QString::number(d->value, 'f', d->decimals); }
double TPlusSpinEdit::MinValue() const { return d->minv; }
void TPlusSpinEdit::setMinValue(double v) { d->minv = v; AssignValue(d->value); }
double TPlusSpinEdit::MaxValue() const { return d->maxv; }
void TPlusSpinEdit::setMaxValue(double v) { d->maxv = v; AssignValue(d->value); }
double TPlusSpinEdit::Increment() const { return d->inc; }
void TPlusSpinEdit::setIncrement(double v) { d->inc = v; }
int TPlusSpinEdit::Decimals() const { return d->decimals; }
void TPlusSpinEdit::setDecimals(int v) { d->decimals = qBound(0, v, 18); }
QChar TPlusSpinEdit::ThousandSeparator() const { return d->sep; }
void TPlusSpinEdit::setThousandSeparator(QChar c) { d->sep = c; }
int TPlusSpinEdit::Base() const { return d->base; }
void TPlusSpinEdit::setBase(int b) { d->base = b; }
bool TPlusSpinEdit::AutoSize() const { return d->autoSize; }
void TPlusSpinEdit::setAutoSize(bool on) { d->autoSize = on; }
TBorderStyle TPlusSpinEdit::BorderStyle() const { return d->border; }
void TPlusSpinEdit::setBorderStyle(TBorderStyle s) { d->border = s; }
bool TPlusSpinEdit::EditorEnabled() const { return d->editor; }
void TPlusSpinEdit::setEditorEnabled(bool on) { d->editor = on; }
bool TPlusSpinEdit::TrackSpin() const { return d->track; }
void TPlusSpinEdit::setTrackSpin(bool on) { d->track = on; }
bool TPlusSpinEdit::SpinEnabled() const { return d->enabled; }
void TPlusSpinEdit::setSpinEnabled(bool on) { d->enabled = on; }
bool TPlusSpinEdit::EnterRequired() const { return d->enterReq; }
void TPlusSpinEdit::setEnterRequired(bool on) { d->enterReq = on; }
int TPlusSpinEdit::LeadingDigits() const { return d->leading; }
void TPlusSpinEdit::setLeadingDigits(int n) { d->leading = qBound(0, n, 18); }
void TPlusSpinEdit::RightZero() {}
