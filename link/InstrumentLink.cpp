#include "link/InstrumentLink.h"

#include <QFile>
#include <QThread>
#include <QTime>

#include "base/core/Numbers.h"
#include "link/core/LogFormat.h"
#include "serial/VMComPort.h"

namespace {

constexpr int kExchangePauseMs = 30;

std::string Bytes(const QString &s) { return s.toLatin1().toStdString(); }

// The port's 8-bit text and ours map one to one.
QString TrimmedReplyText(const QByteArray &raw) {
  return QString::fromLatin1(vm::TrimRightControl(std::string_view(raw.data(), raw.size())));
}

// "hh:nn:ss.zzz" of now, as the terminal and the log show it.
QString TimeStampNow() {
  const QTime t = QTime::currentTime();
  return QString::fromStdString(vm::logfmt::TimeStamp(t.hour(), t.minute(), t.second(), t.msec()));
}

}  // namespace

TInstrumentLink::TInstrumentLink(QObject *owner) : QObject(owner) {
  FComPort = new TVMComPort(this);
}

TInstrumentLink::~TInstrumentLink() = default;

// The exchange may go ahead: the program is not ending.
bool TInstrumentLink::MayExchange() const { return !(Host.ExitRequested && Host.ExitRequested()); }

void TInstrumentLink::Log(const std::string &line) const {
  if (Host.Log) Host.Log(QString::fromLatin1(line));
}

// Text of a typed query, as the conversion expects it: "0" for no reply,
// surrounding blanks removed.
std::string TInstrumentLink::NumberText(const QString &header) {
  QString text = QueryText(header);
  if (text.isEmpty()) text = QStringLiteral("0");
  return vm::TrimControl(Bytes(text));
}

template <class T>
T TInstrumentLink::Converted(const std::optional<T> &v) const {
  if (v) return *v;
  Log(vm::logfmt::ExceptionError(Bytes(TimeStampNow())));
  return T{};
}

QString TInstrumentLink::ReadReply() {
  if (!MayExchange()) return {};
  QString reply = TrimmedReplyText(FComPort->Read());
  Log(vm::logfmt::Received(Bytes(TimeStampNow()), Bytes(reply)));
  return reply;
}

QString TInstrumentLink::ReadAndShowReply() {
  QString reply = ReadReply();
  if (MayExchange() && Host.Echo) Host.Echo("(" + TimeStampNow() + ") " + reply, QColor(0, 128, 0));
  return reply;
}

QString TInstrumentLink::QueryText(const QString &header) {
  if (!MayExchange()) return {};
  // A query started from an event dispatched during another reply wait gives
  // up before it pauses or purges: purging would throw away the reply the
  // running exchange is waiting for.
  if (FComPort->InUse()) return {};
  QThread::msleep(kExchangePauseMs);
  FComPort->Flush();
  LastCommand = header + "?";
  FComPort->Write((LastCommand + "\r\n").toLatin1());
  Log(vm::logfmt::Sent(Bytes(TimeStampNow()), Bytes(LastCommand)));
  return ReadReply();
}

int32_t TInstrumentLink::QueryInteger(const QString &header) {
  return Converted(vm::ParseInt32(NumberText(header)));
}

int64_t TInstrumentLink::QueryInt64(const QString &header) {
  return Converted(vm::ParseInt64(NumberText(header)));
}

double TInstrumentLink::QueryFloat(const QString &header) {
  return Converted(vm::ParseDouble(NumberText(header)));
}

QString TInstrumentLink::SendCommand(const QString &command) {
  if (!MayExchange()) return {};
  if (Host.CommandsDisabled && Host.CommandsDisabled()) {
    Log(vm::logfmt::CommandDisabled(Bytes(TimeStampNow()), Bytes(command)));
    return {};
  }
  // Tested before the pause and the purge, for the reason given in QueryText.
  if (FComPort->InUse()) {
    Log(vm::logfmt::PortInUse(Bytes(TimeStampNow()), Bytes(command)));
    return {};
  }
  QThread::msleep(kExchangePauseMs);
  FComPort->Flush();
  LastCommand = command;
  FComPort->Write((LastCommand + "\r\n").toLatin1());
  if (Host.Echo)
    Host.Echo("(" + TimeStampNow() + ") " + QString::fromLatin1(vm::TrimRightControl(Bytes(LastCommand))),
              Qt::black);
  Log(vm::logfmt::Sent(Bytes(TimeStampNow()), Bytes(LastCommand)));
  return ReadAndShowReply();
}

void TInstrumentLink::HandleCommTimeout() {
  if (!MayExchange()) return;
  Log(vm::logfmt::TimeoutError(Bytes(TimeStampNow())));
  FComPort->Flush();
  if (Host.CommunicationLost) Host.CommunicationLost();
}

void TInstrumentLink::ParseIDN() {
  vm::ParseIdentityReply(QueryText(QStringLiteral("*IDN")).toLatin1().toStdString(), Identity);
  if (Host.IdentityRead) Host.IdentityRead(Identity);
}

bool TInstrumentLink::FindInstrument() {
  if (!MayExchange()) return false;
  TVMComPort *port = FComPort;
  port->setEndOfResponse(QByteArray("\r"));
  port->setAllowEvents(false);
  port->setShowErrors(false);
  port->setResponseTime(25);

  FScanRefused.clear();
  const QList<int> ports = port->GetValidSerialPorts();
  if (ports.isEmpty()) {
    if (Host.Notify) Host.Notify(QStringLiteral("No available ports."));
    return false;
  }
  bool found = false;
  for (int p : ports) {
    port->setPort(p);
    port->Open();  // a port that cannot be opened is passed over, but noted
    if (!port->Opened() && vm::IsReportedRefusal(port->LastOpenError())) {
      const std::string device = QFile::encodeName(port->LastOpenDevice()).toStdString();
      FScanRefused.push_back(
          {p, device, port->LastOpenError(), port->LastLockOwner(), vm::DeviceGroup(device)});
    }
    if (port->Opened()) {
      for (int baud : vm::ScanBaudRates) {
        port->setBaud(baud);
        Log(vm::logfmt::Trying(p, baud));
        // Only the second answer counts: the first may meet a line that is
        // still settling after the change of rate.
        ParseIDN();
        ParseIDN();
        if (vm::IsKnownModel(Identity.ModelNumber)) {
          found = true;
          if (Host.ClearEcho) Host.ClearEcho();
          break;
        }
      }
    }
    if (found) break;
    port->Close();
  }
  // However long the port list, what was found is what counts.
  return found;
}

QString TInstrumentLink::ScanRefusalDetail() const {
  return QString::fromLocal8Bit(vm::RefusalDetail(FScanRefused));
}
