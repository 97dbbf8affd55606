// The command queue, run/stop, storage bins, the status poll and the page
// focus memory of the main window, against a scripted instrument.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "controls/plussped.h"
#include "forms/FormArt.h"
#include "main/MainTestUtil.h"

using namespace vmtest;

namespace {

// Lines the window sent that are commands (no queries, no identity).
std::vector<std::string> Commands(const FakeInstrument &inst) {
  std::vector<std::string> out;
  for (const auto &l : inst.lines())
    if (!l.empty() && l.back() != '?') out.push_back(l);
  return out;
}

}  // namespace

class MainQueueTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void queuedCommandsGoOutInOrderAndNoneIsLost() {
    Bench b;
    TMainForm &f = *b.form;
    b.inst.responder.replyDelay(20);
    // An edit made while the queue is being sent (during a reply wait) joins
    // the end of the queue.
    QTimer::singleShot(45, &f, [&f] { f.QueuedCommandToPort(":PULS2:MOD BURS"); });
    for (const char *c : {":PULS1:DEL 0.00000002500", ":PULS0:BCO 4000000000", ":PULS1:MUX 5"})
      f.QueuedCommandToPort(c);
    QVERIFY(f.TaskTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(Commands(b.inst).size(), size_t(4), 5000);
    QCOMPARE(Commands(b.inst),
             (std::vector<std::string>{":PULS1:DEL 0.00000002500", ":PULS0:BCO 4000000000",
                                       ":PULS1:MUX 5", ":PULS2:MOD BURS"}));
    b.inst.responder.replyDelay(0);

    // Far more than a hundred at once: all of them, in order.
    b.inst.responder.clear();
    for (int i = 0; i < 130; ++i) f.QueuedCommandToPort(QString(":PULS1:WCO %1").arg(i));
    QCOMPARE(int(f.Session.Tasks.PendingCount()), 130);
    QTRY_COMPARE_WITH_TIMEOUT(Commands(b.inst).size(), size_t(130), 30000);
    const auto sent = Commands(b.inst);
    for (int i = 0; i < 130; ++i) QCOMPARE(sent[size_t(i)], ":PULS1:WCO " + std::to_string(i));
    QTRY_VERIFY(!f.Session.TaskBusy() && !f.Session.Tasks.TasksPending());
    // Nothing left to send: the task timer stops until the next command.
    QTRY_VERIFY(!f.TaskTimer->isActive());

    // While the readback fills the controls, edits are dropped.
    const vm::HoldCount::Hold off(f.Session.Busy.CommandsOff);
    f.QueuedCommandToPort(":PULS1:WCO 999");
    QCOMPARE(int(f.Session.Tasks.PendingCount()), 0);
  }

