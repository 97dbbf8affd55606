// The main window fills itself from an instrument: pages, arrays, record,
// readback into the controls, model trimming, demonstration mode, and the
// recovery from a reply that cannot be converted.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "controls/plussped.h"
#include "forms/MainWindowForm.h"
#include "main/MainTestUtil.h"
#include "main/NameNumber.h"
#include "main/core/TaskQueue.h"

using namespace vmtest;

namespace {

QStringList Items(const QComboBox *c) {
  QStringList s;
  for (int i = 0; i < c->count(); ++i) s << c->itemText(i);
  return s;
}
QStringList Items(const QListWidget *l) {
  QStringList s;
  for (int i = 0; i < l->count(); ++i) s << l->item(i)->text();
  return s;
}
QString Checked(const QListWidget *l) {
  QString s;
  for (int i = 0; i < l->count(); ++i)
    if (l->item(i)->checkState() == Qt::Checked) s += l->item(i)->text();
  return s;
}

}  // namespace

class MainInitTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eightChannelModelFillsTheWindow() {
    Bench b("5218");
    TMainForm &f = *b.form;
    b.Launch();
    QCOMPARE(f.Session.ChannelCount, 8);
    QVERIFY(b.boxes.seen.empty());
    QCOMPARE(f.windowTitle(),
             QString("Velmora Model 5218  SW Version: 0.0.4.0 ComPort: 3 Baud: 115200"));

    // One page per channel, every array element bound to its own control.
    auto *pc = f.findChild<QTabWidget *>("ChPageControl");
    QCOMPARE(pc->count(), 8);
    for (int n = 1; n <= 8; ++n) {
      QCOMPARE(pc->widget(n - 1)->objectName(), "TabCh" + QString::number(n));
      QCOMPARE(pc->tabText(n - 1), "Ch " + QString::number(n));
      for (const char *array : forms::kChannelArrays)
        QCOMPARE(forms::ChannelControl(&f, array, n)->objectName(),
                 QString(array) + QString::number(n));
      QCOMPARE(f.ChDelayAdj[n], forms::ChannelControlAs<TPlusSpinEdit>(&f, "ChDelayAdj", n));
      QCOMPARE(f.ChMuxSelect[n], forms::ChannelControlAs<QListWidget>(&f, "ChMuxSelect", n));
      QCOMPARE(f.ChReArmBtn[n], forms::ChannelControlAs<QPushButton>(&f, "ChReArmBtn", n));
      QCOMPARE(Checked(f.ChMuxSelect[n]), QString(QChar('A' + n - 1)));
    }
    QCOMPARE(f.FActiveChControls.size(), 8);
    QCOMPARE(f.BuiltChannels(), 8);

    // The record, in the order it was read.
    QCOMPARE(f.Session.SettingsList.size(), 20);
    QVERIFY(f.Session.SettingsList[0].startsWith("// "));
    QCOMPARE(f.Session.SettingsList.mid(1, 4),
             QStringList({"// " + f.windowTitle(), "// Serial Number: 1234",
                          "// Firmware Ver: 1.00", "// FPGA Ver: 1.25"}));
    QCOMPARE(
        f.Session.SettingsList.mid(5, 8),
        QStringList({"*CFG 0 0 0.001 NORM 1 1 1 0", "*CFG 90 DIS RIS HIGH 2.5 DIS", ":SYST:AUT 0",
                     ":PULS0:ICL SYS", ":PULS0:OCL T0", ":PULS0:COUN:STAT 0", ":PULS0:COUN:SOUR T0",
                     "*CFG 1 0 0 0.000001 NORM 1 1 1 0 TTL NORM 5 1 DIS DIS DIS HIGH T0"}));
    QCOMPARE(f.Session.SettingsList.last(),
             QString("*CFG 8 0 0 0.000001 NORM 1 1 1 0 TTL NORM 5 128 DIS DIS DIS HIGH T0"));

    // End state: pages shown, commands on, polling on, progress window closed.
    QVERIFY(!pc->isHidden() && !b.child("SystemPageControl")->isHidden());
    QVERIFY(!b.child("ExternalInputClkGrp")->isHidden());
    QVERIFY(!f.Session.CommandsDisabled() && f.StatusTimer->isActive());
    QVERIFY(b.messageForm.isHidden());
    QVERIFY(!b.child("VMBlueBanner")->isHidden());
    QCOMPARE(f.ChDelayAdj[8]->Decimals(), 12);
    QCOMPARE(f.ChWidthAdj[8]->MinValue(), 1e-8);
    QCOMPARE(f.findChild<TPlusSpinEdit *>("PeriodAdj")->MinValue(), 5e-8);
    QCOMPARE(f.findChild<TPlusSpinEdit *>("SysBurstAdj")->MaxValue(), 4e9);

