#include "serial/VMComPort.h"

#include <grp.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include "serial/SerialDevice.h"
#include "serial/core/PortList.h"
#include "serial/core/Terminator.h"

using vm::serial::SerialDevice;

namespace {

const char kPortDirVariable[] = "VM5200_PORT_DIR";
const char kSysClassTty[] = "/sys/class/tty";

// The slice the reply wait sleeps on the port between looks at the clock.
constexpr int kWaitSliceUs = 1000;

bool PortDirMode(QString *dir) {
  if (!qEnvironmentVariableIsSet(kPortDirVariable)) return false;
  if (dir) *dir = qEnvironmentVariable(kPortDirVariable);
  return true;
}

QString GroupOf(const QString &device) {
  struct stat st {};
  if (::stat(QFile::encodeName(device).constData(), &st) != 0) return {};
  if (const group *g = ::getgrgid(st.st_gid)) return QString::fromLocal8Bit(g->gr_name);
  return {};
}

vm::serial::Parity ToDevice(TParity p) {
  switch (p) {
    case parEven: return vm::serial::Parity::Even;
    case parOdd: return vm::serial::Parity::Odd;
    default: return vm::serial::Parity::None;
  }
}

vm::serial::Handshake ToDevice(THandshake h) {
  switch (h) {
    case hsHardware: return vm::serial::Handshake::Hardware;
    case hsAssertAll: return vm::serial::Handshake::AssertAll;
    default: return vm::serial::Handshake::None;
  }
}

}  // namespace

TVMComPort::TVMComPort(QObject *AOwner) : QObject(AOwner) {}

TVMComPort::~TVMComPort() { Close(); }

void TVMComPort::SetUserAnswers(TPortAsk ask, TPortPick pick) {
  FAsk = std::move(ask);
  FPick = std::move(pick);
}

bool TVMComPort::ask(TPortQuestion::TKind kind, const QString &text, const QString &detail) {
  if (!FAsk) return false;
  TPortQuestion q;
  q.Kind = kind;
  q.Text = text;
  q.Detail = detail;
  // A copy: the answer may install other answers while its box is open.
  const TPortAsk answer = FAsk;
  return answer(parent(), q);
}

// --- Properties ---------------------------------------------------------------

void TVMComPort::reopenIfOpen() {
  if (Opened()) Open();
}

void TVMComPort::setBaud(int v) {
  if (v == FBaudRate) return;
  FBaudRate = v;
  reopenIfOpen();
}

void TVMComPort::setHandshaking(THandshake v) {
  if (v == FHandshake) return;
  FHandshake = v;
  reopenIfOpen();
}

void TVMComPort::setParity(TParity v) {
  if (v == FParity) return;
  FParity = v;
  reopenIfOpen();
}

void TVMComPort::setPort(int v) {
  if (v == FPortNumber) return;
  FPortNumber = v;
  reopenIfOpen();
}

void TVMComPort::setEndOfResponse(const QByteArray &v) {
  FEndOfResponse = v;
  const std::string raw = vm::serial::DecodeEndOfResponse(std::string_view(v.constData(), size_t(v.size())));
  FEndOfResponseRaw = QByteArray(raw.data(), qsizetype(raw.size()));
}

int TVMComPort::InCount() const {
  if (!FPort) return 0;
  const int n = FPort->BytesWaiting();
  return n < 0 ? 0 : n;
}

bool TVMComPort::State() const { return FPort && FPort->HasLineSettings(); }

bool TVMComPort::Opened() const { return FPort != nullptr; }

// --- Ports of this machine ------------------------------------------------------

QString TVMComPort::PortName(int n) { return QStringLiteral("COM%1").arg(n); }

QString TVMComPort::DevicePath(int n) {
  QString dir;
  if (PortDirMode(&dir)) {
    if (dir.isEmpty() || n < 1) return {};
    return dir + QStringLiteral("/COM%1").arg(n);
  }
  // Only ports the machine list would show: never the system console nor a
  // UART without hardware, even when asked for by number.
  for (const auto &p : vm::serial::ListMachinePorts(kSysClassTty))
    if (p.number == n) return QStringLiteral("/dev/") + QString::fromStdString(p.tty);
  return {};
}

