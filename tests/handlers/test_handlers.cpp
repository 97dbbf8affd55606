// The handlers of the system and channel pages, driven through the widgets as
// a user drives them: what each edit queues and what the caches and the
// enabling of the pages become.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "HandlerFixture.h"
#include "controls/plussped.h"

namespace {
// Queued commands compare as one text, so a failure shows them all.
QString Joined(const QStringList &commands) { return commands.join(" | "); }
}  // namespace

class TestHandlers : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void delayAndWidthGrid();
  void periodGrid();
  void systemCountsAndClocks();
  void systemAndTriggerEnabling();
  void channelModeEnabling();
  void syncSourceChains();
  void syncSourceTypedAndUnlisted();
  void multiplexerMasks();
  void listsAndCheckBoxes();
  void typedListTextNamingNoItem();
  void wireTextIgnoresTheLocale();
  void connectingTwiceQueuesOnce();
};

void TestHandlers::delayAndWidthGrid() {
  HandlerFixture f(8);
  auto *delay = f.Find<TPlusSpinEdit>("ChDelayAdj2");
  f.w().Session.ChannelParameters[2].Delay = 1.0;
  delay->SetValue(1.0);

  // Off the 0.25 ns grid: refused, the control returns to the stored delay
  // and the stored delay goes out again.
  HandlerFixture::TypeDigit(delay, -10, '1');
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS2:DEL 1.00000000000"}));
  QCOMPARE(delay->Value(), 1.0);
  QCOMPARE(f.w().Session.ChannelParameters[2].Delay, 1.0);

  // One step of the increment lands on the grid.
  HandlerFixture::KeyOnDigit(delay, -12, Qt::Key_Up);
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS2:DEL 1.00000000025"}));
  QCOMPARE(f.w().Session.ChannelParameters[2].Delay, 1.00000000025);

  // Width: same check, other channel, nothing leaks into channel 2.
  auto *width = f.Find<TPlusSpinEdit>("ChWidthAdj5");
  width->SetValue(0.000000025);
  f.w().Session.ChannelParameters[5].Width = 0.000000025;
  HandlerFixture::KeyOnDigit(width, -9, Qt::Key_Up);
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS5:WIDT 0.00000002600"}));
  QCOMPARE(f.w().Session.ChannelParameters[5].Width, 0.000000026);
  QCOMPARE(f.w().Session.ChannelParameters[2].Width, 0.0);
}

void TestHandlers::periodGrid() {
  HandlerFixture f(4);
  auto *period = f.Find<TPlusSpinEdit>("PeriodAdj");
  f.w().Session.Limits.PeriodResolution = 5e-9;
  period->setMinValue(1e-8);  // the initialisation sets the model's range
  period->SetValue(0.0000002);
  f.w().Session.SystemParameters.Period = 0.0000002;

  period->AssignValue(0.0000001);
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS0:PER 0.000000100"}));
  QCOMPARE(f.w().Session.SystemParameters.Period, 0.0000001);

  HandlerFixture::TypeDigit(period, -9, '2');  // 0.000000102 s
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS0:PER 0.000000100"}));
  QCOMPARE(period->Value(), 0.0000001);
  QVERIFY(f.Messages.isEmpty());  // refused silently
}

void TestHandlers::systemCountsAndClocks() {
  HandlerFixture f(8);
  auto *burst = f.Find<TPlusSpinEdit>("SysBurstAdj");
  burst->SetValue(3999999999.0);
  HandlerFixture::KeyOnDigit(burst, 0, Qt::Key_Up);
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS0:BCO 4000000000"}));
  QCOMPARE(f.w().Session.SystemParameters.BurstCount, 4000000000u);

  auto *on = f.Find<TPlusSpinEdit>("SysDutyOnAdj");
  on->SetValue(3000000000.0);
  HandlerFixture::KeyOnDigit(on, 9, Qt::Key_Up);
  auto *off = f.Find<TPlusSpinEdit>("SysDutyOffAdj");
  off->SetValue(5000000);
  HandlerFixture::KeyOnDigit(off, 1, Qt::Key_Up);
  auto *cycles = f.Find<TPlusSpinEdit>("SysCycleCountAdj");
  cycles->SetValue(0);
  HandlerFixture::KeyOnDigit(cycles, 2, Qt::Key_Up);
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS0:PCO 4000000000", ":PULS0:OCO 5000010",
                                  ":PULS0:CYCL 100"})));

  HandlerFixture::ChooseItem(f.Find<QComboBox>("ExternalInputClkSel"), "25 MHz Ext");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ExternalInputClkSel"), "System Osc");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ExternalOutputClkSel"), "80 MHz");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ExternalOutputClkSel"), "To Pulse");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("CounterSourceSel"), "Ch H");
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS0:ICL 25", ":PULS0:ICL SYS", ":PULS0:OCL 80",
                                  ":PULS0:OCL T0", ":PULS0:COUN:SOUR CHH"})));
  QCOMPARE(f.w().Session.SystemParameters.InputClock, 0);
  QCOMPARE(f.w().Session.SystemParameters.OutputClock, 0);
  QCOMPARE(f.w().Session.SystemParameters.CounterSource, 8);

  auto *threshold = f.Find<TPlusSpinEdit>("TrigThresholdAdj");
  HandlerFixture::KeyOnDigit(threshold, -2, Qt::Key_Down);
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS0:EXT:LEV 2.49"}));

  // Auto start: the command only; the cache keeps what the readback set.
  f.w().Session.SystemParameters.AutoStart = 1;
  auto *autoStart = f.Find<QCheckBox>("AutoStartEnbl");
  QTest::mouseClick(autoStart, Qt::LeftButton);
  QTest::mouseClick(autoStart, Qt::LeftButton);
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":SYST:AUT 1", ":SYST:AUT 0"})));
  QCOMPARE(f.w().Session.SystemParameters.AutoStart, 1);
}

