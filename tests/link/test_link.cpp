// The exchange primitives and the communication log, against an instrument
// on a pseudo-terminal.
#include <QAction>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "ui/Restart.h"
#include "link/InstrumentLink.h"
#include "link/LinkTestUtil.h"

using namespace vmtest;

namespace {

constexpr int kPort = 4;

// The log as lines (CR LF removed); fails the caller when a line lacks CR LF.
QStringList LogLines(const QByteArray &bytes, bool *allCrLf) {
  QStringList out;
  *allCrLf = bytes.endsWith("\r\n");
  for (const QByteArray &l : bytes.split('\n')) {
    if (l.isEmpty()) continue;
    if (!l.endsWith('\r')) *allCrLf = false;
    out << QString::fromLatin1(l.endsWith('\r') ? l.chopped(1) : l);
  }
  return out;
}

// Pattern for one log line: "<T>" stands for a time stamp hh:nn:ss.zzz.
QRegularExpression Line(const QString &pattern) {
  QString re = QRegularExpression::escape(pattern);
  re.replace(QRegularExpression::escape("<T>"), R"(\d\d:\d\d:\d\d\.\d\d\d)");
  return QRegularExpression("^" + re + "$");
}

}  // namespace

class LinkTest : public QObject {
  Q_OBJECT

  std::unique_ptr<PortDir> dir_;
  std::unique_ptr<PtyResponder> inst_;

  std::unique_ptr<TMainForm> form(int responseMs = 300) {
    auto f = ConnectedForm(kPort, responseMs);
    if (!f->ComPort->Opened()) qWarning("port did not open");
    return f;
  }

 private Q_SLOTS:
  void init() {
    dir_ = std::make_unique<PortDir>();
    inst_ = std::make_unique<PtyResponder>();
    QVERIFY(inst_->ok());
    QVERIFY(dir_->addPort(kPort, inst_->slavePath()));
  }
  void cleanup() {
    inst_.reset();
    dir_.reset();
    QLocale::setDefault(QLocale::c());
  }

  void framingAndTypedQueries() {
    ScratchCwd cwd;
    inst_->reply("*CFG? 0?", "  A B  ");
    inst_->reply("NUM?", " 42 ");
    inst_->reply("BIG?", "9000000000");
    inst_->reply("HEX?", "$1F");
    inst_->reply("FLT?", "2.5e-3");
    inst_->reply("COMMA?", "1,5");
    inst_->reply("ERR?", "ERR");
    inst_->reply("EMPTY?", " ");
    // A decimal-comma locale must not change what the conversions accept.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto f = form();
    TInstrumentLink &link = f->Session.Link();
    f->ToggleLoggingState();

    QCOMPARE(link.QueryText("*CFG? 0"), QString("  A B"));  // leading blanks stay
    QVERIFY(inst_->raw().starts_with("*CFG? 0?\r\n"));
    QCOMPARE(link.LastCommand, QString("*CFG? 0?"));
    QCOMPARE(link.QueryInteger("NUM"), 42);
    QCOMPARE(link.QueryInt64("BIG"), Q_INT64_C(9000000000));
    QCOMPARE(link.QueryInteger("HEX"), 31);
    QCOMPARE(link.QueryFloat("FLT"), 0.0025);
    QCOMPARE(link.QueryInteger("BIG"), 0);  // out of 32-bit range
    QCOMPARE(link.QueryFloat("COMMA"), 0.0);
    QCOMPARE(link.QueryInteger("ERR"), 0);
    QCOMPARE(link.QueryInteger("EMPTY"), 0);

    bool crlf = false;
    QStringList lines = LogLines(cwd.logBytes(), &crlf);
    QVERIFY(crlf);
    // Exactly the failed conversions (BIG as 32 bits, COMMA, ERR) logged
    // one "Exception Error" each, right after their reply; EMPTY none.
    QStringList exceptions;
    for (int i = 0; i < lines.size(); ++i)
      if (lines[i].startsWith("Exception Error")) exceptions << lines[i - 1];
    QCOMPARE(exceptions.size(), 3);
    QVERIFY(exceptions[0].endsWith("): 9000000000"));
    QVERIFY(exceptions[1].endsWith("): 1,5"));
    QVERIFY(exceptions[2].endsWith("): ERR"));
  }