QList<int> TVMComPort::GetValidSerialPorts() const {
  QList<int> out;
  QString dir;
  if (PortDirMode(&dir)) {
    for (int n : vm::serial::ListPortDir(QFile::encodeName(dir).toStdString())) out.append(n);
  } else {
    for (const auto &p : vm::serial::ListMachinePorts(kSysClassTty)) out.append(p.number);
  }
  return out;
}

// --- Open and close ---------------------------------------------------------------

bool TVMComPort::openOnce(int *err, QString *device) {
  *device = DevicePath(FPortNumber);
  FLastOpenDevice = *device;
  FLastLockOwner = 0;
  if (device->isEmpty()) {
    *err = FLastOpenError = ENODEV;
    return false;
  }
  FPort = SerialDevice::Open(QFile::encodeName(*device).toStdString(), err, &FLastLockOwner);
  FLastOpenError = FPort ? 0 : *err;
  return FPort != nullptr;
}

bool TVMComPort::reportOpenError(int err, const QString &device) {
  QString why;
  if (device.isEmpty()) {
    why = QStringLiteral("This machine has no serial port %1.").arg(PortName(FPortNumber));
  } else {
    why = device + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
    const std::string advice =
        vm::serial::OpenFailureAdvice(err, QFile::encodeName(device).toStdString(), GroupOf(device).toStdString());
    if (!advice.empty()) why += QStringLiteral("\n\n") + QString::fromStdString(advice);
  }
  return ask(TPortQuestion::pqOpenError, QStringLiteral("Error opening COM%1: ").arg(FPortNumber), why);
}

bool TVMComPort::Open() {
  Close();
  QPointer<TVMComPort> self(this);
  for (;;) {
    int err = 0;
    QString device;
    if (openOnce(&err, &device)) break;
    if (!FShowErrors) break;
    const bool retry = reportOpenError(err, device);
    if (!self) return false;
    if (!retry) break;
  }
  if (FPort) FPort->Configure(FBaudRate, ToDevice(FParity), ToDevice(FHandshake));
  return Opened();
}

void TVMComPort::Close() {
  FPort.reset();
  FLost = false;
}

// The device went away (cable, adapter, far end of a pseudo-terminal): let it
// go at once rather than poll a dead descriptor.
void TVMComPort::closeLost() {
  FPort.reset();
  FLost = true;
}

void TVMComPort::Flush() {
  if (FPort) FPort->Flush();
}

// --- Writing ------------------------------------------------------------------------

bool TVMComPort::Write(const QByteArray &sData) {
  return WriteRaw(sData.constData(), quint32(sData.size()));
}

bool TVMComPort::WriteRaw(const void *bData, quint32 bSize) {
  if (!FPort) Open();
  if (!FPort) return false;
  if (bSize == 0) return true;
  if (!bData || bSize > quint32(INT_MAX)) return false;
  // Room for the bytes at the line's speed, with a generous margin; a line
  // held up by flow control gives up instead of hanging the program.
  const int baud = FBaudRate > 0 ? FBaudRate : 9600;
  const qint64 wireMs = qint64(bSize) * 10 * 1000 / baud;
  const int timeoutMs = int(qMin<qint64>(2000 + 2 * wireMs, 60000));
  const int n = FPort->Write(static_cast<const char *>(bData), int(bSize), timeoutMs);
  if (n < 0 && SerialDevice::IsHardError(errno)) closeLost();
  return n == int(bSize);
}

// --- Reading ------------------------------------------------------------------------

bool TVMComPort::drainInto(QByteArray &result) {
  if (!FPort) return false;
  const int n = FPort->BytesWaiting();
  if (n <= 0) return true;
  const qsizetype at = result.size();
  result.resize(at + n);
  const int got = FPort->Read(result.data() + at, n);
  result.resize(at + qMax(got, 0));
  if (got < 0) {
    if (SerialDevice::IsHardError(errno)) closeLost();
    return false;
  }
  return true;
}

void TVMComPort::refuseNestedRead() {
  if (FShowErrors) ask(TPortQuestion::pqNotice, QStringLiteral("Port is in use -- operation aborted"));
}