void TestHandlers::systemAndTriggerEnabling() {
  HandlerFixture f(8);
  auto enabled = [&](const char *name) { return f.Find<QWidget>(name)->isEnabled(); };
  auto spinOn = [&](const char *name) { return f.Find<TPlusSpinEdit>(name)->SpinEnabled(); };

  HandlerFixture::ChooseItem(f.Find<QComboBox>("SystemModeSel"), "Burst");
  QVERIFY(enabled("BurstCountGrp") && spinOn("SysBurstAdj"));
  QVERIFY(!enabled("DutyCycleGrp") && !spinOn("SysDutyOnAdj") && !spinOn("SysCycleCountAdj"));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("SystemModeSel"), "Duty Cycle");
  QVERIFY(!enabled("BurstCountGrp") && !spinOn("SysBurstAdj"));
  QVERIFY(enabled("DutyCycleGrp") && spinOn("SysDutyOffAdj") && spinOn("SysCycleCountAdj"));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("SystemModeSel"), "Continuous");
  QVERIFY(!enabled("BurstCountGrp") && !enabled("DutyCycleGrp"));
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS0:MOD BURS", ":PULS0:MOD DCYC", ":PULS0:MOD NORM"})));

  auto gateListsOn = [&](bool on) {
    for (int n = 1; n <= 8; ++n) {
      const QString s = QString::number(n);
      if (f.Find<QComboBox>("ChGateModeSel" + s)->isEnabled() != on) return false;
      if (f.Find<QComboBox>("ChGateLogicSel" + s)->isEnabled() != on) return false;
      if (!f.Find<QGroupBox>("ChGateModeGrp" + s)->isEnabled()) return false;  // groups untouched
    }
    return true;
  };
  HandlerFixture::ChooseItem(f.Find<QComboBox>("TrigModeSel"), "Ch Gate");
  QVERIFY(enabled("ExtThresholdGrp") && spinOn("TrigThresholdAdj"));
  QVERIFY(enabled("GatePolaritySel") && enabled("TrigGateDebounceSel"));
  QVERIFY(!enabled("ExtTrigEdgeGrp") && !enabled("TriggerEdgeSel"));
  QVERIFY(gateListsOn(true));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("TrigModeSel"), "Triggered");
  QVERIFY(enabled("TriggerEdgeSel") && !enabled("GatePolaritySel") && enabled("ExtThresholdGrp"));
  QVERIFY(gateListsOn(false));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("TrigModeSel"), "Disabled");
  QVERIFY(!enabled("ExtThresholdGrp") && !enabled("TriggerEdgeSel") &&
          !enabled("TrigGateDebounceGrp"));
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS0:EXT:MOD CGAT", ":PULS0:EXT:MOD TRIG",
                                  ":PULS0:EXT:MOD DIS"})));
  QCOMPARE(f.w().Session.SystemParameters.TrigMode, 0);

  // A mode the window does not know leaves the pages as they are.
  f.w().Session.SystemParameters.TrigMode = 7;
  f.w().TriggerModesEnable();
  QVERIFY(!enabled("ExtThresholdGrp"));
}

