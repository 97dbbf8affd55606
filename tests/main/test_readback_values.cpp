// A readback of an instrument far from its defaults: every value read reaches
// its control and cache, and the enabling rules follow the modes read.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QtTest>

#include "controls/plussped.h"
#include "main/MainTestUtil.h"

using namespace vmtest;

class ReadbackValuesTest : public QObject {
  Q_OBJECT

  static bool On(QWidget *w) { return w && w->isEnabled(); }

 private Q_SLOTS:
  void nonDefaultSystemValuesReachControlsAndCaches() {
    Bench b("5208");
    b.inst.set(":SYST:SEC?", "1");
    b.inst.set(":SYST:AUT?", "1");
    b.inst.set(":PULS0:ICL?", "25");
    b.inst.set(":PULS0:OCL?", "80");
    b.inst.set(":PULS0:COUN:STAT?", "1");
    b.inst.set(":PULS0:COUN:SOUR?", "CHF");
    b.Launch();
    TMainForm &f = *b.form;
    QVERIFY(b.boxes.seen.empty());
    QVERIFY(f.findChild<QAction *>("ServiceWindowMenu")->isVisible());
    QCOMPARE(f.Session.SystemParameters.AutoStart, 1);
    QVERIFY(f.findChild<QCheckBox *>("AutoStartEnbl")->isChecked());
    QCOMPARE(f.Session.SystemParameters.InputClock, 3);
    QCOMPARE(f.findChild<QComboBox *>("ExternalInputClkSel")->currentIndex(), 3);
    QCOMPARE(f.Session.SystemParameters.OutputClock, 8);
    QCOMPARE(f.findChild<QComboBox *>("ExternalOutputClkSel")->currentIndex(), 8);
    QCOMPARE(f.Session.SystemParameters.CounterEnabled, 1);
    QVERIFY(f.findChild<QCheckBox *>("ShotCountEnbl")->isChecked());
    QCOMPARE(f.Session.SystemParameters.CounterSource, 6);
    QCOMPARE(f.findChild<QComboBox *>("CounterSourceSel")->currentText(), QString("Ch F"));
    for (const char *line : {":SYST:AUT 1", ":PULS0:ICL 25", ":PULS0:OCL 80", ":PULS0:COUN:STAT 1",
                             ":PULS0:COUN:SOUR CHF"})
      QVERIFY2(f.Session.SettingsList.contains(line), line);
    // Filling the check boxes is no user edit: nothing went back to the instrument.
    QCOMPARE(b.inst.count(":SYST:AUT 1"), 0);
    QCOMPARE(b.inst.count(":PULS0:COUN:STAT 1"), 0);

    // A later readback that finds the service functions locked hides the item.
    b.inst.set(":SYST:SEC?", "0");
    b.inst.set(":SYST:AUT?", "0");
    f.Initialize();
    QVERIFY(!f.findChild<QAction *>("ServiceWindowMenu")->isVisible());
    QVERIFY(!f.findChild<QCheckBox *>("AutoStartEnbl")->isChecked());
  }

  void enablingFollowsTheModesRead() {
    Bench b("5208");
    b.inst.set("*CFG? 0?", "0 0.001 BURS 3 1 1 0");
    b.inst.set("*CFG? 90?", "CGAT RIS HIGH 2.5 DIS");
    b.inst.set("*CFG? 1?", "1 0 0.000001 DCYC 1 2 3 0 TTL NORM 5 1 DIS DIS DIS HIGH T0");
    b.inst.set("*CFG? 2?", "1 0 0.000001 BURS 4 1 1 0 TTL NORM 5 2 DIS DIS DIS HIGH T0");
    b.Launch();
    TMainForm &f = *b.form;
    QVERIFY(b.boxes.seen.empty());
    // System: burst mode, channel gate.
    QVERIFY(On(f.findChild<QGroupBox *>("BurstCountGrp")));
    QVERIFY(!On(f.findChild<QGroupBox *>("DutyCycleGrp")));
    QVERIFY(On(f.findChild<QGroupBox *>("ExtThresholdGrp")));
    QVERIFY(!On(f.findChild<QComboBox *>("TriggerEdgeSel")));
    QVERIFY(On(f.findChild<QComboBox *>("GatePolaritySel")));
    for (int n = 1; n <= 8; ++n) QVERIFY(On(f.ChGateModeSel[n]) && On(f.ChGateLogicSel[n]));
    // Channels: duty cycle on 1, burst on 2, normal on the rest.
    QVERIFY(On(f.ChDutyOnGrp[1]) && !On(f.ChBurstCountGrp[1]));
    QVERIFY(On(f.ChBurstCountGrp[2]) && !On(f.ChDutyOnGrp[2]));
    QVERIFY(!On(f.ChBurstCountGrp[3]) && !On(f.ChDutyOnGrp[3]));
    QCOMPARE(f.ChBurstAdj[2]->Value(), 4.0);

    // The next readback finds other modes: the rules follow it, not the last one.
    b.inst.set("*CFG? 0?", "0 0.001 DCYC 3 1 1 0");
    b.inst.set("*CFG? 90?", "TRIG RIS HIGH 2.5 DIS");
    b.inst.set("*CFG? 1?", "1 0 0.000001 NORM 1 2 3 0 TTL NORM 5 1 DIS DIS DIS HIGH T0");
    f.Initialize();
    QVERIFY(!On(f.findChild<QGroupBox *>("BurstCountGrp")));
    QVERIFY(On(f.findChild<QGroupBox *>("DutyCycleGrp")));
    QVERIFY(On(f.findChild<QComboBox *>("TriggerEdgeSel")));
    QVERIFY(!On(f.findChild<QComboBox *>("GatePolaritySel")));
    for (int n = 1; n <= 8; ++n) QVERIFY(!On(f.ChGateModeSel[n]) && !On(f.ChGateLogicSel[n]));
    QVERIFY(!On(f.ChDutyOnGrp[1]) && !On(f.ChBurstCountGrp[1]));
  }
};

QTEST_MAIN(ReadbackValuesTest)
#include "test_readback_values.moc"