QByteArray TVMComPort::Read() {
  QByteArray result;
  if (FPortInUse) {
    refuseNestedRead();
    return result;
  }
  if (!FPort) Open();
  if (!FPort) return result;

  FPortInUse = true;
  QPointer<TVMComPort> self(this);

  if (FEndOfResponseRaw.isEmpty()) {
    // No terminator: whatever is waiting now, without waiting.
    drainInto(result);
    FPortInUse = false;
    return result;
  }

  QElapsedTimer clock;
  clock.start();
  FTimedOut = false;
  for (;;) {
    drainInto(result);
    if (result.contains(FEndOfResponseRaw)) break;

    if (!FPort && !FLost) {
      // Closed from an event handler while we waited (restart, exit): the
      // reply will not come; end quietly.
      FTimedOut = true;
      break;
    }
    if (FLost || clock.elapsed() > qint64(FResponseTime)) FTimedOut = true;

    if (!FTimedOut) {
      // Dispatching events needs short slices; otherwise sleep on the port
      // until bytes come or the response time is over.
      int sliceUs = kWaitSliceUs;
      if (!FAllowEvents) {
        const qint64 leftUs = (qint64(FResponseTime) + 1) * 1000 - clock.nsecsElapsed() / 1000;
        sliceUs = int(qBound(qint64(100), leftUs, qint64(1000000)));
      }
      if (FPort) {
        if (FPort->WaitReadable(sliceUs) == SerialDevice::Wait::HangUp) {
          drainInto(result);  // what came before the hang-up still counts
          if (FPort) closeLost();
        }
      } else {
        QThread::usleep(kWaitSliceUs);
      }
      if (FAllowEvents && QCoreApplication::instance()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!self) return {};
      }
      continue;
    }

    // Time-out.
    if (FAllowEvents) {
      Q_EMIT OnTimeout(this);
      if (!self) return {};
      if (!FPort && !FLost) break;  // the handler closed the port
    }
    if (!FShowErrors) break;
    const bool retry = ask(TPortQuestion::pqTimeout, QStringLiteral("Timeout waiting for response."));
    if (!self) return {};
    if (!retry) break;
    FTimedOut = false;
    clock.restart();
    if (!FPort) {
      // The device went away: one quiet attempt to get it back (an adapter
      // plugged in again); otherwise the next look times out at once.
      const bool show = FShowErrors;
      FShowErrors = false;
      Open();
      FShowErrors = show;
      if (!FPort) FLost = true;
    }
  }
  FPortInUse = false;
  return result;
}

void TVMComPort::ReadRaw(QByteArray &buffer) {
  buffer.clear();
  if (FPortInUse) {
    refuseNestedRead();
    return;
  }
  if (!FPort) Open();
  if (!FPort) return;
  FPortInUse = true;
  const int n = FPort->BytesWaiting();
  if (n > 0) {
    buffer.resize(n);
    const int got = FPort->Read(buffer.data(), n);
    buffer.resize(qMax(got, 0));
    if (got < 0) {
      const int err = errno;
      if (SerialDevice::IsHardError(err)) closeLost();
      ask(TPortQuestion::pqNotice, QStringLiteral("Raw read error."));
    }
  }
  FPortInUse = false;
}

// --- Picker ---------------------------------------------------------------------------

bool TVMComPort::Pick() {
  QPointer<TVMComPort> self(this);
  const bool showErrors = FShowErrors;
  const int port = FPortNumber;

  const QList<int> ports = GetValidSerialPorts();
  if (ports.isEmpty()) {
    ask(TPortQuestion::pqNotice, QStringLiteral("No available ports."));
    return false;
  }

  // Offer only what can be opened now. The number is stored without
  // reopening the previous port; each Open closes the one before.
  QStringList openable;
  FShowErrors = false;
  for (int p : ports) {
    FPortNumber = p;
    if (Open()) openable << PortName(p);
  }
  FShowErrors = showErrors;
  FPortNumber = port;

  if (!FPick) return false;
  const TPortPick pick = FPick;
  const QString entry = pick(parent(), openable, PortName(FPortNumber));
  if (!self || entry.isEmpty()) return false;
  if (auto n = vm::serial::ParseComPortNumber(entry.toStdString())) {
    FPortNumber = *n;
    return true;
  }
  return false;
}
