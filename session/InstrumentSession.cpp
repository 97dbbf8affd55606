#include "session/InstrumentSession.h"

#include "link/InstrumentLink.h"
#include "serial/VMComPort.h"

TInstrumentSession::TInstrumentSession(QObject *parent) : QObject(parent) {
  FLink = new TInstrumentLink(this);
  ConnectLink();
}

TInstrumentSession::~TInstrumentSession() = default;

TVMComPort *TInstrumentSession::ComPort() const { return FLink->ComPort(); }

void TInstrumentSession::ConnectLink() {
  TLinkHost &h = FLink->Host;
  h.CommandsDisabled = [this] { return CommandsDisabled(); };
  h.ExitRequested = [this] { return ExitRequested; };
  h.IdentityRead = [this](const vm::InstrumentIdentity &id) {
    CompanyBadge = QString::fromLatin1(id.CompanyBadge);
    ModelNumber = QString::fromLatin1(id.ModelNumber);
    SerialNumber = id.SerialNumber;
    FirmwareVersion = QString::fromLatin1(id.FirmwareVersion);
    FpgaVersion = QString::fromLatin1(id.FpgaVersion);
    Q_EMIT IdentityChanged();
  };
  // Direct: the time-out is handled inside the read that waits for it.
  connect(
      ComPort(), &TVMComPort::OnTimeout, FLink, [this] { FLink->HandleCommTimeout(); },
      Qt::DirectConnection);
}

vm::Verdict TInstrumentSession::MayStart(vm::Work work) const {
  vm::BusyFacts facts;
  facts.portInUse = ComPort()->InUse();
  facts.exitRequested = ExitRequested;
  facts.demoMode = DemoMode;
  facts.startupPending = StartupPending;
  facts.modalOpen = ModalDialogOpen && ModalDialogOpen();
  return Busy.MayStart(work, facts);
}

// --- Queue ----------------------------------------------------------------------

void TInstrumentSession::QueueCommand(const QString &command) {
  if (Tasks.QueuedCommandToPort(command.toStdString(), CommandsDisabled())) Q_EMIT CommandsQueued();
}

void TInstrumentSession::QueueRemoteLine(const QString &line, uint64_t ticket) {
  Tasks.QueueRemoteLine(line.toStdString(), ticket);
  Q_EMIT CommandsQueued();
}

void TInstrumentSession::AnswerRemoteLine(uint64_t ticket, const QString &reply) {
  Q_EMIT RemoteLineAnswered(ticket, reply);
}

void TInstrumentSession::RequestRefresh() {
  Tasks.RequestReinit();
  Q_EMIT RefreshRequested();
}

void TInstrumentSession::RequestRecall(int bin) {
  Tasks.RequestRecall(bin);
  Q_EMIT RefreshRequested();
}

// --- Identity -----------------------------------------------------------------

void TInstrumentSession::ParseIDN() {
  // The reply may leave fields as they were: start from ours.
  vm::InstrumentIdentity &id = FLink->Identity;
  id.CompanyBadge = CompanyBadge.toStdString();
  id.ModelNumber = ModelNumber.toStdString();
  id.SerialNumber = SerialNumber;
  id.FirmwareVersion = FirmwareVersion.toStdString();
  id.FpgaVersion = FpgaVersion.toStdString();
  FLink->ParseIDN();
}

void TInstrumentSession::SetSerialNumber(int32_t serial) {
  if (serial == SerialNumber) return;
  SerialNumber = serial;
  Q_EMIT IdentityChanged();
}

void TInstrumentSession::SetChannelCount(int count) {
  if (count == ChannelCount) return;
  ChannelCount = count;
  Q_EMIT ChannelCountChanged(count);
}

// --- Changes of the caches ------------------------------------------------------

TInstrumentSession::ParameterWatch::ParameterWatch(TInstrumentSession &session)
    : FSession(session) {
  if (FSession.FWatchDepth++ > 0) return;
  FSession.FWatchedSystem = FSession.SystemParameters;
  FSession.FWatchedChannels = FSession.ChannelParameters;
  FSession.FWatchReadback = false;
}

TInstrumentSession::ParameterWatch::~ParameterWatch() {
  if (--FSession.FWatchDepth == 0) FSession.EndWatch();
}

void TInstrumentSession::EndWatch() {
  int which = FWatchReadback ? kAllParameters : 0;
  bool changed = FWatchReadback;
  FWatchReadback = false;
  if (!changed) {
    int count = 0;
    if (!(SystemParameters == FWatchedSystem)) ++count;
    for (size_t n = 1; n < ChannelParameters.size(); ++n)
      if (!(ChannelParameters[n] == FWatchedChannels[n])) {
        which = int(n);
        ++count;
      }
    changed = count > 0;
    if (count > 1) which = kAllParameters;
  }
  if (changed) Q_EMIT ParametersChanged(which);
}

void TInstrumentSession::NoteReadback() {
  if (FWatchDepth > 0)
    FWatchReadback = true;
  else
    Q_EMIT ParametersChanged(kAllParameters);
}

void TInstrumentSession::NoteSettingsRestored() { Q_EMIT SettingsRestored(); }
