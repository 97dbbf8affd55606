// TVMComPort against pseudo-terminal pairs: the test holds the far end (the
// "instrument") and answers message boxes through the dialog hook.
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <deque>

#include "forms/PickPort.h"
#include "ui/Dialogs.h"
#include "serial/VMComPort.h"
#include "serial/core/PortLock.h"
#include "support/PtyPair.h"

namespace {

// Records every box and answers from a script (Abort when it runs dry).
struct BoxRecorder {
  QList<vm::MessageRequest> seen;
  std::deque<std::function<QMessageBox::StandardButton()>> answers;
  BoxRecorder() {
    vm::SetMessageHook([this](const vm::MessageRequest &r) {
      seen.append(r);
      if (answers.empty()) return QMessageBox::Abort;
      auto a = answers.front();
      answers.pop_front();
      return a();
    });
  }
  ~BoxRecorder() { vm::SetMessageHook({}); }
  void answer(QMessageBox::StandardButton b) {
    answers.push_back([b] { return b; });
  }
};

QByteArray B(const std::string &s) { return QByteArray(s.data(), qsizetype(s.size())); }

// pty transfers go through a kernel work queue: wait until n bytes are there.
bool WaitInCount(TVMComPort &port, int n, int ms = 1000) {
  QElapsedTimer t;
  t.start();
  while (port.InCount() < n && t.elapsed() < ms) QThread::msleep(1);
  return port.InCount() == n;
}

}  // namespace

class VMComPortTest : public QObject {
  Q_OBJECT

  std::unique_ptr<vmtest::PortDir> dir;
  std::unique_ptr<vmtest::PtyPair> pty;

  // A port on COM1 with CR as terminator.
  void setUpPort(TVMComPort &port, quint32 responseTime) {
    port.setEndOfResponse("#13");
    port.setResponseTime(responseTime);
    QVERIFY(port.Open());
  }

 private Q_SLOTS:
  void init() {
    dir = std::make_unique<vmtest::PortDir>();
    pty = std::make_unique<vmtest::PtyPair>();
    QVERIFY(pty->ok());
    QVERIFY(dir->addPort(1, pty->slavePath()));
  }
  void cleanup() {
    pty.reset();
    dir.reset();
  }

  void appliesLineSettingsAndReopensOnlyOnChange() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    QCOMPARE(port.Version(), QString("2.0.2"));
    port.setVersion("9.9.9");
    QCOMPARE(port.Version(), QString("2.0.2"));
    QVERIFY(!port.Opened());
    QCOMPARE(port.InCount(), 0);
    QVERIFY(!port.State());

    QVERIFY(port.Open());
    QVERIFY(port.State());
    termios t{};
    QCOMPARE(tcgetattr(pty->slaveFd(), &t), 0);
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(t.c_iflag & (ICRNL | IXON | INPCK), tcflag_t(0));

    port.setBaud(115200);
    port.setParity(parOdd);
    QVERIFY(port.Opened());
    QCOMPARE(tcgetattr(pty->slaveFd(), &t), 0);
    QCOMPARE(cfgetospeed(&t), speed_t(B115200));
    // A pseudo-terminal drops the parity-enable bit; the odd/even choice stays.
    QCOMPARE(t.c_cflag & PARODD, tcflag_t(PARODD));
    port.setParity(parEven);
    QCOMPARE(tcgetattr(pty->slaveFd(), &t), 0);
    QCOMPARE(t.c_cflag & PARODD, tcflag_t(0));

