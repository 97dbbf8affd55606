// The serial component without any widget: its questions reach the answers
// installed by the layer above, and without answers it never blocks.
#include <QtTest>

#include "serial/VMComPort.h"
#include "support/PtyPair.h"

class PortAnswersTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void openFailureIsAskedUntilAbort() {
    vmtest::PortDir dir;  // empty: COM7 maps to no device
    TVMComPort port;
    port.setPort(7);
    QVERIFY(!port.Open());  // nothing installed: Abort, no hang

    QList<TPortQuestion> asked;
    port.SetUserAnswers(
        [&](QObject *, const TPortQuestion &q) {
          asked << q;
          return asked.size() < 2;  // Retry once, then Abort
        },
        {});
    QVERIFY(!port.Open());
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].Kind, TPortQuestion::pqOpenError);
    QCOMPARE(asked[0].Text, QString("Error opening COM7: "));
    QVERIFY(!asked[0].Detail.isEmpty());

    port.setShowErrors(false);  // the scan's setting: never asked
    QVERIFY(!port.Open());
    QCOMPARE(asked.size(), 2);

    TVMComPort other;  // answers belong to the port they were given to
    other.setPort(7);
    QVERIFY(!other.Open());
    QCOMPARE(asked.size(), 2);
  }

  void pickOffersOpenablePortsAndTakesTheAnswer() {
    vmtest::PortDir dir;
    vmtest::PtyPair a, b;
    QVERIFY(dir.addPort(2, a.slavePath()) && dir.addPort(9, b.slavePath()));
    TVMComPort port;
    QVERIFY(!port.Pick());  // no picker installed: cancelled

    QStringList offered;
    QString preselected;
    port.SetUserAnswers({}, [&](QObject *, const QStringList &ports, const QString &current) {
      offered = ports;
      preselected = current;
      return QStringLiteral("COM9");
    });
    QVERIFY(port.Pick());
    QCOMPARE(offered, QStringList({"COM2", "COM9"}));
    QCOMPARE(preselected, QString("COM1"));
    QCOMPARE(port.Port(), 9);
  }
};

QTEST_GUILESS_MAIN(PortAnswersTest)
#include "test_port_answers.moc"