  // An edit still queued when a recall is chosen goes out first: the recall
  // then replaces it on the instrument and on screen alike.
  void queuedCommandsGoBeforeARecall() {
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    b.inst.responder.clear();
    f.QueuedCommandToPort(":PULS1:POL INV");
    f.findChild<QAction *>("BinRestore0")->trigger();  // "Default 0"
    QVERIFY(f.Session.Tasks.RecallRequested() && f.Session.Tasks.RecallBinNumber() == 0);
    bool progressShown = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      progressShown |= b.messageForm.isVisible() &&
                       b.messageForm.MessageLabel->text().startsWith("Initializing");
    });
    probe.start(10);
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count("*CFG? 4?"), 1, 10000);
    const int rcl = b.inst.find("*RCL 0");
    QVERIFY(b.inst.find(":PULS1:POL INV") >= 0 && b.inst.find(":PULS1:POL INV") < rcl);
    QCOMPARE(b.inst.count(":PULS1:POL INV"), 1);
    QVERIFY(b.inst.find("*CFG? 0?") > rcl);
    QVERIFY(progressShown);
    QTRY_VERIFY(!f.Session.TaskBusy());
    QVERIFY(!f.Session.Tasks.RecallRequested() && b.messageForm.isHidden() &&
            f.StatusTimer->isActive());

    // Saving queues one command and re-reads nothing.
    b.inst.responder.clear();
    f.BinSave[4]->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count("*SAV 4"), 1, 5000);
    QTest::qWait(100);
    QCOMPARE(b.inst.count("*CFG? 0?"), 0);
  }

  void refreshDuringAnInitialisationWaitsForIt() {
    Bench b("5208");
    TMainForm &f = *b.form;
    b.inst.responder.replyDelay(5);
    // Chosen while the first initialisation waits for a reply.
    QTimer::singleShot(200, &f, [&f] { f.findChild<QAction *>("Up1")->trigger(); });
    QTimer::singleShot(250, &f, [&f] { f.RecallStorageBin(f.BinRestore[1]); });
    b.Launch();
    QVERIFY(f.Session.Tasks.ReinitRequested() || f.Session.Tasks.RecallRequested());
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count("*CFG? 8?"), 2, 15000);
    QTRY_VERIFY(!f.Session.TaskBusy() && !f.Session.InitializeRunning());
    // One after the other, never interleaved; the two requests were served by
    // a single second initialisation after the recall command.
    const int firstEnd = b.inst.find("*CFG? 8?");
    const int rcl = b.inst.find("*RCL 1");
    QVERIFY(rcl > firstEnd);
    QCOMPARE(b.inst.find("*CFG? 0?", firstEnd), b.inst.find("*CFG? 0?", rcl));
    QCOMPARE(b.inst.count("*CFG? 0?"), 2);
    QCOMPARE(f.findChild<QTabWidget *>("ChPageControl")->count(), 8);
  }

  void recallChosenBeforeTheLaunchIsNotLost() {
    Bench b("5204");
    TMainForm &f = *b.form;
    f.RecallStorageBin(f.findChild<QAction *>("BinRestore1"));
    b.Launch();  // before the task timer's first tick
    QCOMPARE(b.inst.find("*RCL 1"), 0);
    QCOMPARE(b.inst.count("*CFG? 0?"), 1);
    QVERIFY(!f.Session.Tasks.RecallRequested());
    QTest::qWait(50);
    QCOMPARE(b.inst.count("*CFG? 0?"), 1);  // served once, not again by the task timer
  }

  void instrumentRunningAtStartIsStoppedByTheButton() {
    Bench b("5204");
    TMainForm &f = *b.form;
    b.inst.set("*CFG? 0?", "1 0.001 NORM 1 1 1 0");
    b.inst.set("*SS?", "1");
    b.Launch();
    auto *run = f.findChild<QPushButton *>("RunStopbtn");
    QCOMPARE(run->text(), QString("Stop"));
    QVERIFY(f.Session.SystemRunning);
    run->click();
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:STAT OFF"), 1, 5000);
    QCOMPARE(b.inst.count(":PULS0:STAT ON"), 0);
    QCOMPARE(run->text(), QString("Run"));
  }

  void runStopFollowsTheButtonAndThePoll() {
    Bench b;
    TMainForm &f = *b.form;
    auto *run = f.findChild<QPushButton *>("RunStopbtn");
    auto *anim = f.findChild<forms::TPulseAnimation *>("PulseAnimate");
    run->click();
    QCOMPARE(run->text(), QString("Stop"));
    QVERIFY(f.Session.SystemRunning && anim->Animating() && !anim->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:STAT ON"), 1, 5000);

    // The instrument says stopped: the poll reverts the button.
    f.UpdateStatus();
    QCOMPARE(run->text(), QString("Run"));
    QVERIFY(!f.Session.SystemRunning && !anim->Animating() && anim->isHidden());

    // Running with adjustable outputs.
    b.inst.set("*SS?", "3");
    f.UpdateStatus();
    QCOMPARE(run->text(), QString("Stop"));
    QVERIFY(f.Session.SystemRunning && anim->Animating() && f.Session.AdjustableOutputs);

    // Stopped, adjustable: 2 while already stopped changes nothing on the button.
    run->click();
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:STAT OFF"), 1, 5000);
    b.inst.set("*SS?", "2");
    run->setText("untouched");
    f.UpdateStatus();
    QCOMPARE(run->text(), QString("untouched"));
    QVERIFY(f.Session.AdjustableOutputs && !f.Session.SystemRunning);
  }

  void shotCountIsReadOnlyOnItsPage() {
    Bench b;
    TMainForm &f = *b.form;
    auto *pages = f.findChild<QTabWidget *>("SystemPageControl");
    auto *label = f.findChild<QLabel *>("ShotCountlbl");
    auto *enable = f.findChild<QCheckBox *>("ShotCountEnbl");
    b.inst.set(":PULS0:COUN:COUN?", "12345");

    enable->click();
    QCOMPARE(f.Session.SystemParameters.CounterEnabled, 1);
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:COUN:STAT 1"), 1, 5000);

    pages->setCurrentIndex(0);
    f.UpdateStatus();
    QCOMPARE(b.inst.count(":PULS0:COUN:COUN?"), 0);

    pages->setCurrentIndex(1);
    f.UpdateStatus();
    QCOMPARE(label->text(), QString("Count:      12345"));
    b.inst.set(":PULS0:COUN:COUN?", "4294967296");
    f.UpdateStatus();
    QCOMPARE(label->text(), QString("Count:          0"));

    f.findChild<QPushButton *>("ClearShotCount")->click();
    QCOMPARE(label->text(), QString("Count: 0"));
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:COUN:CL 1"), 1, 5000);

    enable->click();
    QCOMPARE(f.Session.SystemParameters.CounterEnabled, 0);
    const int asked = b.inst.count(":PULS0:COUN:COUN?");
    f.UpdateStatus();
    QCOMPARE(b.inst.count(":PULS0:COUN:COUN?"), asked);
  }

  void errorIsLatchedAndBlinks() {
    for (const char *code : {"2", "7"}) {
      Bench b;
      TMainForm &f = *b.form;
      auto *label = f.findChild<QLabel *>("ErrorLabel");
      f.UpdateStatus();
      QVERIFY(label->isHidden());
      b.inst.set("*ERS?", code);
      f.UpdateStatus();
      QCOMPARE(label->text(),
               QString(code[0] == '2' ? "Over Temperature Error" : "Error Label"));
      QVERIFY(!label->isHidden());
      QCOMPARE(f.Session.ErrorCode(), atoi(code));
      f.UpdateStatus();
      QVERIFY(label->isHidden());
      f.UpdateStatus();
      QVERIFY(!label->isHidden());
      QCOMPARE(b.inst.count("*ERS?"), 2);  // never asked after the first error
    }
  }

  void statusTimerPollsAndSkipsWhileBusy() {
    Bench b;
    TMainForm &f = *b.form;
    f.StatusTimer->start();
    {
      // e.g. a settings file being read back
      const vm::BusyModel::Guard reading = f.Session.Busy.Start(vm::Work::Initialisation);
      f.StatusTimerTimer();
      QCOMPARE(b.inst.count("*SS?"), 0);
    }
    f.StatusTimerTimer();
    QCOMPARE(b.inst.count("*SS?"), 1);
    QVERIFY(f.StatusTimer->isActive() && !f.Session.StatusUpdateBusy());
  }

  void lostPortAsksToRestart() {
    Bench b;
    TMainForm &f = *b.form;
    b.boxes.answers.push_back(QMessageBox::No);
    f.ComPort->Close();
    b.dir.removePort(3);
    f.UpdateStatus();
    QCOMPARE(b.boxes.texts(), QStringList({"Port no longer available, restart?"}));
    QVERIFY(f.Session.ExitRequested && !f.RestartRequested);
  }

  void pageFocusIsRememberedPerPage() {
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    auto *pc = f.findChild<QTabWidget *>("ChPageControl");
    auto *send = f.findChild<QWidget *>("SendEdit");
    const auto clickTab = [pc](int i) {
      QTest::mouseClick(pc->tabBar(), Qt::LeftButton, {}, pc->tabBar()->tabRect(i).center());
    };
    // Page 2 was never left: the focus stays where the page control puts it.
    send->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), send);
    clickTab(1);
    QCOMPARE(pc->currentIndex(), 1);
    f.ChDelayAdj[2]->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.ChDelayAdj[2]));
    clickTab(0);
    QCOMPARE(QApplication::focusWidget(), send);  // remembered for page 1
    QCOMPARE(f.FActiveChControls[1], static_cast<QWidget *>(f.ChDelayAdj[2]));
    clickTab(1);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.ChDelayAdj[2]));
    // A switch without a click (keyboard or program) is followed as well.
    pc->setCurrentIndex(3);
    f.ChDelayAdj[4]->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.ChDelayAdj[4]));
    pc->setCurrentIndex(0);
    send->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), send);
    clickTab(3);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.ChDelayAdj[4]));
    clickTab(0);
    // A remembered control that was disabled since is not forced.
    f.FActiveChControls[2] = f.ChReArmBtn[3];
    f.ChReArmBtn[3]->setEnabled(false);
    clickTab(2);
    QVERIFY(QApplication::focusWidget() != f.ChReArmBtn[3]);
  }
};

QTEST_MAIN(MainQueueTest)
#include "test_main_queue.moc"