void TestHandlers::channelModeEnabling() {
  HandlerFixture f(4);
  auto burstOn = [&](int n) {
    const QString s = QString::number(n);
    return f.Find<QGroupBox>("ChBurstCountGrp" + s)->isEnabled() &&
           f.Find<TPlusSpinEdit>("ChBurstAdj" + s)->SpinEnabled();
  };
  auto dutyOn = [&](int n) {
    const QString s = QString::number(n);
    return f.Find<QGroupBox>("ChDutyOnGrp" + s)->isEnabled() &&
           f.Find<TPlusSpinEdit>("ChDutyOffAdj" + s)->SpinEnabled();
  };
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChModeSel2"), "Burst");
  QVERIFY(burstOn(2) && !dutyOn(2));
  QVERIFY(burstOn(3));  // other pages untouched
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChModeSel2"), "Duty Cycle");
  QVERIFY(!burstOn(2) && dutyOn(2));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChModeSel2"), "Normal");
  QVERIFY(!burstOn(2) && !f.Find<QGroupBox>("ChDutyOnGrp2")->isEnabled() &&
          !f.Find<QGroupBox>("ChDutyOffGrp2")->isEnabled());
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS2:MOD BURS", ":PULS2:MOD DCYC", ":PULS2:MOD NORM"})));
  QCOMPARE(f.w().Session.ChannelParameters[2].Mode, 0);

  // The initialisation's call for every channel follows the caches.
  f.w().Session.ChannelParameters[4].Mode = 2;
  f.w().ChModesEnable(4);
  QVERIFY(burstOn(4) && !dutyOn(4));
}

void TestHandlers::syncSourceChains() {
  HandlerFixture f(4);
  auto &p = f.w().Session.ChannelParameters;
  auto *a = f.Find<QComboBox>("ChSyncSourceSel1");
  QCOMPARE(a->count(), 4);  // T0, Ch B, Ch C, Ch D: not its own caption

  // B on A: A cannot take B.
  p[2].SyncSource = 1;
  HandlerFixture::ChooseItem(a, "Ch B");
  QCOMPARE(f.Messages, QStringList{"Error. You cannot sync two channels to each other."});
  QCOMPARE(a->currentText(), QString("T0"));
  QVERIFY(f.Take().isEmpty());
  QCOMPARE(p[1].SyncSource, 0);

  // A on T0, B on A, C on B: A cannot take C; D can.
  p[3].SyncSource = 2;
  f.Messages.clear();
  HandlerFixture::ChooseItem(a, "Ch C");
  QCOMPARE(f.Messages, QStringList{"Error. Circular sync reference."});
  QCOMPARE(a->currentText(), QString("T0"));
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChSyncSourceSel4"), "Ch C");
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS4:SYNC CHC"}));
  QCOMPARE(p[4].SyncSource, 3);

  // T0 is always taken, even by a channel others depend on.
  f.Messages.clear();
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChSyncSourceSel3"), "T0");
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS3:SYNC T0"}));
  QVERIFY(f.Messages.isEmpty());

  // The longest chain the model allows: D on C on B on A; A takes D only if
  // the chain does not come back to A.
  p[2].SyncSource = 1;
  p[3].SyncSource = 2;
  p[4].SyncSource = 3;
  HandlerFixture::ChooseItem(a, "Ch D");
  QCOMPARE(f.Messages, QStringList{"Error. Circular sync reference."});
  p[2].SyncSource = 0;
  f.Messages.clear();
  HandlerFixture::ChooseItem(a, "Ch D");
  QVERIFY(f.Messages.isEmpty());
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS1:SYNC CHD"}));
}

void TestHandlers::syncSourceTypedAndUnlisted() {
  HandlerFixture f(4);
  auto &p = f.w().Session.ChannelParameters;
  auto *a = f.Find<QComboBox>("ChSyncSourceSel1");
  p[1].SyncSource = 3;
  a->setCurrentIndex(a->findText("Ch C"));

  // Its own name, typed: the self-sync message, the stored source again.
  HandlerFixture::TypeIntoList(a, "Ch A");
  QCOMPARE(f.Messages, QStringList{"Error. Channel cannot sync to itself."});
  QCOMPARE(a->currentText(), QString("Ch C"));
  QVERIFY(f.Take().isEmpty());

  // A text that names no channel of this model: no message, nothing sent.
  f.Messages.clear();
  for (const char *text : {"xyz", "Ch F", "CHE"}) {
    HandlerFixture::TypeIntoList(a, text);
    QCOMPARE(a->currentText(), QString("Ch C"));
  }
  QVERIFY(f.Messages.isEmpty());
  QVERIFY(f.Take().isEmpty());
  QCOMPARE(p[1].SyncSource, 3);

  // A command word or any letter case of a caption is taken, and the list
  // shows the caption.
  HandlerFixture::TypeIntoList(a, "CHB");
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS1:SYNC CHB"}));
  QCOMPARE(a->currentText(), QString("Ch B"));
  QCOMPARE(a->currentIndex(), a->findText("Ch B"));
  HandlerFixture::TypeIntoList(a, "t0");
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS1:SYNC T0"}));

  // A stored source the list does not offer (read back from the instrument):
  // a refusal leaves no item selected and shows its caption.
  p[2].SyncSource = 6;
  p[3].SyncSource = 2;
  auto *b = f.Find<QComboBox>("ChSyncSourceSel2");
  HandlerFixture::ChooseItem(b, "Ch C");
  QCOMPARE(f.Messages, QStringList{"Error. You cannot sync two channels to each other."});
  QCOMPARE(b->currentIndex(), -1);
  QCOMPARE(b->currentText(), QString("Ch F"));
  QCOMPARE(p[2].SyncSource, 6);
}