    // Bin items 2..6 on both menus, bound into the arrays.
    auto *save = f.findChild<QMenu *>("SaveToBin");
    auto *restore = f.findChild<QMenu *>("RestoreFromBin");
    QCOMPARE(save->actions().size(), 6);
    QCOMPARE(restore->actions().size(), 7);
    QCOMPARE(restore->actions().first()->text(), QString("Default 0"));
    QCOMPARE(f.BinRestore[6]->objectName(), QString("BinRestore6"));
    QCOMPARE(f.BinSave[4]->text(), QString("4"));

    // A Refresh builds nothing twice and records the same lines again.
    const QStringList first = f.Session.SettingsList.mid(1);
    f.findChild<QAction *>("Up1")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count("*CFG? 8?"), 2, 10000);
    QTRY_VERIFY(!f.Session.InitializeRunning());
    QCOMPARE(pc->count(), 8);
    QCOMPARE(save->actions().size(), 6);
    QCOMPARE(f.Session.SettingsList.mid(1), first);
  }

  void fourChannelModelTrimsItsLists() {
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    f.Up1Click();  // the second initialisation must find everything trimmed
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count("*CFG? 4?"), 2, 10000);
    QTRY_VERIFY(!f.Session.InitializeRunning());

    QCOMPARE(f.Session.ChannelCount, 4);
    QCOMPARE(f.findChild<QTabWidget *>("ChPageControl")->count(), 4);
    QCOMPARE(f.FActiveChControls.size(), 4);
    for (int n = 5; n <= 8; ++n) QVERIFY(!f.ChDelayAdj[n] && !f.ChMuxSelect[n]);
    QCOMPARE(b.inst.count(":PULS0:ICL?"), 0);
    QCOMPARE(f.Session.SettingsList.size(), 5 + 9);
    QVERIFY(b.child("ExternalInputClkGrp")->isHidden());
    QVERIFY(!b.child("ExternalOutputClkGrp")->isEnabled());
    QCOMPARE(Items(f.findChild<QComboBox *>("CounterSourceSel")),
             QStringList({"T0", "Ch A", "Ch B", "Ch C", "Ch D"}));
    for (int n = 1; n <= 4; ++n) {
      QCOMPARE(Items(f.ChControlModeSel[n]), QStringList({"Disabled", "Gate A", "Inhibit A"}));
      QCOMPARE(Items(f.ChPhaseSyncSel[n]), QStringList({"Disabled", "Sync A", "Sync T"}));
      QCOMPARE(Items(f.ChMuxSelect[n]), QStringList({"A", "B", "C", "D"}));
      QCOMPARE(f.ChMuxSelect[n]->height(), 20);
    }
    QCOMPARE(Items(f.ChSyncSourceSel[3]), QStringList({"T0", "Ch A", "Ch B", "Ch D"}));
    QCOMPARE(f.ChSyncSourceSel[3]->currentText(), QString("T0"));
  }

  void channelReadbackIntoControls() {
    Bench b("5208");
    TMainForm &f = *b.form;
    const std::string reply = "1 0.001 0.0005 NORM 1 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0";
    b.inst.set("*CFG? 2?", reply);
    b.inst.set("*CFG? 3?", "0 0 0.000001 BURS 7 1 1 0 ADJ INV 6.5 0 GATB SYNT OUTP LOW CHB");
    b.inst.set("*CFG? 0?", "2 0.002 DCYC 4000000000 3 4 5");
    b.inst.set("*CFG? 4?", "2 0 0.000001 NORM 1 1 1 0 TTL NORM 5 8 DIS DIS DIS HIGH T0");
    b.Launch();
    // An enabled state other than 1 is kept as received and shown off.
    QCOMPARE(f.Session.ChannelParameters[4].Enabled, 2);
    QVERIFY(!f.ChEnablebox[4]->isChecked());

    QVERIFY(f.ChEnablebox[2]->isChecked());
    QCOMPARE(f.ChDelayAdj[2]->Value(), 0.001);
    QCOMPARE(f.ChWidthAdj[2]->Value(), 0.0005);
    QCOMPARE(f.ChModeSel[2]->currentText(), QString("Normal"));
    QCOMPARE(f.ChAmplitudeAdj[2]->Value(), 5.0);
    QCOMPARE(Checked(f.ChMuxSelect[2]), QString("AB"));
    QCOMPARE(f.ChGateLogicSel[2]->currentText(), QString("High"));
    QCOMPARE(f.ChSyncSourceSel[2]->currentText(), QString("T0"));
    // No adjustable outputs: the amplitude controls and the output mode are off.
    QVERIFY(!f.ChAmplitudeAdjGrp[2]->isEnabled() && !f.ChAmplitudeAdj[2]->SpinEnabled());
    QVERIFY(!f.ChOutputModeSel[2]->isEnabled());
    QVERIFY(f.Session.SettingsList.contains(QString::fromStdString("*CFG 2 " + reply)));
    QCOMPARE(f.Session.ChannelParameters[2].Mux, 3);

    // "ADJ" without adjustable outputs leaves the output mode as it was.
    QCOMPARE(f.Session.ChannelParameters[3].OutputMode, 0);
    QCOMPARE(f.ChOutputModeSel[3]->currentText(), QString("TTL/CMOS"));
    QCOMPARE(f.ChModeSel[3]->currentText(), QString("Burst"));
    QCOMPARE(f.ChBurstAdj[3]->Value(), 7.0);
    QCOMPARE(f.ChControlModeSel[3]->currentText(), QString("Gate B"));
    QCOMPARE(f.ChPhaseSyncSel[3]->currentText(), QString("Sync T"));
    QCOMPARE(f.ChGateModeSel[3]->currentText(), QString("Out Inh"));
    QCOMPARE(f.ChSyncSourceSel[3]->currentText(), QString("Ch B"));
    QCOMPARE(f.Session.ChannelParameters[3].SyncSource, 2);

    // System block: an unsigned count beyond the signed range.
    QCOMPARE(f.Session.SystemParameters.BurstCount, 4000000000u);
    QCOMPARE(f.findChild<TPlusSpinEdit *>("SysBurstAdj")->Value(), 4e9);
    QCOMPARE(f.findChild<QComboBox *>("SystemModeSel")->currentText(), QString("Duty Cycle"));
    QCOMPARE(f.Session.SystemParameters.CycleCount, 5);
  }

  // Values below the design-time minimum (200 ns period) are shown and kept
  // as read at the very first initialisation.
  void firstReadbackIsNotClampedByDesignLimits() {
    Bench b("5208");
    TMainForm &f = *b.form;
    b.inst.set("*CFG? 0?", "0 0.0000001 NORM 1 1 1 0");
    b.inst.set("*CFG? 1?", "1 0.0000000005 0.00000002 NORM 1 1 1 0 TTL NORM 5 1 DIS DIS DIS HIGH T0");
    b.Launch();
    QCOMPARE(f.findChild<TPlusSpinEdit *>("PeriodAdj")->Value(), 1e-7);
    QCOMPARE(f.Session.SystemParameters.Period, 1e-7);
    QCOMPARE(f.ChWidthAdj[1]->Value(), 2e-8);
  }

  void gateBOnAFourChannelModelShowsItsCaption() {
    Bench b("5204");
    b.inst.set("*CFG? 1?", "0 0 0.000001 NORM 1 1 1 0 TTL NORM 5 255 GATB SYNB DIS HIGH T0");
    TMainForm &f = *b.form;
    // The readback's marks are no user edit, for a handler on the list or
    // on its model alike.
    int markEvents = 0;
    QObject::connect(f.ChMuxSelect[1]->model(), &QAbstractItemModel::dataChanged,
                     [&] { ++markEvents; });
    QObject::connect(f.ChMuxSelect[1], &QListWidget::itemChanged, [&] { ++markEvents; });
    b.Launch();
    QCOMPARE(markEvents, 0);
    QCOMPARE(f.Session.ChannelParameters[1].Mux, 255);
    QCOMPARE(f.ChControlModeSel[1]->currentIndex(), -1);
    QCOMPARE(f.ChControlModeSel[1]->currentText(), QString("Gate B"));
    QCOMPARE(f.ChPhaseSyncSel[1]->currentText(), QString("Sync B"));
    QCOMPARE(Checked(f.ChMuxSelect[1]), QString("ABCD"));
    QCOMPARE(f.ChMuxSelect[1]->property("columns").toInt(), 4);
  }

  void adjustableOutputsEnableTheAmplitude() {
    Bench b("5208");
    b.inst.set("*SS?", "2");
    b.inst.set("*CFG? 1?", "1 0 0.000001 NORM 1 1 1 0 ADJ NORM 7.5 1 DIS DIS DIS HIGH T0");
    b.Launch();
    TMainForm &f = *b.form;
    QVERIFY(f.Session.AdjustableOutputs);
    QCOMPARE(f.ChOutputModeSel[1]->currentText(), QString("Adjustable"));
    QVERIFY(f.ChAmplitudeAdjGrp[1]->isEnabled() && f.ChAmplitudeAdj[1]->SpinEnabled());
    QCOMPARE(f.ChAmplitudeAdj[1]->Value(), 7.5);
    QVERIFY(f.ChOutputModeSel[1]->isEnabled());

    // The latest report decides: a poll, then a Refresh.
    b.inst.set("*SS?", "0");
    f.UpdateStatus();
    QVERIFY(!f.ChOutputModeSel[1]->isEnabled() && !f.ChAmplitudeAdj[1]->SpinEnabled());
    b.inst.set("*SS?", "2");
    f.UpdateStatus();
    QVERIFY(f.ChOutputModeSel[2]->isEnabled() && f.ChAmplitudeAdj[1]->SpinEnabled());
    QVERIFY(!f.ChAmplitudeAdj[2]->SpinEnabled());  // TTL/CMOS chosen there
    b.inst.set("*SS?", "0");
    f.Up1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.Session.Tasks.ReinitRequested() && !f.Session.InitializeRunning(),
                             10000);
    QVERIFY(!f.ChOutputModeSel[1]->isEnabled());
    b.inst.set("*SS?", "2");
    f.Up1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.Session.Tasks.ReinitRequested() && !f.Session.InitializeRunning(),
                             10000);
    QVERIFY(f.ChOutputModeSel[1]->isEnabled() && f.ChOutputModeSel[2]->isEnabled());
  }

  // A user edit while a Refresh fills the controls could not be sent; the
  // window must still show what the instrument holds.
  void editDuringRefreshLeavesWindowAndInstrumentAgreeing() {
    Bench b("5208");
    TMainForm &f = *b.form;
    b.Launch();
    TPlusSpinEdit *delay = f.ChDelayAdj[1];
    std::atomic<bool> armed = false;
    b.inst.onLine = [&](const std::string &line) {
      // Channel 1 has been read already: the key arrives after its values,
      // while the window waits for the last reply.
      if (line == "*CFG? 8?" && armed.exchange(false)) {
        QCoreApplication::postEvent(delay, new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
    };
    armed = true;
    f.Up1Click();
    QTRY_VERIFY_WITH_TIMEOUT(
        !f.Session.Tasks.ReinitRequested() && !f.Session.InitializeRunning() && !armed, 10000);
    QTest::qWait(100);  // anything queued goes out
    bool sent = false;
    for (const std::string &l : b.inst.lines()) sent = sent || l.rfind(":PULS1:DEL", 0) == 0;
    QVERIFY(sent || delay->Value() == 0.0);
    QCOMPARE(f.Session.ChannelParameters[1].Delay, delay->Value());
  }

  // Every change of the caches is told once: a whole readback as one change,
  // an edit as a change of its channel, an edit that changes none not at all.
  void cacheChangesAreToldOnceEach() {
    Bench b("5204");
    TMainForm &f = *b.form;
    QSignalSpy changed(&f.Session, &TInstrumentSession::ParametersChanged);
    b.Launch();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().at(0).toInt(), TInstrumentSession::kAllParameters);
    f.ChWidthAdj[2]->AssignValue(0.000002);  // as a user's step arrives
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().at(0).toInt(), 2);
    f.ChReArmBtn[1]->click();
    QCOMPARE(changed.count(), 0);
    f.Up1Click();  // a Refresh, served by the task timer
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
    QTRY_VERIFY(!f.Session.TaskBusy());
    QCOMPARE(changed.count(), 1);
  }

  void demoModeShowsTheFixedIdentityOnly() {
    PortDir dir;
    Boxes boxes;
    TMessageForm m;
    TMainForm::StartOptions o;
    o.Switches.demo = true;
    TMainForm f(o);
    QVERIFY(f.Session.DemoMode);
    f.LaunchTimerTimer();
    QCOMPARE(f.windowTitle(), QString(" Model 5204  SW Version: 0.0.4.0 ComPort: Demo"));
    QCOMPARE(f.findChild<QLabel *>("SerialNumberlbl")->text(), QString("Serial Number: 1234"));
    QCOMPARE(f.findChild<QLabel *>("FPGAVersionlbl")->text(), QString("FPGA Ver: 1.25"));
    QCOMPARE(f.Session.SettingsList.size(), 1);
    QVERIFY(f.findChild<QWidget *>("ChPageControl")->isHidden());
    QVERIFY(f.findChild<QWidget *>("SystemPageControl")->isHidden());
    QCOMPARE(f.findChild<QTabWidget *>("ChPageControl")->count(), 1);
    // Polling ends at its first tick.
    QVERIFY(f.StatusTimer->isActive());
    f.StatusTimerTimer();
    QVERIFY(!f.StatusTimer->isActive());
    QVERIFY(!f.Session.InitializeRunning());
  }

  // A reply field that cannot be converted ends the reading; the user is
  // told and the program goes on working.
  void conversionErrorLeavesAWorkingWindow() {
    Bench b("5208");
    TMainForm &f = *b.form;
    b.inst.set("*CFG? 3?", "1  0.0005 NORM 1 1 1 0 TTL NORM 5 4 DIS DIS DIS HIGH T0");
    b.Launch();
    QCOMPARE(b.boxes.texts(), QStringList({"'' is not a valid floating point value"}));
    QCOMPARE(b.inst.count("*CFG? 4?"), 0);  // nothing after the failing block
    QVERIFY(f.Session.SettingsList.last().startsWith("*CFG 3 1  0.0005"));
    QVERIFY(f.ChEnablebox[3]->isChecked());  // fields before the error applied
    // What was read is on show, with its rules applied, at the first
    // initialisation too.
    QVERIFY(!b.child("SystemPageControl")->isHidden() && !b.child("ChPageControl")->isHidden());
    QVERIFY(f.findChild<TPlusSpinEdit *>("PeriodAdj")->SpinEnabled());
    QVERIFY(!f.Session.CommandsDisabled());
    QVERIFY(f.StatusTimer->isActive() &&
            (f.TaskTimer->isActive() || !f.Session.Tasks.TasksPending()));
    QVERIFY(b.messageForm.isHidden());
    QVERIFY(!f.Session.TaskBusy() && !f.Session.InitializeRunning() &&
            !f.Session.Tasks.ReinitRequested());

    // Edits reach the instrument again.
    f.QueuedCommandToPort(":PULS1:DEL 0.00000002500");
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS1:DEL 0.00000002500"), 1, 5000);

    // The same through a recall served by the task timer; a command queued
    // before it survives and goes out before the recall, so that the
    // re-reading shows what the instrument then holds.
    b.inst.set("*CFG? 0?", "0 x NORM 1 1 1 0");
    f.QueuedCommandToPort(":PULS0:MOD NORM");
    f.RecallStorageBin(f.findChild<QAction *>("BinRestore1"));
    QTRY_COMPARE_WITH_TIMEOUT(b.boxes.seen.size(), size_t(2), 5000);
    QCOMPARE(b.boxes.texts().last(), QString("'x' is not a valid floating point value"));
    QTRY_COMPARE_WITH_TIMEOUT(b.inst.count(":PULS0:MOD NORM"), 1, 5000);
    QVERIFY(b.inst.find(":PULS0:MOD NORM") < b.inst.find("*RCL 1"));
    QTRY_VERIFY(!f.Session.TaskBusy());
    QVERIFY(!f.Session.Tasks.RecallRequested() && !f.Session.CommandsDisabled());
    QVERIFY(f.StatusTimer->isActive() &&
            (f.TaskTimer->isActive() || !f.Session.Tasks.TasksPending()));
  }

  void numbersFromComponentNames() {
    QCOMPARE(StripNonDigits("BinRestore0"), QString("0"));
    QCOMPARE(StripNonDigits("ChControlModeSel12"), QString("12"));
    QCOMPARE(StripNonDigits("a1b2\u00e93"), QString("123"));
    QCOMPARE(NumberFromComponentName(QString("BinSave6")), std::optional<int>(6));
    QCOMPARE(NumberFromComponentName(QString("Up")), std::optional<int>());
    QCOMPARE(NumberFromComponentName(QString("Bin99999999999")), std::optional<int>());
  }
};

QTEST_MAIN(MainInitTest)
#include "test_main_init.moc"
