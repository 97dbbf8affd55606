#pragma once
// TVMComPort: the program's one serial port. Synchronous, text-oriented:
// write a string of bytes, then read until the reply terminator has arrived or
// the response time has passed. Everything runs on the user-interface thread;
// while a reply is awaited the component can dispatch pending window events
// (AllowEvents), and a read started from such an event is refused (InUse).
//
// Ports are named "COM<n>" everywhere the user sees them. How n maps to a
// device of this machine is described in docs/serial.md (see also
// GetValidSerialPorts and DevicePath).
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace vm::serial {
class SerialDevice;
}

// Modem-line and flow-control scheme applied at open.
enum THandshake : std::uint8_t { hsNone, hsHardware, hsAssertAll };
// Parity applied at open (always 8 data bits, 1 stop bit).
enum TParity : std::uint8_t { parNone, parEven, parOdd };

// What the component asks its user. The component shows nothing itself: the
// owner of its window side installs the answers (SetUserAnswers) and shows
// the boxes.
struct TPortQuestion {
  enum TKind : std::uint8_t {
    pqOpenError,  // "Error opening COM<n>: " with the reason; Abort or Retry
    pqTimeout,    // "Timeout waiting for response."; Abort or Retry
    pqNotice      // a plain notice ("Port is in use -- operation aborted"); OK
  };
  TKind Kind = pqNotice;
  QString Text;
  QString Detail;  // the reason under the text (open errors)
};

class TVMComPort;
// Answers one question; true means Retry. `owner` is the component's owner
// (the box's parent when it is a widget), possibly null.
using TPortAsk = std::function<bool(QObject *owner, const TPortQuestion &question)>;
// The manual pick: the ports that can be opened now ("COM<n>") and the one
// to preselect (may be absent from the list). Returns the chosen entry, or an
// empty text when the user cancelled.
using TPortPick = std::function<QString(QObject *owner, const QStringList &ports, const QString &current)>;