void TestHandlers::multiplexerMasks() {
  {
    HandlerFixture f(8);
    auto *mux = f.Find<QListWidget>("ChMuxSelect1");
    QCOMPARE(mux->count(), 8);
    HandlerFixture::ToggleCheckItem(mux, 0);
    HandlerFixture::ToggleCheckItem(mux, 2);
    HandlerFixture::ToggleCheckItem(mux, 7);
    HandlerFixture::ToggleCheckItem(mux, 0);
    QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS1:MUX 1", ":PULS1:MUX 5", ":PULS1:MUX 133",
                                    ":PULS1:MUX 132"})));
    QCOMPARE(f.w().Session.ChannelParameters[1].Mux, 132);
  }
  {
    HandlerFixture f(4);
    auto *mux = f.Find<QListWidget>("ChMuxSelect3");
    QCOMPARE(mux->count(), 4);
    for (int row = 0; row < 4; ++row) HandlerFixture::ToggleCheckItem(mux, row);
    QCOMPARE(f.Take().last(), QString(":PULS3:MUX 15"));
    QCOMPARE(f.w().Session.ChannelParameters[3].Mux, 15);
    // Marks set from the program while the readback runs: the cache follows,
    // nothing is sent.
    {
      const vm::HoldCount::Hold off(f.w().Session.Busy.CommandsOff);
      mux->item(3)->setCheckState(Qt::Unchecked);
    }
    QVERIFY(f.Take().isEmpty());
    QCOMPARE(f.w().Session.ChannelParameters[3].Mux, 7);
  }
}

void TestHandlers::listsAndCheckBoxes() {
  HandlerFixture f(4);
  auto &p = f.w().Session.ChannelParameters;

  auto *enable = f.Find<QCheckBox>("ChEnablebox3");
  QTest::mouseClick(enable, Qt::LeftButton);
  QCOMPARE(p[3].Enabled, enable->isChecked() ? 1 : 0);
  // The readback sets the box from the program: cache follows, command dropped.
  {
    const vm::HoldCount::Hold off(f.w().Session.Busy.CommandsOff);
    enable->setChecked(!enable->isChecked());
  }
  QCOMPARE(p[3].Enabled, enable->isChecked() ? 1 : 0);

  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChOutputModeSel2"), "Adjustable");
  QVERIFY(f.Find<QGroupBox>("ChAmplitudeAdjGrp2")->isEnabled());
  QVERIFY(f.Find<TPlusSpinEdit>("ChAmplitudeAdj2")->SpinEnabled());
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChOutputModeSel2"), "TTL/CMOS");
  QVERIFY(!f.Find<QGroupBox>("ChAmplitudeAdjGrp2")->isEnabled());
  QVERIFY(!f.Find<TPlusSpinEdit>("ChAmplitudeAdj2")->SpinEnabled());

  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChPolaritySel4"), "Inverted");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChGateModeSel1"), "Out Inh");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChGateLogicSel1"), "Low");
  // Four channels: "Gate B" and "Sync B" are gone, the word follows the text.
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChControlModeSel2"), "Inhibit A");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChPhaseSyncSel2"), "Sync T");
  QTest::mouseClick(f.Find<QPushButton>("ChReArmBtn3"), Qt::LeftButton);
  auto *burst = f.Find<TPlusSpinEdit>("ChBurstAdj4");
  burst->SetValue(1);
  HandlerFixture::KeyOnDigit(burst, 6, Qt::Key_Up);
  auto *wait = f.Find<TPlusSpinEdit>("ChWaitCountAdj1");
  HandlerFixture::KeyOnDigit(wait, 0, Qt::Key_Down);
  auto *amplitude = f.Find<TPlusSpinEdit>("ChAmplitudeAdj1");
  HandlerFixture::KeyOnDigit(amplitude, -1, Qt::Key_Up);

  QCOMPARE(Joined(f.Take()),
           Joined(QStringList{QString(":PULS3:STAT %1").arg(p[3].Enabled == 1 ? 0 : 1),
                        ":PULS2:OUTP:MOD ADJ", ":PULS2:OUTP:MOD TTL", ":PULS4:POL INV",
                        ":PULS1:CGAT OUTP", ":PULS1:CLOG LOW", ":PULS2:CONT INHA",
                        ":PULS2:PSYN SYNT", "*ARM 3", ":PULS4:BCO 1000001", ":PULS1:WCO 999999",
                        ":PULS1:OUTP:AMPL 5.10"}));
  QCOMPARE(p[2].ControlMode, 2);  // the item index, not the code
  QCOMPARE(p[2].PhaseSync, 2);
  QCOMPARE(p[4].Polarity, 1);
  QCOMPARE(p[1].GateMode, 2);
  QCOMPARE(p[1].GateLogic, 0);
  QCOMPARE(p[4].BurstCount, 1000001);
  QCOMPARE(p[1].Amplitude, 5.1);
}

