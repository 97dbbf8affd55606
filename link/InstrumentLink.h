#pragma once
// TInstrumentLink: the program's connection to the instrument. It owns the
// serial component and makes every exchange with it: the command and query
// primitives, the identity query and the discovery scan. It writes the lines
// of the communication log and of the terminal echo, but shows nothing
// itself: what it needs of the window it asks through TLinkHost.
//
// Framing: a command goes out as text + CR LF, a query as header + "?" +
// CR LF (also when the header holds a "?" already: "*CFG? 0" is sent as
// "*CFG? 0?"). Every exchange starts with a 30 ms pause and a purge of the
// port; replies are one line ending in CR, handed back without trailing
// blanks and control characters. No exchange fails to its caller: one that
// cannot be made yields an empty text or 0.
#include <QColor>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/core/Identity.h"
#include "link/core/ScanReport.h"

class TVMComPort;

// What the link asks of the window. Every member may be left empty.
struct TLinkHost {
  // The program fills its controls from the instrument: send no command.
  std::function<bool()> CommandsDisabled;
  // The program is ending: make no exchange at all.
  std::function<bool()> ExitRequested;
  // A reply did not come in time (the port is purged already): ask the user
  // and restart, exit or carry on.
  std::function<void()> CommunicationLost;
  // One line for the terminal, in black (sent) or green (received).
  std::function<void(const QString &text, const QColor &color)> Echo;
  // Empties the terminal (after a successful scan).
  std::function<void()> ClearEcho;
  // One line for the communication log; the host writes it when logging is on.
  std::function<void(const QString &line)> Log;
  // A plain notice for the user ("No available ports.").
  std::function<void(const QString &text)> Notify;
  // The identity fields changed (after every identity query).
  std::function<void(const vm::InstrumentIdentity &id)> IdentityRead;
};

class TInstrumentLink : public QObject {
  Q_OBJECT

 public:
  // Creates the serial component as its child.
  explicit TInstrumentLink(QObject *owner = nullptr);
  ~TInstrumentLink() override;

  TVMComPort *ComPort() const { return FComPort; }
  TLinkHost Host;

  // The instrument's identity, as the last identity query left it.
  vm::InstrumentIdentity Identity;
  // The last command or query written (a query with its "?").
  QString LastCommand;
  QString QueryText(const QString &header);
  int32_t QueryInteger(const QString &header);
  double QueryFloat(const QString &header);
  int64_t QueryInt64(const QString &header);
  // Sends a command, echoes it (black) and its reply (green). Nothing is
  // sent while the host's CommandsDisabled answers true.
  QString SendCommand(const QString &command);
  QString ReadReply();
  QString ReadAndShowReply();
  // The reply did not come in time: logs it, purges the port and hands the
  // decision to the host.
  void HandleCommTimeout();

  // Sends "*IDN?" and updates Identity from the reply.
  void ParseIDN();
  // Scans every listed port at every scan rate for an instrument of a known
  // model. True when found; the port is then open on that port and rate.
  bool FindInstrument();
  // What the last FindInstrument could not search (ports refused or held by
  // another program), as the detailed text of its failure box; empty if none.
  QString ScanRefusalDetail() const;

 private:
  bool MayExchange() const;
  void Log(const std::string &line) const;
  std::string NumberText(const QString &header);
  template <class T>
  T Converted(const std::optional<T> &v) const;

  TVMComPort *FComPort = nullptr;
  std::vector<vm::RefusedPort> FScanRefused;
};
