// Start-up, restart and exit of the program, and its version texts.
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QtTest>
#include <clocale>
#include <cstdio>

#include "ui/Restart.h"
#include "controls/rpVersionInfo.h"
#include "forms/MessageInfo.h"
#include "link/LinkTestUtil.h"
#include "service/Service.h"
#include "session/InstrumentSession.h"

using namespace vmtest;

class AppTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void restartClosesThePortWellBeforeTheNewCopy() {
    PortDir dir;
    PtyResponder inst;
    QVERIFY(dir.addPort(2, inst.slavePath()));
    ScratchCwd cwd;
    auto f = ConnectedForm(2);
    QVERIFY(f->ComPort->Opened());
    f->ToggleLoggingState();
    QElapsedTimer clock;
    QString program;
    QStringList args{"unset"};
    qint64 launchedAt = -1;
    bool portOpenAtLaunch = true;
    auto old = vm::SetLaunchHook([&](const QString &p, const QStringList &a) {
      program = p;
      args = a;
      launchedAt = clock.elapsed();
      portOpenAtLaunch = f->ComPort->Opened();
      return true;
    });
    clock.start();
    f->R1->trigger();
    vm::SetLaunchHook(old);
    QCOMPARE(program, QCoreApplication::applicationFilePath());
    QVERIFY(args.isEmpty());  // the log switch is not passed on
    QVERIFY(!portOpenAtLaunch);
    QVERIFY(launchedAt >= 500);
    QVERIFY(f->Session.ExitRequested && f->RestartRequested);
    QVERIFY(!f->LoggingEnabled);
  }

  void exitMenuAndClosingTheWindowEndAlike() {
    PortDir dir;
    PtyResponder inst;
    QVERIFY(dir.addPort(2, inst.slavePath()));
    for (int viaClose = 0; viaClose < 2; ++viaClose) {
      ScratchCwd cwd;
      auto f = ConnectedForm(2);
      f->ToggleLoggingState();
      f->StatusTimer->start();
      f->TaskTimer->start();
      if (viaClose) {
        QCloseEvent ev;
        QCoreApplication::sendEvent(f.get(), &ev);
        QVERIFY(ev.isAccepted());
      } else {
        f->Exit1->trigger();
      }
      QVERIFY(f->Session.ExitRequested);
      QVERIFY(!f->StatusTimer->isActive() && !f->TaskTimer->isActive());
      QVERIFY(!f->ComPort->Opened() && !f->ComPort->AllowEvents() && !f->ComPort->ShowErrors());
      QVERIFY(!f->LoggingEnabled && !f->LogFile.IsOpen());
      QVERIFY(!f->EnableLoggingMenu->isChecked());
      // A second request (close after Exit) changes nothing.
      f->ExitApp();
      QVERIFY(!f->ComPort->Opened());
    }
  }

  void numberFormatIsFixedWhateverTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool glibcGerman = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    QCOMPARE(QLocale().toString(1234.5), QString("1.234,5"));
    PortDir dir;
    Boxes boxes;
    TMainForm::StartOptions o;
    o.Switches.demo = true;
    TMainForm f(o);
    QCOMPARE(QLocale().toString(1234.5), QString("1234.5"));
    QCOMPARE(QLocale().toDouble("2.5"), 2.5);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", 2.5);
    QCOMPARE(QByteArray(buf), QByteArray("2.50"));
    if (!glibcGerman) qInfo("de_DE not installed for the C library; Qt side checked only");
  }

  void windowsAndVersionTexts() {
    TMessageForm m;
    QCOMPARE(MessageForm, &m);
    QCOMPARE(m.windowTitle(), QString("Initializing"));
    QCOMPARE(m.findChild<QLabel *>("MessageLabel"), m.MessageLabel);
    QCOMPARE(m.MessageLabel->text(), QString("Loading. Please wait..."));
    QVERIFY(!m.isEnabled());
    TInstrumentSession session;
    TServiceForm s(session);
    QCOMPARE(s.windowTitle(), QString("Service"));
    QVERIFY(s.isHidden());

    TrpVersionInfo v;
    QCOMPARE(v.FileVersion(), QString("0.0.4.0"));
    QCOMPARE(v.ProductVersion(), QString("1.0.0.0"));
    QCOMPARE(v.FileDescription(), QString("5200/3200 Series GUI"));
    QCOMPARE(v.Comments(), QString());
    QCOMPARE(TrpVersionInfo::KeyName(vtLegalTradeMark), QString("LegalTradeMark"));
    // Every entry is reachable as a property by its key.
    for (int t = vtCompanyName; t <= vtComments; ++t)
      QVERIFY(v.property(TrpVersionInfo::KeyName(TVersionType(t)).toLatin1()).isValid());
  }
};

QTEST_MAIN(AppTest)
#include "test_app.moc"