  void commandsEchoAndDisabling() {
    ScratchCwd cwd;
    inst_->reply(":PULS0:STAT ON", "ok");
    inst_->reply("Q?", "<b>7</b>");
    auto f = form();
    TInstrumentLink &link = f->Session.Link();
    auto *term = qobject_cast<QTextEdit *>(f->ResponseList);
    QVERIFY(term);

    QCOMPARE(link.SendCommand(":PULS0:STAT ON"), QString("ok"));
    QCOMPARE(term->document()->blockCount(), 2);
    QTextBlock sent = term->document()->firstBlock();
    QTextBlock reply = sent.next();
    QVERIFY(sent.text().endsWith(") :PULS0:STAT ON"));
    QVERIFY(reply.text().endsWith(") ok"));
    QCOMPARE(sent.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    QCOMPARE(reply.begin().fragment().charFormat().foreground().color(), QColor(0, 128, 0));

    // Queries are not echoed; commands are dropped while disabled, queries
    // still go out.
    const vm::HoldCount::Hold off(f->Session.Busy.CommandsOff);
    f->ToggleLoggingState();
    inst_->clear();
    QCOMPARE(link.SendCommand(":PULS0:STAT ON"), QString());
    QCOMPARE(link.QueryText("Q"), QString("<b>7</b>"));
    QCOMPARE(inst_->lines(), std::vector<std::string>{"Q?"});
    QCOMPARE(term->document()->blockCount(), 2);
    QVERIFY(cwd.logBytes().contains("Command Disabled:    ("));
  }

  void nestedExchangeLeavesTheRunningReplyAlone() {
    // A timer fires while a reply is awaited and tries a query of its own. It
    // must give up without purging the port: the reply arrives meanwhile.
    inst_->reply("SLOW?", "done");
    inst_->reply("X?", "x");
    inst_->replyDelay(100);
    auto f = form(1000);
    TInstrumentLink &link = f->Session.Link();
    Boxes boxes(QMessageBox::Ignore);
    QString nested = "unset";
    QTimer::singleShot(115, [&] { nested = link.QueryText("X"); });
    QCOMPARE(link.QueryText("SLOW"), QString("done"));
    QCOMPARE(nested, QString());
    QCOMPARE(inst_->lines(), std::vector<std::string>{"SLOW?"});
    QVERIFY(boxes.seen.empty());
  }

  void timeoutAsksOnceAndIgnoreResumesPolling() {
    ScratchCwd cwd;
    auto f = form(150);
    TInstrumentLink &link = f->Session.Link();
    f->ToggleLoggingState();
    f->StatusTimer->start();
    Boxes boxes(QMessageBox::Ignore);
    bool timerRanDuringBox = false;
    boxes.onShow = [&](const vm::MessageRequest &) {
      timerRanDuringBox = f->StatusTimer->isActive();
    };
    QCOMPARE(link.SendCommand(":PULS1:DEL 1"), QString());
    QCOMPARE(boxes.texts(), QStringList{"Communications lost. Restart?"});
    QCOMPARE(boxes.seen[0].buttons,
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore);
    QVERIFY(!timerRanDuringBox);        // polling stops while the box is up
    QVERIFY(f->StatusTimer->isActive());  // and resumes after Ignore
    QVERIFY(!f->Session.ExitRequested);
    bool crlf = false;
    QStringList lines = LogLines(cwd.logBytes(), &crlf);
    QCOMPARE(lines.size(), 4);
    QVERIFY(Line("Timeout Error(<T>)").match(lines[2]).hasMatch());
    QVERIFY(Line("Received(<T>): ").match(lines[3]).hasMatch());
  }

  // Every exchange pauses 30 ms and purges the port before it writes: a reply
  // that came after its time-out was ignored, or bytes nobody asked for,
  // never stand in for the next reply.
  void staleAndLateBytesNeverShiftReplies() {
    inst_->handler([](const std::string &line, int) -> std::optional<std::string> {
      if (line == "SLOW?") {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return "late";
      }
      if (line == "A?") return "1";
      if (line == "B") return "2";
      return std::nullopt;
    });
    auto f = form(100);
    TInstrumentLink &link = f->Session.Link();
    Boxes boxes(QMessageBox::Ignore);
    QCOMPARE(link.QueryText("SLOW"), QString());
    QCOMPARE(boxes.texts(), QStringList{"Communications lost. Restart?"});
    QTRY_VERIFY_WITH_TIMEOUT(f->ComPort->InCount() > 0, 2000);  // "late" is waiting
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(link.QueryText("A"), QString("1"));
    QVERIFY(clock.elapsed() >= 30);
    inst_->pty().write("junk\r");
    QTRY_VERIFY_WITH_TIMEOUT(f->ComPort->InCount() > 0, 2000);
    clock.restart();
    QCOMPARE(link.SendCommand("B"), QString("2"));
    QVERIFY(clock.elapsed() >= 30);
    QCOMPARE(boxes.seen.size(), size_t(1));
  }

  void yesToLostCommunicationsRestarts() {
    auto f = form(100);
    TInstrumentLink &link = f->Session.Link();
    Boxes boxes(QMessageBox::Yes);
    int launched = 0;
    auto old = vm::SetLaunchHook([&](const QString &, const QStringList &) { return ++launched, true; });
    QCOMPARE(link.SendCommand(":PULS1:DEL 1"), QString());
    vm::SetLaunchHook(old);
    QCOMPARE(boxes.texts(), QStringList{"Communications lost. Restart?"});
    QCOMPARE(launched, 1);
    QVERIFY(f->Session.ExitRequested && f->RestartRequested);
    QVERIFY(!f->ComPort->Opened());
  }

  void logLinesByteForByte() {
    ScratchCwd cwd;
    inst_->reply("*IDN?", "VM,5204,1234,1.00-1.25   ");
    inst_->reply(":PULS0:STAT ON", "ok");
    inst_->reply("*SS?", "abc");
    inst_->reply("SLOW?", "late");
    auto f = form(400);
    TInstrumentLink &link = f->Session.Link();
    f->LogUserName = "tester";
    f->LogStartStamp = "03-14-24_09-05-07";
    f->ToggleLoggingState();
    QVERIFY(QFile::exists(cwd.path() + "/SystemLogFile_tester_03-14-24_09-05-07.txt"));

    link.QueryText("*IDN");
    link.SendCommand(":PULS0:STAT ON");
    link.QueryInteger("*SS");
    {
      const vm::HoldCount::Hold off(f->Session.Busy.CommandsOff);
      link.SendCommand(":PULS1:WIDT 0.00000001000");
    }
    inst_->replyDelay(150);
    QTimer::singleShot(80, [&] { link.SendCommand(":PULS2:DEL 1"); });
    link.QueryText("SLOW");
    inst_->replyDelay(0);
    Boxes boxes(QMessageBox::Ignore);
    link.QueryText("NOTHING");

    bool crlf = false;
    QStringList lines = LogLines(cwd.logBytes(), &crlf);
    QVERIFY(crlf);
    const QStringList expected = {
        "System Communication Log File ",  // + date "," time, checked below
        "Sent    (<T>): *IDN?",
        "Received(<T>): VM,5204,1234,1.00-1.25",
        "Sent    (<T>): :PULS0:STAT ON",
        "Received(<T>): ok",
        "Sent    (<T>): *SS?",
        "Received(<T>): abc",
        "Exception Error (<T>",
        "Command Disabled:    (<T>): :PULS1:WIDT 0.00000001000",
        "Sent    (<T>): SLOW?",
        "Comport in use:    (<T>): :PULS2:DEL 1",
        "Received(<T>): late",
        "Sent    (<T>): NOTHING?",
        "Timeout Error(<T>)",
        "Received(<T>): ",
    };
    QCOMPARE(lines.size(), expected.size());
    QVERIFY(lines[0].startsWith(expected[0]) && lines[0].contains(','));
    for (int i = 1; i < expected.size(); ++i)
      QVERIFY2(Line(expected[i]).match(lines[i]).hasMatch(), qPrintable(lines[i]));

    // Off and on again in the same run: the same file, created anew.
    f->ToggleLoggingState();
    f->ToggleLoggingState();
    link.QueryText("*IDN");
    lines = LogLines(cwd.logBytes(), &crlf);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("System Communication Log File "));
    QVERIFY(lines[1].endsWith("): *IDN?"));
  }

