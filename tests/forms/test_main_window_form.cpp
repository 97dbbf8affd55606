// The main window's description: names, kinds, places, items, limits, hints,
// the channel page copies and the model trimming helpers.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolTip>

#include "controls/plussped.h"
#include "forms/FormArt.h"
#include "forms/MainWindowForm.h"

namespace {

struct Place {
  const char *name;
  const char *kind;
  const char *parent;  // the widget the position is relative to
  QRect rect;          // width/height 0: not checked
};

// Positions of the window's groups and of the controls whose size is given.
const Place kPlaces[] = {
    {"VMBlueBanner", "QLabel", "MainClient", {0, 0, 561, 72}},
    {"PulseAnimate", "QLabel", "MainClient", {468, 15, 57, 41}},
    {"RunStopbtn", "QPushButton", "MainClient", {557, 0, 109, 72}},
    {"SystemOptions", "QGroupBox", "MainClient", {0, 70, 666, 260}},
    {"ChannelGrp", "QGroupBox", "MainClient", {0, 329, 675, 280}},
    {"TerminalBoxgrp", "QGroupBox", "MainClient", {0, 615, 509, 120}},
    {"SystemInfoGrp", "QGroupBox", "MainClient", {515, 615, 150, 120}},
    {"SystemPageControl", "QTabWidget", "SystemOptions", {0, 2, 666, 255}},
    {"ChPageControl", "QTabWidget", "ChannelGrp", {3, 25, 675, 248}},
    {"Systemgrp", "QGroupBox", "SystemPage", {0, 0, 655, 215}},
    {"PulseModeGrp", "QGroupBox", "Systemgrp", {9, 25, 175, 55}},
    {"PeriodGrp", "QGroupBox", "Systemgrp", {9, 85, 175, 55}},
    {"BurstCountGrp", "QGroupBox", "Systemgrp", {9, 140, 175, 55}},
    {"AutoStartEnbl", "QCheckBox", "Systemgrp", {419, 12, 86, 17}},
    {"DutyCycleGrp", "QGroupBox", "Systemgrp", {203, 15, 154, 190}},
    {"OnCountGrp", "QGroupBox", "DutyCycleGrp", {5, 15, 139, 55}},
    {"OffCountGrp", "QGroupBox", "DutyCycleGrp", {5, 70, 139, 55}},
    {"CycleCountGrp", "QGroupBox", "DutyCycleGrp", {5, 125, 139, 55}},
    {"Externalgrp", "QGroupBox", "Systemgrp", {379, 30, 260, 175}},
    {"TriggerModeSelGrp", "QGroupBox", "Externalgrp", {6, 20, 115, 50}},
    {"ExtThresholdGrp", "QGroupBox", "Externalgrp", {127, 20, 115, 50}},
    {"GatePolGrp", "QGroupBox", "Externalgrp", {6, 70, 115, 50}},
    {"ExtTrigEdgeGrp", "QGroupBox", "Externalgrp", {127, 70, 115, 50}},
    {"TrigGateDebounceGrp", "QGroupBox", "Externalgrp", {6, 120, 115, 46}},
    {"ShotCounterGrp", "QGroupBox", "AdditionalPage", {10, 3, 131, 134}},
    {"ExternalInputClkGrp", "QGroupBox", "AdditionalPage", {147, 3, 138, 60}},
    {"ExternalOutputClkGrp", "QGroupBox", "AdditionalPage", {147, 69, 138, 60}},
    {"ClearShotCount", "QPushButton", "ShotCounterGrp", {13, 42, 75, 21}},
    {"SendEdit", "QComboBox", "TerminalBoxgrp", {25, 21, 399, 21}},
    {"SendBtn", "QPushButton", "TerminalBoxgrp", {430, 20, 67, 22}},
    {"ResponseList", "QTextEdit", "TerminalBoxgrp", {25, 45, 472, 70}},
    {"ChFunctGrp1", "QGroupBox", "TabCh1", {0, 2, 665, 207}},
    {"ChEnablebox1", "QCheckBox", "ChFunctGrp1", {7, 7, 78, 17}},
    {"ChReArmBtn1", "QPushButton", "ChFunctGrp1", {104, 8, 49, 20}},
    {"ChDelayGrp1", "QGroupBox", "ChFunctGrp1", {7, 25, 200, 55}},
    {"ChWidthGrp1", "QGroupBox", "ChFunctGrp1", {7, 80, 200, 55}},
    {"ChModeGrp1", "QGroupBox", "ChFunctGrp1", {212, 25, 115, 55}},
    {"ChBurstCountGrp1", "QGroupBox", "ChFunctGrp1", {212, 80, 115, 55}},
    {"ChWaitCountGrp1", "QGroupBox", "ChFunctGrp1", {212, 145, 115, 55}},
    {"ChSyncSourceGrp1", "QGroupBox", "ChFunctGrp1", {332, 25, 90, 55}},
    {"ChPolarityGrp1", "QGroupBox", "ChFunctGrp1", {332, 80, 90, 55}},
    {"ChGateModeGrp1", "QGroupBox", "ChFunctGrp1", {333, 145, 90, 55}},
    {"ChGateLogicGrp1", "QGroupBox", "ChFunctGrp1", {428, 145, 76, 55}},
    {"ChDutyOnGrp1", "QGroupBox", "ChFunctGrp1", {438, 25, 115, 55}},
    {"ChDutyOffGrp1", "QGroupBox", "ChFunctGrp1", {438, 80, 115, 55}},
    {"ChOutputModeGrp1", "QGroupBox", "ChFunctGrp1", {7, 144, 102, 55}},
    {"ChAmplitudeAdjGrp1", "QGroupBox", "ChFunctGrp1", {115, 144, 92, 55}},
    {"ChControlModeGrp1", "QGroupBox", "ChFunctGrp1", {559, 25, 90, 55}},
    {"ChPhaseSyncGrp1", "QGroupBox", "ChFunctGrp1", {559, 80, 90, 55}},
    {"ChMuxGrp1", "QGroupBox", "ChFunctGrp1", {510, 135, 150, 65}},
    {"ChDelayAdj1", "TPlusSpinEdit", "ChDelayGrp1", {10, 20, 180, 0}},
    {"ChWidthAdj1", "TPlusSpinEdit", "ChWidthGrp1", {10, 20, 180, 0}},
    {"ChAmplitudeAdj1", "TPlusSpinEdit", "ChAmplitudeAdjGrp1", {10, 20, 65, 24}},
    {"ChMuxSelect1", "QListWidget", "ChMuxGrp1", {5, 20, 140, 40}},
    {"ChGateLogicSel1", "QComboBox", "ChGateLogicGrp1", {7, 20, 58, 0}},
    {"PeriodAdj", "TPlusSpinEdit", "PeriodGrp", {0, 0, 155, 0}},
    {"SysDutyOnAdj", "TPlusSpinEdit", "OnCountGrp", {0, 0, 123, 0}},
    {"SysDutyOffAdj", "TPlusSpinEdit", "OffCountGrp", {0, 0, 121, 0}},
};

// Every other named widget of the window, with its kind.
const std::pair<const char *, const char *> kOtherWidgets[] = {
    {"ErrorLabel", "QLabel"},          {"SystemPage", "QWidget"},
    {"AdditionalPage", "QWidget"},     {"TabCh1", "QWidget"},
    {"SystemModeSel", "QComboBox"},    {"SysBurstAdj", "TPlusSpinEdit"},
    {"SysCycleCountAdj", "TPlusSpinEdit"}, {"TrigModeSel", "QComboBox"},
    {"TrigThresholdAdj", "TPlusSpinEdit"}, {"GatePolaritySel", "QComboBox"},
    {"TriggerEdgeSel", "QComboBox"},   {"TrigGateDebounceSel", "QComboBox"},
    {"ShotCountEnbl", "QCheckBox"},    {"CounterSourceSel", "QComboBox"},
    {"ShotCountlbl", "QLabel"},        {"ExternalInputClkSel", "QComboBox"},
    {"ExternalOutputClkSel", "QComboBox"}, {"SerialNumberlbl", "QLabel"},
    {"FWVersionlbl", "QLabel"},        {"FPGAVersionlbl", "QLabel"},
    {"MainMenu1", "QMenuBar"},         {"File1", "QMenu"},
    {"Storage1", "QMenu"},             {"SaveToBin", "QMenu"},
    {"RestoreFromBin", "QMenu"},       {"ools1", "QMenu"},
    {"Help1", "QMenu"},
};

// Menu items: name, caption, the menu that holds it.
const std::tuple<const char *, const char *, const char *> kMenuItems[] = {
    {"Exit1", "Exit", "File1"},
    {"R1", "Restart App", "File1"},
    {"SaveToBin", "Save To Bin", "Storage1"},
    {"RestoreFromBin", "Restore From Bin", "Storage1"},
    {"SaveToFile1", "Save Settings To File", "Storage1"},
    {"RestoreSettingsFromFile1", "Restore Settings From File", "Storage1"},
    {"BinSave1", "1", "SaveToBin"},
    {"BinRestore0", "Default 0", "RestoreFromBin"},
    {"BinRestore1", "1", "RestoreFromBin"},
    {"Up1", "Refresh", "ools1"},
    {"CaptureScreenShot1", "Capture Screen Shot", "ools1"},
    {"EnableLoggingMenu", "Logging Enabled", "ools1"},
    {"ServiceMenu", "Service", "ools1"},
    {"ServiceWindowMenu", "Service Window", "ools1"},
    {"TimingDiagramMenu", "Timing Diagram", "ools1"},
    {"WebSite1", "Web Site", "Help1"},
    {"About1", "About", "Help1"},
};

struct SpinSpec {
  const char *name;
  int decimals;
  double increment, min, max, value;
  bool grouped;
};
const SpinSpec kSpins[] = {
    {"PeriodAdj", 9, 1e-08, 2e-07, 5000, 5000, true},
    {"SysBurstAdj", 0, 1, 1, 4000000000.0, 4000000000.0, true},
    {"SysDutyOnAdj", 0, 1, 1, 4000000000.0, 4000000000.0, true},
    {"SysDutyOffAdj", 0, 1, 1, 4000000000.0, 4000000000.0, true},
    {"SysCycleCountAdj", 0, 1, 0, 10000000, 10000000, true},
    {"TrigThresholdAdj", 2, 0.01, 0.2, 15, 2.5, true},
    {"ChDelayAdj1", 12, 2.5e-10, -1000, 1000, 1000, true},
    {"ChWidthAdj1", 9, 2.5e-10, 1e-08, 1000, 1000, true},
    {"ChBurstAdj1", 0, 1, 1, 10000000, 10000000, true},
    {"ChWaitCountAdj1", 0, 1, 0, 10000000, 1000000, true},
    {"ChDutyOnAdj1", 0, 1, 1, 10000000, 10000000, true},
    {"ChDutyOffAdj1", 0, 1, 1, 10000000, 10000000, true},
    {"ChAmplitudeAdj1", 2, 0.01, 2, 20, 5, false},
};

struct ListSpec {
  const char *name;
  QStringList items;
  QString text;
  int index;
};
const QStringList kSources = {"T0", "Ch A", "Ch B", "Ch C", "Ch D", "Ch E", "Ch F", "Ch G", "Ch H"};
const ListSpec kLists[] = {
    {"SystemModeSel", {"Continuous", "Single Shot", "Burst", "Duty Cycle"}, "Continuous", 0},
    {"TrigModeSel", {"Disabled", "Triggered", "System Gate", "Ch Gate"}, "Disabled", 0},
    {"GatePolaritySel", {"Low", "High"}, "Low", 0},
    {"TriggerEdgeSel", {"Rising", "Falling"}, "Falling", 1},
    {"TrigGateDebounceSel", {"Disabled", "Enabled"}, "Disabled", 0},
    {"CounterSourceSel", kSources, "", -1},
    {"ExternalInputClkSel",
     {"System Osc", "10 MHz Ext", "20 MHz Ext", "25 MHz Ext", "30 MHz Ext", "40 MHz Ext",
      "50 MHz Ext", "60 MHz Ext", "80 MHz Ext"},
     "System Osc", 0},
    {"ExternalOutputClkSel",
     {"To Pulse", "10 MHz", "20 MHz", "25 MHz", "30 MHz", "40 MHz", "50 MHz", "60 MHz", "80 MHz"},
     "To Pulse", 0},
    {"SendEdit", {}, "", -1},
    {"ChModeSel1", {"Normal", "Single Shot", "Burst", "Duty Cycle"}, "Normal", 0},
    {"ChSyncSourceSel1", kSources, "T0", 0},
    {"ChPolaritySel1", {"Normal", "Inverted"}, "Normal", 0},
    {"ChGateModeSel1", {"Disabled", "Pulse Inh", "Out Inh"}, "Disabled", 0},
    {"ChGateLogicSel1", {"Low", "High"}, "High", 1},
    {"ChOutputModeSel1", {"TTL/CMOS", "Adjustable"}, "TTL/CMOS", 0},
    {"ChControlModeSel1", {"Disabled", "Gate A", "Gate B", "Inhibit A"}, "Disabled", 0},
    {"ChPhaseSyncSel1", {"Disabled", "Sync A", "Sync B", "Sync T"}, "Disabled", 0},
};

// Hints: name, text, shown.
const std::tuple<const char *, const char *, bool> kHints[] = {
    {"RunStopbtn", "Starts(arms) or stops(disarms) the system", true},
    {"TerminalBoxgrp", "Send and receive commands directly to unit", true},
    {"SystemInfoGrp", "Information about unit", true},
    {"PeriodGrp", "Sets system pulse period", true},
    {"BurstCountGrp", "Sets number of burst counts when in system burst mode", true},
    {"AutoStartEnbl", "Sets system auto start (will start on power up)", true},
    {"OnCountGrp", "Sets number of on counts when in system duty cycle mode", true},
    {"OffCountGrp", "Sets number of off counts when in system duty cycle mode", true},
    {"ExtThresholdGrp", "Sets input trigger/gate threshold level", true},
    {"ShotCounterGrp", "System shot counter", false},
    {"ChEnablebox1", "Enables or disables channel ", true},
    {"ChDelayGrp1", "Sets channel delay from selected sync source", true},
    {"ChWidthGrp1", "Sets channel pulse width", true},
    {"ChModeGrp1", "Channel pulse mode", false},
    {"ChBurstCountGrp1", "Sets channel burst count when in channel burst mode", true},
    {"ChWaitCountGrp1", "Sets number of pulses to wait until outputs start", true},
    {"ChSyncSourceGrp1", "Channel sync source", false},
    {"ChPolarityGrp1", "Channel output polarity", false},
    {"ChDutyOnGrp1", "Sets channel number of on counts when in channel duty cycle mode", false},
    {"ChDutyOffGrp1", "Sets channel number of off counts when in channel duty cycle mode", false},
    {"ChAmplitudeAdjGrp1", "Sets channel output amplitude", true},
    {"ChControlModeGrp1", "Channel control mode", false},
    {"ChPhaseSyncGrp1", "Channel sync source", false},
    {"CycleCountGrp", "", true},
};

QStringList Items(const QComboBox *c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}
QStringList Items(const QListWidget *c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->item(i)->text();
  return l;
}

// Names of every widget in the subtree whose name ends in the number n.
QStringList NamesEndingIn(const QWidget *root, int n) {
  QStringList out;
  const QString suffix = QString::number(n);
  for (const QWidget *c : root->findChildren<QWidget *>())
    if (c->objectName().endsWith(suffix) && c->objectName().startsWith("Ch")) out << c->objectName();
  out.sort();
  return out;
}

}  // namespace

class MainWindowFormTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QMainWindow> Built() {
    auto w = std::make_unique<QMainWindow>();
    forms::BuildMainWindow(w.get());
    return w;
  }

  void Shoot(QMainWindow *w, const QString &file) {
    QDir().mkpath(VM_ARTIFACT_DIR);
    const QString path = QString(VM_ARTIFACT_DIR) + "/" + file;
    QVERIFY2(w->grab().save(path), qPrintable(path));
  }

private Q_SLOTS:
  void everyComponentHasItsNameKindAndPlace() {
    auto w = Built();
    for (const Place &p : kPlaces) {
      QWidget *c = w->findChild<QWidget *>(p.name);
      QVERIFY2(c, p.name);
      QVERIFY2(c->inherits(p.kind), p.name);
      QVERIFY2(c->parentWidget(), p.name);
      // Pages of a page control sit in its internal stack; compare with the
      // page itself as the reference.
      const QWidget *ref = w->findChild<QWidget *>(p.parent);
      QVERIFY2(ref, p.parent);
      const QPoint at = c->mapTo(w.get(), QPoint(0, 0)) - ref->mapTo(w.get(), QPoint(0, 0));
      if (p.rect.x() || p.rect.y() || p.rect.height()) QCOMPARE(at, p.rect.topLeft());
      QCOMPARE(c->width(), p.rect.width());
      if (p.rect.height()) QCOMPARE(c->height(), p.rect.height());
    }
    for (const auto &[name, kind] : kOtherWidgets) {
      QWidget *c = w->findChild<QWidget *>(name);
      QVERIFY2(c && c->inherits(kind), name);
    }
    // Each channel-1 name exists once, and so does each array's element 1.
    for (const char *array : forms::kChannelArrays)
      QVERIFY2(forms::ChannelControl(w.get(), array, 1), array);
    const QStringList ch1 = NamesEndingIn(w.get(), 1);
    QCOMPARE(ch1.size(), 35);  // the page box, 16 groups, 18 controls
    QCOMPARE(QSet<QString>(ch1.begin(), ch1.end()).size(), ch1.size());
  }

  void windowIsFixedWithTheClientAreaBelowTheMenu() {
    auto w = Built();
    QCOMPARE(w->windowTitle(), QString("5200 Pulse Generator"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QCOMPARE(w->centralWidget()->objectName(), QString("MainClient"));
    QCOMPARE(w->centralWidget()->size(), QSize(678, 739));
    QCOMPARE(w->centralWidget()->y(), w->menuBar()->height());
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QCOMPARE(w->height(), 739 + w->menuBar()->height());
    // Everything lies inside the client area (the page control of the
    // channels reaches its group's right edge by design).
    for (const char *n : {"SystemOptions", "ChannelGrp", "TerminalBoxgrp", "SystemInfoGrp", "RunStopbtn"}) {
      const QWidget *c = w->findChild<QWidget *>(n);
      QVERIFY2(QRect(0, 0, 678, 739).contains(c->geometry()), n);
    }
  }

  void menusHoldTheirItems() {
    auto w = Built();
    for (const auto &[name, caption, menu] : kMenuItems) {
      auto *m = w->findChild<QMenu *>(menu);
      QVERIFY2(m, menu);
      QAction *found = nullptr;
      for (QAction *a : m->actions())
        if (a->objectName() == name) found = a;
      QVERIFY2(found, name);
      QCOMPARE(found->text(), QString(caption));
    }
    QStringList top;
    for (QAction *a : w->menuBar()->actions()) top << a->objectName() + "=" + a->text();
    QCOMPARE(top, (QStringList{"File1=File", "Storage1=Storage", "ools1=Tools", "Help1=Help"}));
    QVERIFY(w->findChild<QAction *>("EnableLoggingMenu")->isCheckable());
    QVERIFY(!w->findChild<QAction *>("EnableLoggingMenu")->isChecked());
    QVERIFY(!w->findChild<QAction *>("ServiceWindowMenu")->isVisible());
    QVERIFY(w->findChild<QAction *>("ServiceMenu")->isVisible());
  }

  void spinEditsCarryTheirLimits() {
    auto w = Built();
    for (const SpinSpec &s : kSpins) {
      auto *c = w->findChild<TPlusSpinEdit *>(s.name);
      QVERIFY2(c, s.name);
      QCOMPARE(c->Decimals(), s.decimals);
      QCOMPARE(c->Increment(), s.increment);
      QCOMPARE(c->MinValue(), s.min);
      QCOMPARE(c->MaxValue(), s.max);
      QCOMPARE(c->Value(), s.value);
      QCOMPARE(c->ThousandSeparator(), s.grouped ? QChar(',') : QChar());
      QCOMPARE(c->BorderStyle(), bsNone);
      QVERIFY(!c->AutoSize());
      QCOMPARE(c->font().pixelSize(), 15);
    }
  }

  void listsCarryTheirItemsAndSelection() {
    auto w = Built();
    for (const ListSpec &l : kLists) {
      auto *c = w->findChild<QComboBox *>(l.name);
      QVERIFY2(c, l.name);
      QCOMPARE(Items(c), l.items);
      QCOMPARE(c->currentIndex(), l.index);
      QCOMPARE(c->currentText(), l.text);
      // The channel lists and the terminal line take typed text; nothing typed
      // is added to a list by the list itself.
      const bool typed = QString(l.name).startsWith("Ch") || QString(l.name) == "SendEdit";
      QCOMPARE(c->isEditable(), typed);
      QCOMPARE(c->insertPolicy(), QComboBox::NoInsert);
    }
    QCOMPARE(w->findChild<QComboBox *>("CounterSourceSel")->placeholderText(), QString("To"));
    auto *mux = w->findChild<QListWidget *>("ChMuxSelect1");
    QCOMPARE(Items(mux), (QStringList{"A", "B", "C", "D", "E", "F", "G", "H"}));
    QCOMPARE(forms::CheckListColumns(mux), 4);
    for (int i = 0; i < mux->count(); ++i) {
      QCOMPARE(mux->item(i)->checkState(), Qt::Unchecked);
      QVERIFY(mux->item(i)->flags() & Qt::ItemIsUserCheckable);
    }
    // Four columns in two rows: E sits below A.
    QCOMPARE(mux->visualItemRect(mux->item(4)).x(), mux->visualItemRect(mux->item(0)).x());
    QVERIFY(mux->visualItemRect(mux->item(4)).y() > mux->visualItemRect(mux->item(0)).y());
    QVERIFY(mux->visualItemRect(mux->item(7)).bottom() < mux->viewport()->height());
  }

  void captionsHintsAndStateAtCreation() {
    auto w = Built();
    for (const auto &[name, hint, shown] : kHints) {
      QWidget *c = w->findChild<QWidget *>(name);
      QVERIFY2(c, name);
      QCOMPARE(c->property("hint").toString(), QString(hint));
      QCOMPARE(c->property("showHint").toBool(), shown);
      QCOMPARE(c->toolTip(), shown ? QString(hint) : QString());
    }
    auto caption = [&](const char *n) {
      QWidget *c = w->findChild<QWidget *>(n);
      if (auto *g = qobject_cast<QGroupBox *>(c)) return g->title();
      if (auto *b = qobject_cast<QAbstractButton *>(c)) return b->text();
      if (auto *l = qobject_cast<QLabel *>(c)) return l->text();
      return QString("?");
    };
    QCOMPARE(caption("ChannelGrp"), QString("Channels"));
    QCOMPARE(caption("SystemOptions"), QString());
    QCOMPARE(caption("ChFunctGrp1"), QString());
    QCOMPARE(caption("Externalgrp"), QString("External Trigger/Gate"));
    QCOMPARE(caption("ChReArmBtn1"), QString("ReArm"));
    QCOMPARE(caption("ShotCountlbl"), QString("Count: 4,294,967,296"));
    QCOMPARE(caption("FWVersionlbl"), QString("Firmware Ver: 33.44.55.66"));
    QCOMPARE(caption("ErrorLabel"), QString("Error Label"));
    QCOMPARE(caption("RunStopbtn"), QString("Run"));
    QVERIFY(w->findChild<QCheckBox *>("ChEnablebox1")->isChecked());
    QVERIFY(!w->findChild<QCheckBox *>("AutoStartEnbl")->isChecked());
    QVERIFY(!w->findChild<QCheckBox *>("ShotCountEnbl")->isChecked());

    auto *sys = w->findChild<QTabWidget *>("SystemPageControl");
    QCOMPARE(sys->count(), 2);
    QCOMPARE(sys->tabText(0), QString("System Options"));
    QCOMPARE(sys->tabText(1), QString("Additional Options"));
    QCOMPARE(sys->widget(1)->objectName(), QString("AdditionalPage"));
    auto *ch = w->findChild<QTabWidget *>("ChPageControl");
    QCOMPARE(ch->count(), 1);
    QCOMPARE(ch->tabText(0), QString("Ch 1"));

    // Hidden at creation: both page controls, the banner, the error label,
    // the running indicator (it shows only while the outputs run).
    w->show();
    for (const char *n : {"SystemPageControl", "ChPageControl", "VMBlueBanner", "ErrorLabel", "PulseAnimate"})
      QVERIFY2(!w->findChild<QWidget *>(n)->isVisible(), n);
    for (const char *n : {"RunStopbtn", "TerminalBoxgrp", "ResponseList", "SystemInfoGrp"})
      QVERIFY2(w->findChild<QWidget *>(n)->isVisible(), n);

    auto *resp = w->findChild<QTextEdit *>("ResponseList");
    QVERIFY(resp->isReadOnly());
    QCOMPARE(resp->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(resp->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(w->findChild<QLabel *>("ErrorLabel")->font().pixelSize(), 27);
    // Every error text fits its label, and the label clears the running
    // animation so that both show at once.
    auto *err = w->findChild<QLabel *>("ErrorLabel");
    QVERIFY(!err->geometry().intersects(w->findChild<QWidget *>("PulseAnimate")->geometry()));
    for (const char *t : {"Over Current Error", "Over Temperature Error", "Fan Failure"})
      QVERIFY2(err->fontMetrics().horizontalAdvance(QString(t)) <= err->contentsRect().width(), t);
    QCOMPARE(w->font().pixelSize(), 11);
    QCOMPARE(w->font().family(), QString("Tahoma"));
  }

  // A control without a hint of its own shows its group's shown hint; a hint
  // marked not shown never appears.
  void hintsReachTheControlsInsideAGroup() {
    auto w = Built();
    auto *sys = w->findChild<QTabWidget *>("SystemPageControl");
    auto *ch = w->findChild<QTabWidget *>("ChPageControl");
    sys->show();
    ch->show();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto tipOver = [&](const char *name) {
      QToolTip::hideText();
      for (int i = 0; i < 100 && QToolTip::isVisible(); ++i) QTest::qWait(10);
      QWidget *c = w->findChild<QWidget *>(name);
      const QPoint at(c->width() / 2, c->height() / 2);
      QHelpEvent e(QEvent::ToolTip, at, c->mapToGlobal(at));
      QApplication::sendEvent(c, &e);
      return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipOver("PeriodAdj"), QString("Sets system pulse period"));
    QCOMPARE(tipOver("ChDelayAdj1"), QString("Sets channel delay from selected sync source"));
    QCOMPARE(tipOver("ChModeSel1"), QString());
    QCOMPARE(tipOver("ShotCountEnbl"), QString());
  }

  void channelPagesAreRenamedIndependentCopies_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("4 channels") << 4;
    QTest::newRow("8 channels") << 8;
  }
  void channelPagesAreRenamedIndependentCopies() {
    QFETCH(int, count);
    auto w = Built();
    // Channel 1 as it stands when the pages are made is what the copies get,
    // except the multiplexer marks.
    w->findChild<QListWidget *>("ChMuxSelect1")->item(2)->setCheckState(Qt::Checked);
    for (int n = 2; n <= count; ++n) {
      QWidget *page = forms::CreateChannelPage(w.get(), n).Page;
      QVERIFY(page);
      QCOMPARE(page->objectName(), QString("TabCh%1").arg(n));
    }
    QVERIFY(!forms::CreateChannelPage(w.get(), 2).Page);  // never twice
    QVERIFY(!forms::CreateChannelPage(w.get(), 9).Page);
    auto *pc = w->findChild<QTabWidget *>("ChPageControl");
    QCOMPARE(pc->count(), count);
    for (int n = 1; n <= count; ++n) QCOMPARE(pc->tabText(n - 1), QString("Ch %1").arg(n));

    const QStringList ch1 = NamesEndingIn(w.get(), 1);
    for (int n = 2; n <= 8; ++n) {
      QStringList expected;
      if (n <= count)
        for (QString s : ch1) expected << s.chopped(1) + QString::number(n);
      expected.sort();
      QCOMPARE(NamesEndingIn(w.get(), n), expected);
      for (const char *array : forms::kChannelArrays) {
        QWidget *c = forms::ChannelControl(w.get(), array, n);
        QCOMPARE(c != nullptr, n <= count);
        if (!c) continue;
        // Same place inside the same kind of parent as channel 1's element.
        QWidget *one = forms::ChannelControl(w.get(), array, 1);
        QCOMPARE(c->geometry(), one->geometry());
        QCOMPARE(c->font().pixelSize(), one->font().pixelSize());
        QCOMPARE(c->parentWidget()->objectName().chopped(1) + "1", one->parentWidget()->objectName());
        QCOMPARE(c->property("hint"), one->property("hint"));
        QCOMPARE(c->toolTip(), one->toolTip());
      }
      if (n > count) continue;
      QWidget *page = w->findChild<QWidget *>(QString("TabCh%1").arg(n));
      QVERIFY(page->isAncestorOf(forms::ChannelControl(w.get(), "ChReArmBtn", n)));
      auto *delay = qobject_cast<TPlusSpinEdit *>(forms::ChannelControl(w.get(), "ChDelayAdj", n));
      QCOMPARE(delay->Decimals(), 12);
      QCOMPARE(delay->MinValue(), -1000.0);
      QCOMPARE(delay->Increment(), 2.5e-10);
      QCOMPARE(delay->ThousandSeparator(), QChar(','));
      auto *amp = qobject_cast<TPlusSpinEdit *>(forms::ChannelControl(w.get(), "ChAmplitudeAdj", n));
      QCOMPARE(amp->ThousandSeparator(), QChar());
      QCOMPARE(amp->Value(), 5.0);
      auto *logic = qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChGateLogicSel", n));
      QCOMPARE(logic->currentText(), QString("High"));
      QVERIFY(logic->isEditable());
      auto *sync = qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChSyncSourceSel", n));
      QCOMPARE(Items(sync), kSources);
      QVERIFY(qobject_cast<QCheckBox *>(forms::ChannelControl(w.get(), "ChEnablebox", n))->isChecked());
      auto *mux = qobject_cast<QListWidget *>(forms::ChannelControl(w.get(), "ChMuxSelect", n));
      QCOMPARE(forms::CheckListColumns(mux), 4);
      for (int i = 0; i < mux->count(); ++i) QCOMPARE(mux->item(i)->checkState(), Qt::Unchecked);
      QCOMPARE(qobject_cast<QGroupBox *>(forms::ChannelControl(w.get(), "ChDutyOnGrp", n))->title(),
               QString("Duty Cycle On"));
    }

    // The copies are controls of their own.
    auto spin = [&](int n) {
      return qobject_cast<TPlusSpinEdit *>(forms::ChannelControl(w.get(), "ChWidthAdj", n));
    };
    spin(count)->SetValue(0.5);
    QCOMPARE(spin(1)->Value(), 1000.0);
    qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChModeSel", 2))->setCurrentIndex(2);
    QCOMPARE(qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChModeSel", 1))->currentIndex(), 0);

    // Paging through every channel shows each page's controls.
    w->show();
    pc->show();
    for (int n = 1; n <= count; ++n) {
      pc->setCurrentIndex(n - 1);
      QVERIFY(forms::ChannelControl(w.get(), "ChMuxSelect", n)->isVisible());
      QVERIFY(forms::ChannelControl(w.get(), "ChDelayAdj", n)->isVisible());
    }
    // The tabs fit in one row within the page control.
    QVERIFY(pc->tabBar()->tabRect(count - 1).right() < pc->width());
    QCOMPARE(pc->tabBar()->tabRect(0).width(), 55);
  }

  // Pages are built from one table; a later page then takes over what channel
  // 1 shows at that moment, without sending anything (nothing is connected).
  void laterPagesTakeOverChannelOnesState() {
    auto w = Built();
    QVERIFY(!forms::CreateChannelPage(w.get(), 1).Page);  // built with the window
    QVERIFY(!forms::CreateChannelPage(w.get(), 0).Page);
    auto *width1 = qobject_cast<TPlusSpinEdit *>(forms::ChannelControl(w.get(), "ChWidthAdj", 1));
    width1->setDecimals(11);
    width1->SetValue(2.5e-08);
    w->findChild<QComboBox *>("ChModeSel1")->setCurrentIndex(2);
    w->findChild<QCheckBox *>("ChEnablebox1")->setChecked(false);
    forms::TrimChannelPage(w.get(), 1, 4);
    w->findChild<QGroupBox *>("ChDelayGrp1")->setTitle("Delay!");
    forms::CreateChannelPage(w.get(), 2);

    auto *width2 = qobject_cast<TPlusSpinEdit *>(forms::ChannelControl(w.get(), "ChWidthAdj", 2));
    QCOMPARE(width2->Decimals(), 11);
    QCOMPARE(width2->Value(), 2.5e-08);
    QCOMPARE(w->findChild<QComboBox *>("ChModeSel2")->currentText(), QString("Burst"));
    QVERIFY(!w->findChild<QCheckBox *>("ChEnablebox2")->isChecked());
    QCOMPARE(Items(w->findChild<QComboBox *>("ChControlModeSel2")),
             (QStringList{"Disabled", "Gate A", "Inhibit A"}));
    QCOMPARE(w->findChild<QListWidget *>("ChMuxSelect2")->count(), 4);
    QCOMPARE(w->findChild<QGroupBox *>("ChDelayGrp2")->title(), QString("Delay!"));
    QCOMPARE(w->findChild<QGroupBox *>("ChFunctGrp2")->title(), QString());
  }

  // The window keeps the focused control per page: a click on a tab must be
  // seen before the page switches, while the focus is still in place.
  void aTabClickIsSeenBeforeThePageSwitches() {
    auto w = Built();
    forms::CreateChannelPage(w.get(), 2);
    auto *pc = w->findChild<QTabWidget *>("ChPageControl");
    pc->show();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QWidget *delay1 = w->findChild<QWidget *>("ChDelayAdj1");
    delay1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), delay1);
    int indexSeen = -1;
    QWidget *focusSeen = nullptr;
    connect(pc, &QTabWidget::tabBarClicked, this, [&](int) {
      indexSeen = pc->currentIndex();
      focusSeen = QApplication::focusWidget();
    });
    QTest::mouseClick(pc->tabBar(), Qt::LeftButton, {}, pc->tabBar()->tabRect(1).center());
    QCOMPARE(pc->currentIndex(), 1);
    QCOMPARE(indexSeen, 0);
    QCOMPARE(focusSeen, delay1);
  }

  void channelArraysRefuseWrongKinds() {
    auto w = Built();
    QCOMPARE(forms::ChannelArrayKind("ChMuxSelect"), QString("QListWidget"));
    QCOMPARE(forms::ChannelArrayKind("ChAmplitudeAdjGrp"), QString("QGroupBox"));
    QCOMPARE(forms::ChannelArrayKind("ChEnablebox"), QString("QCheckBox"));
    QVERIFY(forms::ChannelControl(w.get(), "ChDelayAdj", 0) == nullptr);
    // A name that exists but is not of the array's kind is a programming error.
    auto *odd = new QLabel(w->centralWidget());
    odd->setObjectName("ChWidthAdj7");
    QVERIFY_THROWS_EXCEPTION(std::logic_error, forms::ChannelControl(w.get(), "ChWidthAdj", 7));
  }

  void modelTrimmingIsRepeatable() {
    auto w = Built();
    for (int n = 2; n <= 4; ++n) forms::CreateChannelPage(w.get(), n);
    for (int pass = 0; pass < 2; ++pass) {
      for (int n = 1; n <= 4; ++n) forms::TrimChannelPage(w.get(), n, 4);
      for (int n = 1; n <= 4; ++n) {
        QCOMPARE(Items(qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChControlModeSel", n))),
                 (QStringList{"Disabled", "Gate A", "Inhibit A"}));
        QCOMPARE(Items(qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChPhaseSyncSel", n))),
                 (QStringList{"Disabled", "Sync A", "Sync T"}));
        QCOMPARE(Items(qobject_cast<QListWidget *>(forms::ChannelControl(w.get(), "ChMuxSelect", n))),
                 (QStringList{"A", "B", "C", "D"}));
      }
      auto *sync3 = qobject_cast<QComboBox *>(forms::ChannelControl(w.get(), "ChSyncSourceSel", 3));
      forms::TrimSyncSourceList(sync3, 3, 4);
      QCOMPARE(Items(sync3), (QStringList{"T0", "Ch A", "Ch B", "Ch D"}));
      forms::ApplyModelToAdditionalPage(w.get(), 4);
      QCOMPARE(Items(w->findChild<QComboBox *>("CounterSourceSel")),
               (QStringList{"T0", "Ch A", "Ch B", "Ch C", "Ch D"}));
    }
    QVERIFY(!w->findChild<QGroupBox *>("ExternalInputClkGrp")->isEnabled());
    QVERIFY(w->findChild<QGroupBox *>("ExternalOutputClkGrp")->isHidden());

    // Eight channels keep every item; the sync list loses only the channel's own entry.
    auto w8 = Built();
    forms::CreateChannelPage(w8.get(), 2);
    forms::TrimChannelPage(w8.get(), 2, 8);
    QCOMPARE(qobject_cast<QComboBox *>(forms::ChannelControl(w8.get(), "ChControlModeSel", 2))->count(), 4);
    QCOMPARE(qobject_cast<QListWidget *>(forms::ChannelControl(w8.get(), "ChMuxSelect", 2))->count(), 8);
    auto *sync2 = qobject_cast<QComboBox *>(forms::ChannelControl(w8.get(), "ChSyncSourceSel", 2));
    forms::TrimSyncSourceList(sync2, 2, 8);
    QCOMPARE(Items(sync2), (QStringList{"T0", "Ch A", "Ch C", "Ch D", "Ch E", "Ch F", "Ch G", "Ch H"}));
    forms::TrimSyncSourceList(sync2, 2, 8);
    QCOMPARE(sync2->count(), 8);
    forms::ApplyModelToAdditionalPage(w8.get(), 8);
    QVERIFY(!w8->findChild<QGroupBox *>("ExternalInputClkGrp")->isHidden());
    QCOMPARE(w8->findChild<QComboBox *>("CounterSourceSel")->count(), 9);

    // The multiplexer's layout per channel count.
    auto *mux = qobject_cast<QListWidget *>(forms::ChannelControl(w8.get(), "ChMuxSelect", 1));
    forms::SetMuxLayout(mux, 2);
    QCOMPARE(forms::CheckListColumns(mux), 2);
    QCOMPARE(mux->height(), 20);
    forms::SetMuxLayout(mux, 8);
    QCOMPARE(forms::CheckListColumns(mux), 4);
    QCOMPARE(mux->height(), 40);
  }

  void pulseAnimationRunsAtTheSetSpeed() {
    auto w = Built();
    auto *anim = qobject_cast<forms::TPulseAnimation *>(w->findChild<QLabel *>("PulseAnimate"));
    QVERIFY(anim);
    QVERIFY(!anim->Animating());
    anim->setSpeed(200);
    QCOMPARE(anim->FrameInterval(), forms::TPulseAnimation::kFrameMs / 2);
    anim->show();
    anim->Start();
    QVERIFY(anim->FrameCount() > 1);
    const int first = anim->CurrentFrame();
    QTRY_VERIFY(anim->CurrentFrame() != first);
    anim->Stop();
    QVERIFY(!anim->Animating());
    const int stopped = anim->CurrentFrame();
    QTest::qWait(3 * anim->FrameInterval());
    QCOMPARE(anim->CurrentFrame(), stopped);
    QVERIFY(!anim->pixmap().isNull());
    QCOMPARE(w->findChild<QLabel *>("VMBlueBanner")->pixmap().size(), QSize(561, 72));
  }

  // Pictures of the window as the user sees it after an initialisation.
  void snapshots_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("4") << 4;
    QTest::newRow("8") << 8;
  }
  void snapshots() {
    QFETCH(int, count);
    auto w = Built();
    for (int n = 2; n <= count; ++n) forms::CreateChannelPage(w.get(), n);
    for (int n = 1; n <= count; ++n) {
      forms::TrimChannelPage(w.get(), n, count);
      auto *mux = qobject_cast<QListWidget *>(forms::ChannelControl(w.get(), "ChMuxSelect", n));
      forms::SetMuxLayout(mux, count);
      mux->item(n - 1)->setCheckState(Qt::Checked);
    }
    forms::ApplyModelToAdditionalPage(w.get(), count);
    w->findChild<QWidget *>("VMBlueBanner")->show();
    w->findChild<QWidget *>("SystemPageControl")->show();
    w->findChild<QWidget *>("ChPageControl")->show();
    auto *anim = qobject_cast<forms::TPulseAnimation *>(w->findChild<QLabel *>("PulseAnimate"));
    anim->show();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    Shoot(w.get(), QString("main-window-%1ch.png").arg(count));
    auto *sys = w->findChild<QTabWidget *>("SystemPageControl");
    sys->setCurrentIndex(1);
    auto *ch = w->findChild<QTabWidget *>("ChPageControl");
    ch->setCurrentIndex(count - 1);
    w->findChild<QWidget *>("ErrorLabel")->show();
    Shoot(w.get(), QString("main-window-%1ch-additional.png").arg(count));
  }
};

QTEST_MAIN(MainWindowFormTest)
#include "test_main_window_form.moc"