class TVMComPort : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool AllowEvents READ AllowEvents WRITE setAllowEvents)
  Q_PROPERTY(int Baud READ Baud WRITE setBaud)
  Q_PROPERTY(QByteArray EndOfResponse READ EndOfResponse WRITE setEndOfResponse)
  Q_PROPERTY(int InCount READ InCount)
  Q_PROPERTY(bool State READ State)
  Q_PROPERTY(bool InUse READ InUse)
  Q_PROPERTY(quint32 ResponseTime READ ResponseTime WRITE setResponseTime)
  Q_PROPERTY(bool Opened READ Opened)
  Q_PROPERTY(int Port READ Port WRITE setPort)
  Q_PROPERTY(bool ShowErrors READ ShowErrors WRITE setShowErrors)
  Q_PROPERTY(bool TimedOut READ TimedOut)
  Q_PROPERTY(QString Version READ Version WRITE setVersion)

 public:
  // Nothing is opened here. Defaults: AllowEvents false, Baud 9600, hsNone,
  // parNone, no terminator, Port 1, ResponseTime 1000 ms, ShowErrors true.
  explicit TVMComPort(QObject *AOwner = nullptr);
  // Closes the port.
  ~TVMComPort() override;

  // --- Properties -----------------------------------------------------------
  bool AllowEvents() const { return FAllowEvents; }
  void setAllowEvents(bool v) { FAllowEvents = v; }

  // Writing a different value reopens an open port at once.
  int Baud() const { return FBaudRate; }
  void setBaud(int v);

  // The reply terminator as written; "#" escapes give byte codes ("#13#10"
  // is CR LF, "#$0D" also CR). Empty: replies have no terminator.
  QByteArray EndOfResponse() const { return FEndOfResponse; }
  void setEndOfResponse(const QByteArray &v);
  // The terminator as bytes, decoded from EndOfResponse.
  QByteArray EndOfResponseRaw() const { return FEndOfResponseRaw; }

  THandshake Handshaking() const { return FHandshake; }
  void setHandshaking(THandshake v);

  TParity Parity() const { return FParity; }
  void setParity(TParity v);

  // Bytes waiting in the receive queue; 0 when closed.
  int InCount() const;
  // True when the port's line settings can be read (an open serial device).
  bool State() const;
  // True while Read or ReadRaw runs.
  bool InUse() const { return FPortInUse; }

  // Reply time-out in milliseconds; takes effect at the next read.
  quint32 ResponseTime() const { return FResponseTime; }
  void setResponseTime(quint32 v) { FResponseTime = v; }

  bool Opened() const;

  // Why the last Open failed: the system's error number (0 after success),
  // the device tried, and the process id of another program holding its
  // lock file (0 when none is known).
  int LastOpenError() const { return FLastOpenError; }
  QString LastOpenDevice() const { return FLastOpenDevice; }
  int LastLockOwner() const { return FLastLockOwner; }

  // The n of "COM<n>". Writing a different value reopens an open port;
  // writing while closed only stores it.
  int Port() const { return FPortNumber; }
  void setPort(int v);

  bool ShowErrors() const { return FShowErrors; }
  void setShowErrors(bool v) { FShowErrors = v; }

  // The last terminated read ended without its terminator.
  bool TimedOut() const { return FTimedOut; }

  // Always "2.0.2"; assignments are ignored.
  QString Version() const { return FVersion; }
  void setVersion(const QString &) {}

  // --- Methods --------------------------------------------------------------
  // Opens (or reopens) port Port with the current settings. On failure with
  // ShowErrors set, asks Abort/Retry. True when the port is open afterwards.
  bool Open();
  // Closes the port if open. Never fails.
  void Close();
  // Discards everything waiting in both directions. Closed: nothing.
  void Flush();
  // Writes all bytes; opens a closed port on demand. True when every byte
  // was written.
  bool Write(const QByteArray &sData);
  bool WriteRaw(const void *bData, quint32 bSize);
  // Reads one reply: up to and including the terminator (and whatever came
  // with it), or what arrived before the time-out. With no terminator,
  // returns at once with whatever is waiting.
  QByteArray Read();
  // Replaces the contents of buffer with the bytes now waiting (never more
  // than that, so the buffer cannot overflow).
  void ReadRaw(QByteArray &buffer);
  // The manual pick: offers the ports that can be opened now. True when the
  // user chose one; Port then holds it (the port is not reopened).
  bool Pick();
  // The machine's serial port numbers, ascending, no zeros.
  QList<int> GetValidSerialPorts() const;

  // This port's answers to its questions and its pick. Without them nothing
  // is shown: questions are answered Abort, a pick is cancelled.
  void SetUserAnswers(TPortAsk ask, TPortPick pick);

  // "COM<n>".
  static QString PortName(int n);
  // The device opened for port n on this machine (empty when n maps to none).
  static QString DevicePath(int n);

 Q_SIGNALS:
  // Raised by Read on a time-out when AllowEvents is set, while InUse is
  // still true. Sender is always this component.
  void OnTimeout(TVMComPort *Sender);

 private:
  bool ask(TPortQuestion::TKind kind, const QString &text, const QString &detail = {});
  bool openOnce(int *err, QString *device);
  bool reportOpenError(int err, const QString &device);
  void reopenIfOpen();
  void closeLost();
  bool drainInto(QByteArray &result);
  void refuseNestedRead();

  bool FAllowEvents = false;
  int FBaudRate = 9600;
  THandshake FHandshake = hsNone;
  TParity FParity = parNone;
  QByteArray FEndOfResponse;
  QByteArray FEndOfResponseRaw;
  std::unique_ptr<vm::serial::SerialDevice> FPort;  // null when closed
  bool FPortInUse = false;
  int FPortNumber = 1;
  quint32 FResponseTime = 1000;
  bool FShowErrors = true;
  bool FTimedOut = false;
  QString FVersion = QStringLiteral("2.0.2");
  bool FLost = false;  // the device went away under an open port
  int FLastOpenError = 0;
  QString FLastOpenDevice;
  int FLastLockOwner = 0;
  TPortAsk FAsk;
  TPortPick FPick;
};