    // Same number: nothing happens. Another number reopens (COM7 is not
    // there, so the port ends up closed). Writing while closed only stores.
    port.setShowErrors(false);
    port.setPort(1);
    QVERIFY(port.Opened());
    port.setPort(7);
    QVERIFY(!port.Opened());
    port.setPort(1);
    QVERIFY(!port.Opened());
    QCOMPARE(port.Port(), 1);
  }

  void readFindsTerminatorAcrossChunksAndKeepsWhatFollows() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 2000);

    pty->writeAfter(20, "VM,52");
    pty->writeAfter(40, "04,1");
    pty->writeAfter(60, "\rTAIL");
    QElapsedTimer t;
    t.start();
    QByteArray r = port.Read();
    pty->join();
    QVERIFY2(r.startsWith("VM,5204,1\r"), r.constData());
    QVERIFY(t.elapsed() < 1000);
    QVERIFY(!port.TimedOut());
    QVERIFY(!port.InUse());

    // Several replies waiting at once come back together.
    pty->write("A\rB\rC");
    QVERIFY(WaitInCount(port, 5));
    QCOMPARE(port.Read(), QByteArray("A\rB\rC"));

    // A two-byte terminator split between its bytes.
    port.setEndOfResponse("#13#10");
    pty->writeAfter(10, "OK\r");
    pty->writeAfter(40, "\nX");
    r = port.Read();
    pty->join();
    QVERIFY2(r.startsWith("OK\r\n"), r.constData());
    QVERIFY(!port.TimedOut());
  }

  void emptyTerminatorNeverWaits() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 20);
    port.setShowErrors(false);
    port.Read();  // time out once, so TimedOut is set
    QVERIFY(port.TimedOut());

    port.setEndOfResponse("");
    port.setResponseTime(3000);
    QElapsedTimer t;
    t.start();
    QCOMPARE(port.Read(), QByteArray());
    QVERIFY(t.elapsed() < 1000);
    QVERIFY(port.TimedOut());  // untouched

    pty->write("xyz");
    QVERIFY(WaitInCount(port, 3));
    QCOMPARE(port.Read(), QByteArray("xyz"));
    QCOMPARE(port.InCount(), 0);
  }

  void timeOutAbortKeepsPartialReply() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 100);
    port.setAllowEvents(true);
    BoxRecorder boxes;
    int raised = 0;
    bool inUseDuringEvent = false;
    connect(&port, &TVMComPort::OnTimeout, this, [&](TVMComPort *sender) {
      ++raised;
      inUseDuringEvent = sender == &port && sender->InUse();
    });
    pty->writeAfter(20, "PART");
    QElapsedTimer t;
    t.start();
    QByteArray r = port.Read();
    const qint64 took = t.elapsed();
    pty->join();
    QCOMPARE(r, QByteArray("PART"));
    QVERIFY(port.TimedOut());
    QVERIFY(!port.InUse());
    QVERIFY2(took >= 100 && took < 1500, QByteArray::number(took).constData());
    QCOMPARE(raised, 1);
    QVERIFY(inUseDuringEvent);
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].text, QString("Timeout waiting for response."));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes.seen[0].buttons, QMessageBox::Abort | QMessageBox::Retry);
  }

  void timeOutRetryWaitsAgainAndKeepsWhatCame() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 100);
    BoxRecorder boxes;
    boxes.answers.push_back([&] {
      pty->write("IAL\r");  // the rest arrives while the user decides
      return QMessageBox::Retry;
    });
    int raised = 0;
    connect(&port, &TVMComPort::OnTimeout, this, [&] { ++raised; });
    pty->writeAfter(20, "PART");
    QByteArray r = port.Read();
    pty->join();
    QCOMPARE(r, QByteArray("PARTIAL\r"));
    QVERIFY(!port.TimedOut());
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(raised, 0);  // AllowEvents is off: no event
  }

  void quietTimeOutKeepsMillisecondResolution() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 25);
    port.setShowErrors(false);
    BoxRecorder boxes;
    QElapsedTimer t;
    t.start();
    QCOMPARE(port.Read(), QByteArray());
    const qint64 took = t.elapsed();
    QVERIFY2(took >= 25 && took < 500, QByteArray::number(took).constData());
    QVERIFY(port.TimedOut());

    port.setResponseTime(0);
    t.restart();
    port.Read();
    QVERIFY(t.elapsed() < 500);
    QVERIFY(port.TimedOut());
    QVERIFY(boxes.seen.isEmpty());
  }

  void nestedReadsAreRefused() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 2000);
    port.setAllowEvents(true);
    BoxRecorder boxes;
    QByteArray inner = "unset", innerRaw = "unset";
    QTimer::singleShot(20, this, [&] {
      inner = port.Read();
      port.ReadRaw(innerRaw);
      pty->write("DONE\r");
    });
    QCOMPARE(port.Read(), QByteArray("DONE\r"));
    QVERIFY(inner.isEmpty());
    QVERIFY(innerRaw.isEmpty());
    QCOMPARE(boxes.seen.size(), 2);
    for (const auto &b : boxes.seen) QCOMPARE(b.text, QString("Port is in use -- operation aborted"));

    // Without ShowErrors the refusal is silent.
    boxes.seen.clear();
    port.setShowErrors(false);
    QTimer::singleShot(20, this, [&] {
      inner = port.Read();
      pty->write("OK\r");
    });
    QCOMPARE(port.Read(), QByteArray("OK\r"));
    QVERIFY(inner.isEmpty());
    QVERIFY(boxes.seen.isEmpty());
  }

  void portVanishingEndsTheWaitWithoutHanging() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 3000);
    port.setAllowEvents(true);
    BoxRecorder boxes;
    boxes.answer(QMessageBox::Retry);  // the device does not come back ...
    boxes.answer(QMessageBox::Abort);  // ... so the user gives up
    int raised = 0;
    connect(&port, &TVMComPort::OnTimeout, this, [&] { ++raised; });
    QTimer::singleShot(50, this, [&] { pty->closeMaster(); });
    QElapsedTimer t;
    t.start();
    QCOMPARE(port.Read(), QByteArray());
    QVERIFY2(t.elapsed() < 2500, QByteArray::number(t.elapsed()).constData());
    QVERIFY(port.TimedOut());
    QVERIFY(!port.Opened());
    QCOMPARE(raised, 2);
    QCOMPARE(boxes.seen.size(), 2);

    // Afterwards the port cannot be opened again; nothing hangs.
    boxes.seen.clear();
    port.setShowErrors(false);
    t.restart();
    QVERIFY(!port.Write("*IDN?\r\n"));
    QCOMPARE(port.Read(), QByteArray());
    QVERIFY(t.elapsed() < 2000);
    QVERIFY(boxes.seen.isEmpty());
  }

  void vanishingBetweenExchangesFailsTheWrite() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    setUpPort(port, 3000);
    port.setShowErrors(false);
    pty->closeMaster();
    QVERIFY(!port.Write("*SS?\r\n"));
    QVERIFY(!port.Opened());
  }

  void closeOrDestroyDuringWaitEndsTheRead() {
    auto *port = new TVMComPort;
    setUpPort(*port, 3000);
    port->setAllowEvents(true);
    BoxRecorder boxes;
    int raised = 0;
    connect(port, &TVMComPort::OnTimeout, this, [&] { ++raised; });
    QTimer::singleShot(30, this, [&] { port->Close(); });
    QElapsedTimer t;
    t.start();
    QCOMPARE(port->Read(), QByteArray());
    QVERIFY(t.elapsed() < 2500);
    QVERIFY(port->TimedOut());
    QCOMPARE(raised, 0);
    QVERIFY(boxes.seen.isEmpty());

    QVERIFY(port->Open());
    QPointer<TVMComPort> guard(port);
    QTimer::singleShot(30, this, [port] { delete port; });
    t.restart();
    port->Read();
    QVERIFY(guard.isNull());
    QVERIFY(t.elapsed() < 2500);
  }

  void writesFlushAndCounts() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    port.setShowErrors(false);
    // A closed port opens on demand.
    QVERIFY(port.Write("*IDN?\r\n"));
    QVERIFY(port.Opened());
    QCOMPARE(pty->readUntil("\n", 1000), std::string("*IDN?\r\n"));
    const char raw[] = {'\x01', '\0', '\xff'};
    QVERIFY(port.WriteRaw(raw, 3));
    QCOMPARE(pty->readFor(100), std::string(raw, 3));
    QVERIFY(port.WriteRaw(nullptr, 0));

    pty->write("stale");
    QVERIFY(WaitInCount(port, 5));
    port.Flush();
    QCOMPARE(port.InCount(), 0);

    pty->write("12345");
    QVERIFY(WaitInCount(port, 5));
    QByteArray buf;
    port.ReadRaw(buf);
    QCOMPARE(buf, QByteArray("12345"));
    QVERIFY(!port.InUse());

    port.Close();
    QCOMPARE(port.InCount(), 0);
    port.Flush();  // closed: nothing, no crash
  }

  void openFailureExplainsItself() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    BoxRecorder boxes;
    port.setPort(5);  // not in the directory
    boxes.answer(QMessageBox::Retry);
    boxes.answer(QMessageBox::Abort);
    QVERIFY(!port.Open());
    QCOMPARE(boxes.seen.size(), 2);
    QCOMPARE(boxes.seen[0].text, QString("Error opening COM5: "));
    QCOMPARE(boxes.seen[0].buttons, QMessageBox::Abort | QMessageBox::Retry);
    QVERIFY2(boxes.seen[0].informativeText.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(boxes.seen[0].informativeText));

    // Held by another program.
    boxes.seen.clear();
    QCOMPARE(flock(pty->slaveFd(), LOCK_EX | LOCK_NB), 0);
    port.setPort(1);
    QVERIFY(!port.Open());
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].text, QString("Error opening COM1: "));
    QVERIFY(boxes.seen[0].informativeText.contains("Another program"));

    // Quiet mode: exactly one attempt, no box.
    boxes.seen.clear();
    port.setShowErrors(false);
    QVERIFY(!port.Open());
    QVERIFY(boxes.seen.isEmpty());
    flock(pty->slaveFd(), LOCK_UN);
    QVERIFY(port.Open());

    // Our own exclusive hold does not outlive the port: it opens again.
    port.Close();
    QVERIFY(port.Open());
  }

  // The port carries a lock file while open; another live program's lock
  // file keeps it closed even without any other kind of hold.
  void lockFileMarksAndGuardsThePort() {
    const QString lockDir = qEnvironmentVariable("VM5200_LOCK_DIR");
    QVERIFY(!lockDir.isEmpty());
    const QString lock = lockDir + "/" +
        QString::fromStdString(vm::serial::LockFileName(dir->entry(1)));
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    port.setShowErrors(false);
    QVERIFY(port.Open());
    QFile mine(lock);
    QVERIFY(mine.open(QIODevice::ReadOnly));
    QCOMPARE(mine.readAll().trimmed().toInt(), int(getpid()));
    mine.close();
    port.Close();
    QVERIFY(!QFile::exists(lock));

    QFile other(lock);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QByteArray::number(int(getppid())) + "\n");
    other.close();
    QVERIFY(!port.Open());
    QCOMPARE(port.LastOpenError(), EBUSY);
    QCOMPARE(port.LastLockOwner(), int(getppid()));
    QVERIFY(QFile::remove(lock));
    QVERIFY(port.Open());
  }

  void portListComesFromTheDirectory() {
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    for (int n : {123, 12, 3}) QVERIFY(dir->addPort(n, pty->slavePath()));
    QCOMPARE(port.GetValidSerialPorts(), (QList<int>{1, 3, 12, 123}));
    QCOMPARE(TVMComPort::DevicePath(123), QString::fromStdString(dir->entry(123)));
  }

  void machineModeNeverOffersTheConsole() {
    QFile active("/sys/class/tty/console/active");
    if (!active.open(QIODevice::ReadOnly)) QSKIP("no console information on this machine");
    const QStringList consoles = QString::fromLatin1(active.readAll()).simplified().split(' ');
    dir.reset();
    const QByteArray saved = qgetenv("VM5200_PORT_DIR");
    auto restore = qScopeGuard([&] { qputenv("VM5200_PORT_DIR", saved); });
    qunsetenv("VM5200_PORT_DIR");  // this machine's own ports (nothing is opened)
    TVMComPort port;
    vm::InstallPortDialogs(port);  // the window's boxes answer the component
    const QList<int> ports = port.GetValidSerialPorts();
    for (const QString &c : consoles) {
      for (int n : ports) QVERIFY(TVMComPort::DevicePath(n) != "/dev/" + c);
      if (c == "ttyS0") QVERIFY(TVMComPort::DevicePath(1).isEmpty());
    }
  }
};

QTEST_MAIN(VMComPortTest)
#include "test_vmcomport.moc"