void TestHandlers::typedListTextNamingNoItem() {
  HandlerFixture f(4);
  auto *mode = f.Find<QComboBox>("ChModeSel1");
  HandlerFixture::ChooseItem(mode, "Burst");
  f.Take();

  // Text that names no item is not sent (the instrument could not take an
  // empty word) and the cache keeps the mode the instrument holds.
  HandlerFixture::TypeIntoList(mode, "Bursty");
  QVERIFY(f.Take().isEmpty());
  QCOMPARE(f.w().Session.ChannelParameters[1].Mode, 2);
  QCOMPARE(mode->currentText(), QString("Burst"));

  // The same with no item selected (a caption the model's list lacks, as the
  // readback shows it): the caption comes back.
  auto *phase = f.Find<QComboBox>("ChPhaseSyncSel2");
  phase->setCurrentIndex(-1);
  phase->setEditText("Sync B");
  HandlerFixture::TypeIntoList(phase, "zz");
  QVERIFY(f.Take().isEmpty());
  QCOMPARE(phase->currentText(), QString("Sync B"));

  // A caption typed in another letter case is that item.
  HandlerFixture::TypeIntoList(mode, "duty cycle");
  QCOMPARE(Joined(f.Take()), Joined(QStringList{":PULS1:MOD DCYC"}));
  QCOMPARE(f.w().Session.ChannelParameters[1].Mode, 3);

  // Leaving the list after typing counts like Enter; leaving it untouched
  // sends nothing.
  auto *control = f.Find<QComboBox>("ChControlModeSel1");
  control->setFocus();
  control->lineEdit()->selectAll();
  QTest::keyClicks(control->lineEdit(), "Gate A");
  f.Find<TPlusSpinEdit>("ChDelayAdj1")->setFocus();
  QCOMPARE(Joined(f.Take()), QString(":PULS1:CONT GATA"));
  control->setFocus();
  f.Find<TPlusSpinEdit>("ChDelayAdj1")->setFocus();
  QTest::qWait(20);
  QVERIFY(f.Take().isEmpty());
}

void TestHandlers::wireTextIgnoresTheLocale() {
  const QLocale old;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  HandlerFixture f(8);
  f.Find<TPlusSpinEdit>("ChDelayAdj2")->AssignValue(12.5);
  f.Find<TPlusSpinEdit>("TrigThresholdAdj")->AssignValue(12.5);
  f.Find<TPlusSpinEdit>("PeriodAdj")->AssignValue(1234.5);
  f.Find<TPlusSpinEdit>("SysCycleCountAdj")->AssignValue(1234567);
  QLocale::setDefault(old);
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS2:DEL 12.50000000000", ":PULS0:EXT:LEV 12.50",
                                  ":PULS0:PER 1234.500000000", ":PULS0:CYCL 1234567"})));
}

void TestHandlers::connectingTwiceQueuesOnce() {
  HandlerFixture f(4);
  f.w().ConnectSystemHandlers();
  f.w().ConnectChannelHandlers(2);
  HandlerFixture::ChooseItem(f.Find<QComboBox>("ChPolaritySel2"), "Inverted");
  HandlerFixture::ChooseItem(f.Find<QComboBox>("GatePolaritySel"), "High");
  QCOMPARE(Joined(f.Take()), Joined((QStringList{":PULS2:POL INV", ":PULS0:EXT:POL HIGH"})));
}

QTEST_MAIN(TestHandlers)
#include "test_handlers.moc"
