#pragma once
// The remote-control port: a TCP listener on the loopback interface only
// (127.0.0.1 and ::1) through which scripts drive the instrument the panel is
// attached to. Every client line goes through the session's command queue,
// in order with the user's edits; the instrument's reply goes back to the
// client that sent it, followed by LF.
//
// Each client has at most one line in the queue at a time, so its replies
// come back in its own order and a fast client cannot flood the queue; what it
// sends meanwhile is held (bounded, see remote/core/RemoteLines.h) and then
// left unread in the socket, which throttles it.
//
// The panel follows the script: once a client's commands pause for
// kFollowPauseMs, the window re-reads the instrument's whole configuration
// through the session's Refresh request. A command can change more than the setting it
// names (a mode enables other controls, "*RCL" and "*RST" change everything),
// and the full readback is the one path that already brings every control,
// cache and enabling rule into agreement with the instrument.
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "remote/core/RemoteLines.h"

class QAction;
class QTcpServer;
class QTcpSocket;
class QTimer;
class QWidget;
class TInstrumentSession;

class TRemoteControl : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFollowPauseMs = 200;
  static constexpr int kWaitRetryMs = 20;    // lines waiting for the panel
  static constexpr int kMaxClients = 16;
  static constexpr qint64 kSocketBufferBytes = 16 * 1024;
  // A client that does not read its replies gets no more lines answered
  // once this much is waiting to go out to it.
  static constexpr qint64 kMaxUnsentBytes = 16 * 1024;

  // Serves `session` (which outlives it); its indicator goes into the Tools
  // menu of `window` when it has one.
  TRemoteControl(TInstrumentSession &session, QWidget *window, int port, QObject *parent = nullptr);
  ~TRemoteControl() override;

  // Opens the listeners. False when the port cannot be had (in use); the
  // reason is in ErrorText() and the panel runs on without remote control.
  bool Start();
  bool Listening() const { return FListening; }
  int Port() const { return FPort; }
  int ClientCount() const { return int(FClients.size()); }
  QString ErrorText() const { return FError; }
  // Text of the Tools menu item, e.g. "Remote Control: port 5025, 1 client".
  QString MenuText() const;

 private:
  struct Client {
    QPointer<QTcpSocket> Socket;
    vm::remote::ClientLines Lines;
    uint64_t InFlight = 0;  // ticket of the line in the queue, 0 if none
  };
  struct Ticket {
    QTcpSocket *Socket = nullptr;  // nullptr once the client has gone
    bool Query = false;
  };

  void AcceptClients(QTcpServer *server);
  void ReadClient(Client &c);
  void DropClient(QTcpSocket *socket);
  // Hands waiting lines to the panel, one per client.
  void Pump();
  void Reply(uint64_t ticket, const QString &reply);
  void Write(Client &c, const QByteArray &text);
  void FollowScript();
  void UpdateMenu();
  Client *ClientOf(QTcpSocket *socket);

  TInstrumentSession &FSession;
  QPointer<QWidget> FWindow;
  int FPort;
  bool FListening = false;
  QString FError;
  std::vector<QTcpServer *> FServers;
  std::vector<std::unique_ptr<Client>> FClients;
  std::map<uint64_t, Ticket> FTickets;
  uint64_t FNextTicket = 1;
  QTimer *FPumpTimer = nullptr;
  QTimer *FFollowTimer = nullptr;
  QPointer<QAction> FMenuItem;
};
