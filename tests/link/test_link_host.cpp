// The instrument link without a window: what it asks of its host.
#include <QtTest>

#include "link/InstrumentLink.h"
#include "serial/VMComPort.h"
#include "support/PtyResponder.h"

class LinkHostTest : public QObject {
  Q_OBJECT

  struct Host {
    bool disabled = false, exiting = false;
    int lost = 0;
    QStringList echo, log;
    void install(TInstrumentLink &l) {
      l.Host.CommandsDisabled = [this] { return disabled; };
      l.Host.ExitRequested = [this] { return exiting; };
      l.Host.CommunicationLost = [this] { ++lost; };
      l.Host.Echo = [this](const QString &t, const QColor &c) {
        echo << (c == QColor(Qt::black) ? "black " : c == QColor(0, 128, 0) ? "green " : "? ") +
                    t.section(' ', 1);
      };
      l.Host.Log = [this](const QString &line) { log << line; };
    }
  };

 private Q_SLOTS:
  void exchangesReportToTheHost() {
    vmtest::PortDir dir;
    vmtest::PtyResponder inst;
    QVERIFY(dir.addPort(1, inst.slavePath()));
    inst.reply(":PULS1:DEL 1", "ok");
    inst.reply("*IDN?", "VM,5208,77,1.00-1.25");

    TInstrumentLink link;
    Host h;
    h.install(link);
    link.ComPort()->setEndOfResponse("\r");
    link.ComPort()->setShowErrors(false);
    link.ComPort()->setResponseTime(300);
    QVERIFY(link.ComPort()->Open());

    QCOMPARE(link.SendCommand(":PULS1:DEL 1"), QString("ok"));
    QCOMPARE(h.echo, QStringList({"black :PULS1:DEL 1", "green ok"}));
    QCOMPARE(h.log.size(), 2);

    vm::InstrumentIdentity seen;
    link.Host.IdentityRead = [&](const vm::InstrumentIdentity &id) { seen = id; };
    link.ParseIDN();
    QCOMPARE(seen.ModelNumber, std::string("5208"));
    QCOMPARE(seen.SerialNumber, 77);

    h.disabled = true;  // filling controls: nothing goes out, one log line
    inst.clear();
    QVERIFY(link.SendCommand(":PULS1:DEL 1").isEmpty());
    QCOMPARE(h.log.size(), 5);
    h.disabled = false;

    link.HandleCommTimeout();  // logged, then handed to the host
    QCOMPARE(h.lost, 1);
    QCOMPARE(h.log.size(), 6);

    h.exiting = true;  // ending: no exchange, no question
    QVERIFY(link.QueryText("*IDN").isEmpty());
    link.HandleCommTimeout();
    QCOMPARE(h.lost, 1);
    QTest::qWait(50);
    QVERIFY(inst.lines().empty());
  }
};

QTEST_GUILESS_MAIN(LinkHostTest)
#include "test_link_host.moc"
