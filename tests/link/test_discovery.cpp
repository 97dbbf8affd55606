// Finding the instrument: the scan over ports and rates, the identity, and
// the start-up choice (scan, manual pick, demonstration mode).
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

#include <QApplication>
#include <QComboBox>

#include "ui/Restart.h"
#include "forms/PickPort.h"
#include "serial/core/PortLock.h"
#include "link/LinkTestUtil.h"

using namespace vmtest;

namespace {

const std::string kIdn = "VM,5204,1234,1.00-1.25";

TMainForm::StartOptions Plain(bool log = false) {
  TMainForm::StartOptions o;
  o.RunFormCreate = false;
  o.Switches.log = log;
  return o;
}

QStringList TryingLines(const QByteArray &log) {
  QStringList out;
  for (const QByteArray &l : log.split('\n'))
    if (l.startsWith("Trying on port: ")) out << QString::fromLatin1(l.trimmed());
  return out;
}

QStringList Trying(int port, std::initializer_list<int> rates) {
  QStringList out;
  for (int r : rates) out << QString("Trying on port: %1, baud:%2").arg(port).arg(r);
  return out;
}

}  // namespace

class DiscoveryTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void silentPortThenInstrumentAtOnly9600() {
    PortDir dir;
    PtyResponder silent, inst;
    inst.reply("*IDN?", kIdn);
    inst.onlyAtBaud(9600);
    QVERIFY(dir.addPort(7, inst.slavePath()));
    QVERIFY(dir.addPort(3, silent.slavePath()));
    ScratchCwd cwd;
    TMainForm f(Plain());
    TInstrumentLink &link = f.Session.Link();
    f.ToggleLoggingState();
    auto *term = qobject_cast<QTextEdit *>(f.ResponseList);
    term->setPlainText("old text");

    QVERIFY(link.FindInstrument());
    QCOMPARE(f.ComPort->Port(), 7);
    QCOMPARE(f.ComPort->Baud(), 9600);
    QVERIFY(f.ComPort->Opened());
    QCOMPARE(f.ComPort->ResponseTime(), 25u);
    QVERIFY(!f.ComPort->ShowErrors());
    QCOMPARE(f.Session.CompanyBadge, QString("VM"));
    QCOMPARE(f.Session.ModelNumber, QString("5204"));
    QCOMPARE(f.Session.SerialNumber, 1234);
    QCOMPARE(f.Session.FirmwareVersion, QString("1.00"));
    QCOMPARE(f.Session.FpgaVersion, QString("1.25"));
    QVERIFY(term->toPlainText().isEmpty());

