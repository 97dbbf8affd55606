#include "remote/RemoteControl.h"

#include <QAction>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "session/InstrumentSession.h"

TRemoteControl::TRemoteControl(TInstrumentSession &session, QWidget *window, int port,
                               QObject *parent)
    : QObject(parent), FSession(session), FWindow(window), FPort(port) {
  FPumpTimer = new QTimer(this);
  FPumpTimer->setSingleShot(true);
  FPumpTimer->setInterval(kWaitRetryMs);
  connect(FPumpTimer, &QTimer::timeout, this, &TRemoteControl::Pump);
  FFollowTimer = new QTimer(this);
  FFollowTimer->setSingleShot(true);
  FFollowTimer->setInterval(kFollowPauseMs);
  connect(FFollowTimer, &QTimer::timeout, this, &TRemoteControl::FollowScript);
  connect(&FSession, &TInstrumentSession::RemoteLineAnswered, this, &TRemoteControl::Reply);
}

TRemoteControl::~TRemoteControl() {
  for (auto &c : FClients)
    if (c->Socket) c->Socket->abort();
}

bool TRemoteControl::Start() {
  auto *v4 = new QTcpServer(this);
  if (!v4->listen(QHostAddress::LocalHost, quint16(FPort))) {
    FError = v4->serverError() == QAbstractSocket::AddressInUseError
                 ? QStringLiteral("Remote control: port %1 is already in use; the panel runs "
                                  "without remote control.")
                       .arg(FPort)
                 : QStringLiteral("Remote control: cannot listen on port %1 (%2); the panel "
                                  "runs without remote control.")
                       .arg(FPort)
                       .arg(v4->errorString());
    delete v4;
    UpdateMenu();
    return false;
  }
  FServers.push_back(v4);
  // ::1 as well where the machine has IPv6; a machine without it still has
  // the IPv4 loopback, but a port taken on ::1 is as good as taken.
  auto *v6 = new QTcpServer(this);
  if (v6->listen(QHostAddress::LocalHostIPv6, quint16(FPort))) {
    FServers.push_back(v6);
  } else {
    const bool taken = v6->serverError() == QAbstractSocket::AddressInUseError;
    delete v6;
    if (taken) {
      for (QTcpServer *s : FServers) delete s;
      FServers.clear();
      FError = QStringLiteral("Remote control: port %1 is already in use; the panel runs "
                              "without remote control.")
                   .arg(FPort);
      UpdateMenu();
      return false;
    }
  }
  for (QTcpServer *s : FServers)
    connect(s, &QTcpServer::newConnection, this, [this, s] { AcceptClients(s); });
  FListening = true;
  UpdateMenu();
  return true;
}

QString TRemoteControl::MenuText() const {
  if (!FListening) return QStringLiteral("Remote Control: port %1 unavailable").arg(FPort);
  const int n = ClientCount();
  return QStringLiteral("Remote Control: port %1, %2 client%3")
      .arg(FPort)
      .arg(n)
      .arg(n == 1 ? QString() : QStringLiteral("s"));
}

void TRemoteControl::UpdateMenu() {
  if (!FMenuItem && FWindow) {
    if (auto *tools = FWindow->findChild<QMenu *>(QStringLiteral("ools1"))) {
      FMenuItem = new QAction(tools);
      FMenuItem->setObjectName(QStringLiteral("RemoteControlMenu"));
      FMenuItem->setCheckable(true);
      tools->addAction(FMenuItem);
      // An indicator: choosing it changes nothing.
      connect(FMenuItem, &QAction::triggered, this,
              [this] { FMenuItem->setChecked(FListening); });
    }
  }
  if (!FMenuItem) return;
  FMenuItem->setText(MenuText());
  FMenuItem->setChecked(FListening);
}

TRemoteControl::Client *TRemoteControl::ClientOf(QTcpSocket *socket) {
  for (auto &c : FClients)
    if (c->Socket == socket) return c.get();
  return nullptr;
}

