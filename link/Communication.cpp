#include "link/Communication.h"

#include <QTime>

#include "link/InstrumentLink.h"
#include "link/core/LogFormat.h"

namespace {

TInstrumentLink *Link() { return TInstrumentLink::Current(); }

// Runs `f` on the current link; `none` without one.
template <class F, class R>
R OnLink(F f, R none) {
  TInstrumentLink *l = Link();
  if (!l) return none;
  return f(*l);
}

}  // namespace

QString TimeStampNow() {
  QTime t = QTime::currentTime();
  return QString::fromStdString(vm::logfmt::TimeStamp(t.hour(), t.minute(), t.second(), t.msec()));
}

QString QueryText(const QString &h) { return OnLink([&](TInstrumentLink &l) { return l.QueryText(h); }, QString()); }
int32_t QueryInteger(const QString &h) { return OnLink([&](TInstrumentLink &l) { return l.QueryInteger(h); }, int32_t(0)); }
double QueryFloat(const QString &h) { return OnLink([&](TInstrumentLink &l) { return l.QueryFloat(h); }, 0.0); }
int64_t QueryInt64(const QString &h) { return OnLink([&](TInstrumentLink &l) { return l.QueryInt64(h); }, int64_t(0)); }
QString SendCommand(const QString &c) { return OnLink([&](TInstrumentLink &l) { return l.SendCommand(c); }, QString()); }
QString ReadReply() { return OnLink([](TInstrumentLink &l) { return l.ReadReply(); }, QString()); }
QString ReadAndShowReply() { return OnLink([](TInstrumentLink &l) { return l.ReadAndShowReply(); }, QString()); }
bool FindInstrument() { return OnLink([](TInstrumentLink &l) { return l.FindInstrument(); }, false); }
QString ScanRefusalDetail() {
  return OnLink([](TInstrumentLink &l) { return l.ScanRefusalDetail(); }, QString());
}

void HandleCommTimeout() {
  if (Link()) Link()->HandleCommTimeout();
}