    QStringList expected = Trying(3, {115200, 57600, 38400, 19200, 9600, 4800});
    expected << Trying(7, {115200, 57600, 38400, 19200, 9600});
    QCOMPARE(TryingLines(cwd.logBytes()), expected);
    // Two identity queries per rate, each with a sent and a received line.
    int sent = cwd.logBytes().count("Sent    (");
    int received = cwd.logBytes().count("Received(");
    QCOMPARE(sent, 2 * expected.size());
    QCOMPARE(received, 2 * expected.size());
    QCOMPARE(silent.lines().size(), size_t(12));
  }

  void unknownModelIsPassedOver() {
    PortDir dir;
    PtyResponder other, inst;
    other.reply("*IDN?", "VM,5209,1,1.00-1.00");
    inst.reply("*IDN?", kIdn);
    QVERIFY(dir.addPort(1, other.slavePath()));
    QVERIFY(dir.addPort(2, inst.slavePath()));
    {
      TMainForm f(Plain());
      TInstrumentLink &link = f.Session.Link();
      QVERIFY(link.FindInstrument());
      QCOMPARE(f.ComPort->Port(), 2);
      QCOMPARE(f.ComPort->Baud(), 115200);
      QCOMPARE(other.lines().size(), size_t(12));  // every rate tried there
    }

    dir.removePort(2);
    TMainForm g(Plain());
    TInstrumentLink &link = g.Session.Link();
    QVERIFY(!link.FindInstrument());
    QVERIFY(!g.ComPort->Opened());
  }

  void onlyTheSecondIdentityAnswerCounts() {
    PortDir dir;
    PtyResponder late, early;
    // Answers the second query of each rate only: found at the first rate.
    late.sequence("*IDN?", {"", kIdn});
    QVERIFY(dir.addPort(1, late.slavePath()));
    {
      TMainForm f(Plain());
      TInstrumentLink &link = f.Session.Link();
      QVERIFY(link.FindInstrument());
      QCOMPARE(f.ComPort->Baud(), 115200);
      QCOMPARE(late.lines().size(), size_t(2));
    }
    // Answers only the very first query: the empty second reply clears it.
    early.sequence("*IDN?", {kIdn}, false);
    QVERIFY(dir.addPort(1, early.slavePath()));
    TMainForm f(Plain());
    TInstrumentLink &link = f.Session.Link();
    QVERIFY(!link.FindInstrument());
    QCOMPARE(f.Session.ModelNumber, QString());
    QCOMPARE(early.lines().size(), size_t(12));
  }

  void longPortListStillReportsWhatWasFound() {
    PortDir dir;
    PtyResponder inst;
    inst.reply("*IDN?", kIdn);
    for (int n = 1; n <= 101; ++n) QVERIFY(dir.addPort(n, inst.slavePath()));
    TMainForm f(Plain());
    TInstrumentLink &link = f.Session.Link();
    QCOMPARE(f.ComPort->GetValidSerialPorts().size(), 101);
    QVERIFY(link.FindInstrument());
    QCOMPARE(f.ComPort->Port(), 1);
  }

  void startWithoutPortsAndDeclinedRescanEnds() {
    PortDir dir;  // empty
    ScratchCwd cwd;
    Boxes boxes(QMessageBox::No);
    TMainForm::StartOptions o;
    o.Switches.log = true;
    TMainForm f(o);
    QCOMPARE(boxes.texts(),
             (QStringList{"No available ports.",
                          "No device found. Try to reconnect?\n\r\n\rMake sure unit is fully "
                          "powered on\n\rbefore selecting Yes"}));
    QCOMPARE(boxes.seen[1].buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(f.Session.ExitRequested);
    QVERIFY(!f.LaunchTimer->isActive());
    QVERIFY(!f.LoggingEnabled);
    QVERIFY(cwd.logBytes().startsWith("System Communication Log File "));
  }

  void declinedRescanWithShiftHeldEntersDemoMode() {
    PortDir dir;
    Boxes boxes(QMessageBox::No);
    int asked = 0;
    TMainForm::StartOptions o;
    // Not held at the start; held when the user answers the box.
    o.LeftShiftHeld = [&] { return ++asked > 1; };
    dir.addPort(1, "/nonexistent/pty");
    TMainForm f(o);
    QCOMPARE(boxes.texts().last(), QString("Entering Demo Mode"));
    QVERIFY(f.Session.DemoMode);
    QVERIFY(!f.Session.ExitRequested);
    QVERIFY(f.LaunchTimer->isActive());
  }

  void startSwitchesChooseDemoAndPick() {
    PortDir dir;
    PtyResponder inst;
    inst.reply("*IDN?", kIdn);
    QVERIFY(dir.addPort(1, inst.slavePath()));
    {
      // Demonstration mode: no port opened, nothing sent.
      Boxes boxes;
      TMainForm::StartOptions o;
      o.Switches.demo = true;
      TMainForm f(o);
      QCOMPARE(boxes.texts(), QStringList{"Entering Demo Mode"});
      QVERIFY(f.Session.DemoMode && !f.ComPort->Opened());
      QVERIFY(!f.StatusTimer->isActive());
      f.LaunchTimerTimer();
      QCOMPARE(f.windowTitle(), QString(" Model 5204  SW Version: 0.0.4.0 ComPort: Demo"));
    }
    QVERIFY(inst.lines().empty());
    {
      // The manual pick comes first; with no port to offer it ends the program.
      dir.removePort(1);
      Boxes boxes;
      TMainForm::StartOptions o;
      o.Switches.demo = true;
      o.SpaceHeld = [] { return true; };
      TMainForm f(o);
      QCOMPARE(boxes.texts(), QStringList{"No available ports."});
      QVERIFY(f.Session.ExitRequested && !f.Session.DemoMode);
    }
  }

  void successfulStartArmsTheLaunch() {
    PortDir dir;
    PtyResponder inst;
    inst.reply("*IDN?", kIdn);
    inst.onlyAtBaud(57600);
    QVERIFY(dir.addPort(5, inst.slavePath()));
    Boxes boxes;
    TMainForm f(TMainForm::StartOptions{});
    QVERIFY(boxes.seen.empty());
    QVERIFY(f.LaunchTimer->isActive());
    QCOMPARE(f.ComPort->ResponseTime(), 3000u);
    QVERIFY(f.ComPort->AllowEvents());
    QCOMPARE(f.ComPort->EndOfResponseRaw(), QByteArray("\r"));
    QTRY_VERIFY_WITH_TIMEOUT(f.StatusTimer->isActive(), 2000);
    QVERIFY(!f.LaunchTimer->isActive());
    QCOMPARE(f.windowTitle(),
             QString("Velmora Model 5204  SW Version: 0.0.4.0 ComPort: 5 Baud: 57600"));
  }

  // Space held and a port chosen: that port at 115200 with CR, and not a
  // word to the instrument before the first initialisation.
  void manualPickOpensTheChosenPortWithoutAsking() {
    PortDir dir;
    PtyResponder a, b;
    QVERIFY(dir.addPort(2, a.slavePath()));
    QVERIFY(dir.addPort(6, b.slavePath()));
    Boxes boxes;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto *dlg = qobject_cast<TformPickPort *>(QApplication::activeModalWidget());
      if (!dlg) return;
      poll.stop();
      dlg->listPorts->setCurrentIndex(dlg->listPorts->findText("COM6"));
      dlg->accept();
    });
    poll.start(5);
    TMainForm::StartOptions o;
    o.SpaceHeld = [] { return true; };
    TMainForm f(o);
    QVERIFY(boxes.seen.empty());
    QVERIFY(!f.Session.ExitRequested && f.LaunchTimer->isActive());
    QVERIFY(f.ComPort->Opened());
    QCOMPARE(f.ComPort->Port(), 6);
    QCOMPARE(f.ComPort->Baud(), 115200);
    QCOMPARE(f.ComPort->EndOfResponseRaw(), QByteArray("\r"));
    QCOMPARE(f.ComPort->ResponseTime(), 3000u);
    QCOMPARE(f.Session.ModelNumber, QString());
    QTest::qWait(50);
    QVERIFY(a.raw().empty() && b.raw().empty());
  }

  // Nothing found: Yes starts a new copy; the box tells which ports were
  // not searched because another program holds them.
  void yesToNoDeviceRestartsAndBusyPortsAreNamed() {
    PortDir dir;
    PtyResponder held;
    held.reply("*IDN?", kIdn);
    QVERIFY(dir.addPort(4, held.slavePath()));
    const QString lock = qEnvironmentVariable("VM5200_LOCK_DIR") + "/" +
                         QString::fromStdString(vm::serial::LockFileName(dir.entry(4)));
    QFile file(lock);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(int(getppid())) + "\n");
    file.close();
    Boxes boxes(QMessageBox::Yes);
    int launched = 0;
    auto old = vm::SetLaunchHook([&](const QString &, const QStringList &) { return ++launched, true; });
    TMainForm f(TMainForm::StartOptions{});
    vm::SetLaunchHook(old);
    QFile::remove(lock);
    QCOMPARE(boxes.seen.size(), size_t(1));
    QVERIFY(boxes.seen[0].text.startsWith("No device found. Try to reconnect?"));
    QVERIFY2(boxes.seen[0].detailedText.contains(
                 QString("COM4 (%1): in use by another program (process %2).")
                     .arg(QString::fromStdString(dir.entry(4)))
                     .arg(getppid())),
             qPrintable(boxes.seen[0].detailedText));
    QVERIFY(held.raw().empty());  // never written to
    QCOMPARE(launched, 1);
    QVERIFY(f.Session.ExitRequested && f.RestartRequested);
  }

  // Demonstration mode still sends edits: to port 1, read back without
  // waiting; a missing port 1 is reported, not hung on.
  void demoModeExchangesGoToPortOne() {
    PortDir dir;
    PtyResponder one;
    one.reply(":PULS1:STAT 1", "ok");
    Boxes boxes(QMessageBox::Abort);
    TMainForm::StartOptions o;
    o.Switches.demo = true;
    TMainForm f(o);
    TInstrumentLink &link = f.Session.Link();
    QCOMPARE(boxes.texts(), QStringList{"Entering Demo Mode"});
    QCOMPARE(link.SendCommand(":PULS1:STAT 1"), QString());  // no port 1 yet
    const QStringList told = boxes.texts();
    QVERIFY(told.size() > 1);
    for (const QString &t : told.mid(1)) QCOMPARE(t, QString("Error opening COM1: "));
    QVERIFY(dir.addPort(1, one.slavePath()));
    link.SendCommand(":PULS1:STAT 1");
    QVERIFY(!f.ComPort->TimedOut());  // no terminator in demo mode: no reply wait
    QTRY_COMPARE(one.lines(), std::vector<std::string>{":PULS1:STAT 1"});
    QCOMPARE(boxes.texts(), told);
  }

  void userNameCannotMoveTheLog() {
    ScratchCwd cwd;
    PortDir dir;
    qputenv("USERNAME", "../../x\\y");
    Boxes boxes;
    TMainForm::StartOptions o;
    o.Switches.log = true;
    o.Switches.demo = true;
    TMainForm f(o);
    qunsetenv("USERNAME");
    QVERIFY(f.LoggingEnabled);
    const QString log = cwd.logFile();
    QVERIFY2(!log.isEmpty(), "log file not in the working directory");
    QVERIFY(QFileInfo(log).fileName().startsWith("SystemLogFile_"));
    QVERIFY(!QFileInfo(log).fileName().contains(".."));
    QVERIFY(QRegularExpression(R"(_\d\d-\d\d-\d\d_\d\d-\d\d-\d\d\.txt$)").match(log).hasMatch());
  }
};

QTEST_MAIN(DiscoveryTest)
#include "test_discovery.moc"