  void logWriteErrorIsReportedOnceAndLoggingStops() {
    ScratchCwd cwd;
    inst_->reply("A?", "1");
    auto f = form();
    TInstrumentLink &link = f->Session.Link();
    f->ToggleLoggingState();
    QVERIFY(f->LoggingEnabled);
    Boxes boxes;
    // Past this size every write fails, like a full disk.
    const auto size = cwd.logBytes().size();
    auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = rlim_t(size + 10);
    setrlimit(RLIMIT_FSIZE, &small);
    QString a1 = link.QueryText("A");
    QString a2 = link.QueryText("A");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldSignal);

    QCOMPARE(a1, QString("1"));  // the exchange itself goes on
    QCOMPARE(a2, QString("1"));
    QCOMPARE(boxes.seen.size(), size_t(1));
    QVERIFY(boxes.seen[0].text.contains("log file could not be written"));
    QVERIFY(!f->LoggingEnabled);
    QVERIFY(!f->EnableLoggingMenu->isChecked());
  }

  void unwritableLocationLeavesLoggingOff() {
    auto f = form();
    TInstrumentLink &link = f->Session.Link();
    Boxes boxes;
    ScratchCwd cwd;
    // A working directory that has gone away takes no files, not even root's.
    QVERIFY(QDir(cwd.path()).removeRecursively());
    f->ToggleLoggingState();
    QCOMPARE(boxes.texts(), QStringList{"Log file cannot be written to. Please run program from "
                                        "writable location. Logging will be disabled."});
    QVERIFY(!f->LoggingEnabled);
    QVERIFY(!f->EnableLoggingMenu->isChecked());
    QCOMPARE(link.QueryText("A"), QString());  // exchanges go on without a log
  }

  void exitAnsweredInsideAReplyWait() {
    // "No" in the loss dialog ends the program from inside the read. The code
    // that was waiting runs on: the component and the lists stay valid, and
    // nothing more is sent.
    ScratchCwd cwd;
    auto f = form(150);
    TInstrumentLink &link = f->Session.Link();
    f->ToggleLoggingState();
    QPointer<TVMComPort> port = f->ComPort;
    Boxes boxes(QMessageBox::No);
    QCOMPARE(link.QueryText("A"), QString());
    QVERIFY(f->Session.ExitRequested);
    QVERIFY(!f->ComPort->Opened());
    QVERIFY(!f->LoggingEnabled);
    QElapsedTimer t;
    t.start();
    QCOMPARE(link.QueryInteger("B"), 0);
    QCOMPARE(link.SendCommand("C"), QString());
    QVERIFY(t.elapsed() < 50);  // no pause (two would take 60 ms), no wait
    f->Session.SettingsList << "// still usable";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(port);
    QCOMPARE(inst_->lines(), std::vector<std::string>{"A?"});
    bool crlf = false;
    QStringList lines = LogLines(cwd.logBytes(), &crlf);
    QVERIFY(crlf);
    QVERIFY(Line("Timeout Error(<T>)").match(lines.last()).hasMatch());  // file closed after it
    QCOMPARE(boxes.seen.size(), size_t(1));
  }

  void exitFromAnEventDuringAReplyWait() {
    // File > Exit clicked while a reply is awaited: the wait ends at once.
    inst_->reply("SLOW?", "late");
    inst_->replyDelay(1500);
    auto f = form(3000);
    TInstrumentLink &link = f->Session.Link();
    Boxes boxes;
    QTimer::singleShot(50, [&] { f->Exit1->trigger(); });
    QElapsedTimer t;
    t.start();
    QCOMPARE(link.QueryText("SLOW"), QString());
    QVERIFY(t.elapsed() < 1000);
    QVERIFY(f->Session.ExitRequested);
    QVERIFY(f->ComPort && !f->ComPort->InUse());
    QVERIFY(boxes.seen.empty());
  }
};

QTEST_MAIN(LinkTest)
#include "test_link.moc"