void TRemoteControl::AcceptClients(QTcpServer *server) {
  while (QTcpSocket *socket = server->nextPendingConnection()) {
    if (int(FClients.size()) >= kMaxClients) {
      socket->write("ERR BUSY\n");
      socket->disconnectFromHost();
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      continue;
    }
    socket->setReadBufferSize(kSocketBufferBytes);
    auto client = std::make_unique<Client>();
    client->Socket = socket;
    FClients.push_back(std::move(client));
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
      if (Client *c = ClientOf(socket)) ReadClient(*c);
      Pump();
    });
    connect(socket, &QTcpSocket::bytesWritten, this, [this] { Pump(); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { DropClient(socket); });
  }
  UpdateMenu();
}

void TRemoteControl::ReadClient(Client &c) {
  if (!c.Socket) return;
  char buffer[4096];
  while (c.Lines.Room() > 0 && c.Socket->bytesAvailable() > 0) {
    const qint64 want = std::min<qint64>(qint64(sizeof buffer), qint64(c.Lines.Room()));
    const qint64 got = c.Socket->read(buffer, want);
    if (got <= 0) break;
    c.Lines.Feed(std::string_view(buffer, size_t(got)));
  }
}

void TRemoteControl::DropClient(QTcpSocket *socket) {
  // Its line in the queue, if any, still goes out; the reply is dropped.
  for (auto &[ticket, t] : FTickets)
    if (t.Socket == socket) t.Socket = nullptr;
  for (auto it = FClients.begin(); it != FClients.end(); ++it) {
    if ((*it)->Socket == socket) {
      FClients.erase(it);
      break;
    }
  }
  socket->deleteLater();
  UpdateMenu();
}

void TRemoteControl::Write(Client &c, const QByteArray &text) {
  if (c.Socket && c.Socket->state() == QAbstractSocket::ConnectedState) c.Socket->write(text + '\n');
}

void TRemoteControl::Pump() {
  bool waiting = false;
  for (auto &owned : FClients) {
    Client &c = *owned;
    if (c.Socket && c.Socket->bytesToWrite() > kMaxUnsentBytes) continue;  // resumed by bytesWritten
    while (!c.InFlight && c.Lines.HasLine()) {
      const vm::Verdict verdict = FSession.MayStart(vm::Work::RemoteLine);
      if (verdict != vm::Verdict::Run) {
        if (verdict == vm::Verdict::Wait) waiting = true;
        break;
      }
      vm::remote::Line line = c.Lines.TakeLine();
      if (line.kind == vm::remote::LineKind::TooLong ||
          line.kind == vm::remote::LineKind::BadCharacters) {
        Write(c, QByteArray(vm::remote::RefusalReply(line.kind).data(),
                            qsizetype(vm::remote::RefusalReply(line.kind).size())));
        continue;
      }
      const uint64_t ticket = FNextTicket++;
      FTickets[ticket] = Ticket{c.Socket.data(), line.kind == vm::remote::LineKind::Query};
      c.InFlight = ticket;
      FSession.QueueRemoteLine(QString::fromStdString(line.text), ticket);
    }
    // Lines were taken: read on from what the socket holds.
    ReadClient(c);
    if (!c.InFlight && c.Lines.HasLine()) waiting = true;
  }
  if (waiting && !FPumpTimer->isActive()) FPumpTimer->start();
}

void TRemoteControl::Reply(uint64_t ticket, const QString &reply) {
  const auto it = FTickets.find(ticket);
  if (it == FTickets.end()) return;
  const Ticket t = it->second;
  FTickets.erase(it);
  const QByteArray text =
      reply.isEmpty() ? QByteArray(vm::remote::kNoReply.data(), qsizetype(vm::remote::kNoReply.size()))
                      : reply.toLatin1();
  // A command the instrument took: the window follows once the client pauses.
  if (!t.Query && !reply.isEmpty() && !reply.startsWith(QStringLiteral("ERR"))) FFollowTimer->start();
  if (Client *c = t.Socket ? ClientOf(t.Socket) : nullptr) {
    Write(*c, text);
    c->InFlight = 0;
  }
  // Called from inside the task timer's run: the next lines join the queue
  // and go out in this same run. Deferred, so the reply is on its way first.
  QTimer::singleShot(0, this, &TRemoteControl::Pump);
}

void TRemoteControl::FollowScript() {
  switch (FSession.MayStart(vm::Work::RemoteLine)) {
    case vm::Verdict::Run:
      FSession.RequestRefresh();
      return;
    case vm::Verdict::Wait:
      FFollowTimer->start();
      return;
    default:
      return;
  }
}
