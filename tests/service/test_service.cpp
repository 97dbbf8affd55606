// The service window against a scripted instrument: readback, edits, store,
// deferral behind a status poll, the calibration file, serial number, model,
// and the access code of the main window's Tools menu.
#include <QButtonGroup>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "ui/Dialogs.h"
#include "ui/FileDialogs.h"
#include "controls/plussped.h"
#include "main/MainTestUtil.h"
#include "service/Service.h"

using namespace vmtest;

namespace {

void SetCalReplies(FakeInstrument &inst, const std::string &serial = "4321") {
  inst.set("*SER?", serial);
  inst.set("*BAD?", "5208");
  inst.set(":PULS0:CAL:EXT:GAIN?", "10.5");
  inst.set(":PULS0:CAL:EXT:OFF?", "-2");
  for (int n = 1; n <= 8; ++n) {
    const std::string p = ":PULS" + std::to_string(n) + ":CAL:";
    inst.set(p + "WID?", std::to_string(100 + n));
    inst.set(p + "DEL?", std::to_string(20 + n));
    inst.set(p + "GAIN?", "200");
    inst.set(p + "OFF?", "100");
  }
}

QStringList Take(TMainForm &f) {
  QStringList out;
  while (auto c = f.Session.Tasks.TakeNextCommand()) out << QString::fromStdString(*c);
  return out;
}

// Answers every file dialog with `answer` (empty: cancelled) and keeps the
// dialogs shown.
struct FileAnswers {
  FileAnswers() {
    old = vm::SetFileDialogHook([this](QFileDialog *d) {
      shown << d;
      return answer;
    });
  }
  ~FileAnswers() { vm::SetFileDialogHook(old); }
  QString answer;
  QList<QPointer<QFileDialog>> shown;
  vm::FileDialogHook old;
};

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ServiceTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void readbackOrderListAndModelPages() {
    Bench b("5204");
    SetCalReplies(b.inst);
    b.form->Session.ChannelCount = 4;
    TServiceForm s(b.form->Session);
    s.ServiceInitialize();
    const auto lines = b.inst.lines();
    const std::vector<std::string> start = {":SYST:SEC 73952", "*SAVC 0", "*SER?", "*BAD?",
                                            ":PULS0:CAL:EXT:GAIN?", ":PULS0:CAL:EXT:OFF?",
                                            ":PULS1:CAL:WID?", ":PULS1:CAL:DEL?"};
    QCOMPARE(int(lines.size()), 2 + 4 + 4 * 4);
    QVERIFY(std::equal(start.begin(), start.end(), lines.begin()));
    const QStringList &list = b.form->Session.CalSettingsList;
    QCOMPARE(list.size(), 25);
    QCOMPARE(list[2], QString("// Serial Number: 1234"));  // as it was before
    QCOMPARE(list[5], QString("*SER 4321"));
    QCOMPARE(list[24], QString(":PULS4:CAL:OFF 100"));
    QCOMPARE(b.form->Session.SerialNumber, 4321);
    QCOMPARE(s.findChild<QLineEdit *>("SerialNumEdit")->text(), QString("4321"));
    QVERIFY(s.findChild<QRadioButton *>("NumChSelectItem0")->isChecked());
    QVERIFY(Take(*b.form).isEmpty());  // filling the controls sent nothing
    QVERIFY(!b.form->Session.CalReadPending() && !b.form->Session.CommandsDisabled());

    // "8 - 5208" on a window built for four channels: the missing pages are
    // built and the next readback has a control for every channel.
    QTest::mouseClick(s.findChild<QRadioButton *>("NumChSelectItem2"), Qt::LeftButton);
    QCOMPARE(Take(*b.form), QStringList{"*BAD 5208"});
    QCOMPARE(b.form->Session.ChannelCount, 8);
    QCOMPARE(s.findChild<QTabWidget *>("ChPageCalibration")->count(), 8);
    QVERIFY(s.findChild<QLabel *>("StoreCalReminderLbl")->isVisibleTo(&s));
    b.form->Session.ModelNumber = "5218";  // not offered: the choice stands
    s.RetrieveCals();
    QCOMPARE(b.form->Session.CalSettingsList.size(), 41);
    QCOMPARE(s.ChWidthCalAdj[8]->Value(), 108.0);
  }

  // Pages built while their readback waits show channel 1's values meanwhile.
  void laterPagesStartFromChannelOne() {
    Bench b("5204");
    TServiceForm s(b.form->Session);
    s.ChDelayCalAdj[1]->SetValue(30);
    s.ChAmpGainAdj[1]->SetValue(180);
    std::optional<vm::BusyModel::Guard> poll(b.form->Session.Busy.Start(vm::Work::StatusPoll));
    s.ServiceInitialize();
    for (int n = 2; n <= 4; ++n) {
      QCOMPARE(s.ChDelayCalAdj[n]->Value(), 30.0);
      QCOMPARE(s.ChAmpGainAdj[n]->Value(), 180.0);
    }
    QVERIFY(Take(*b.form).isEmpty());
  }

  void editsQueueTheirCommands() {
    Bench b("5204");
    SetCalReplies(b.inst);
    TServiceForm s(b.form->Session);
    s.ServiceInitialize();
    s.show();
    Take(*b.form);

    // Delay up by 5 with the width at 101: the width follows.
    s.ChDelayCalAdj[1]->AssignValue(26.0);
    QCOMPARE(Take(*b.form), (QStringList{":PULS1:CAL:DEL 26", ":PULS1:CAL:WID 106"}));
    // Width at its maximum: the delay moves alone.
    s.ChWidthCalAdj[2]->AssignValue(200.0);
    Take(*b.form);
    s.ChDelayCalAdj[2]->setFocus();
    s.ChDelayCalAdj[2]->SetIncExponent(0);
    QTest::keyClick(s.ChDelayCalAdj[2], Qt::Key_Up);
    QCOMPARE(Take(*b.form), QStringList{":PULS2:CAL:DEL 23"});
    QCOMPARE(s.Cal.Channel[2].WidthCal, 200);

    // Gain steps of 0.1 send the nearest whole number, halves to even.
    QStringList gains;
    for (int i = 0; i < 6; ++i) {
      s.ChAmpGainAdj[3]->AssignValue(200.0 + 0.1 * (i + 1));
      gains << Take(*b.form);
    }
    QCOMPARE(gains, QStringList({":PULS3:CAL:GAIN 200", ":PULS3:CAL:GAIN 200",
                                 ":PULS3:CAL:GAIN 200", ":PULS3:CAL:GAIN 200",
                                 ":PULS3:CAL:GAIN 200", ":PULS3:CAL:GAIN 201"}));
    // The trigger/gate gain is sent as it is.
    s.findChild<TPlusSpinEdit *>("TrigGateAmpGainAdj")->AssignValue(10.7);
    QCOMPARE(Take(*b.form), QStringList{":PULS0:CAL:EXT:GAIN 10.7"});

    QTest::mouseClick(s.findChild<QPushButton *>("StoreCalsBtn"), Qt::LeftButton);
    QCOMPARE(Take(*b.form), (QStringList{"*SAVC", "*SAVC 0"}));
    QVERIFY(!s.findChild<QLabel *>("StoreCalReminderLbl")->isVisibleTo(&s));

    // Serial number: not a whole 32-bit number -> error, nothing sent.
    auto *edit = s.findChild<QLineEdit *>("SerialNumEdit");
    for (const char *bad : {"12.5", "99999999999", "abc", "-$10"}) {
      edit->setText(bad);
      s.SerialNumSetBtnClick();
    }
    QCOMPARE(b.boxes.texts().size(), 4);
    QVERIFY(Take(*b.form).isEmpty());
    QCOMPARE(b.form->Session.SerialNumber, 4321);
    edit->setText("00000");
    s.SerialNumSetBtnClick();
    QCOMPARE(Take(*b.form), QStringList{"*SER 0"});
  }

  void readbackAndSaveWaitForAStatusPoll() {
    Bench b("5204");
    SetCalReplies(b.inst, "1111");
    ScratchCwd cwd;
    TServiceForm s(b.form->Session);
    s.ServiceInitialize();
    SetCalReplies(b.inst, "2222");  // the instrument changed meanwhile
    const int before = int(b.inst.lines().size());

    // A poll waits for its reply.
    std::optional<vm::BusyModel::Guard> poll(b.form->Session.Busy.Start(vm::Work::StatusPoll));
    const QString path = cwd.path() + "/cal.txt";
    FileAnswers files;
    files.answer = path;
    s.SaveCalsBtnClick();
    QCOMPARE(int(b.inst.lines().size()), before);
    QVERIFY(b.form->Session.CalReadPending());
    QVERIFY(!QFile::exists(path));  // not the previous readback
    poll.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!b.form->Session.CalReadPending(), 3000);
    const QByteArray file = ReadAll(path);
    QVERIFY(file.contains("\r\n*SER 2222\r\n"));
    QVERIFY(!file.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(file.count("\r\n"), 25);
  }

  void loadSendsTheFileThenReadsBack() {
    Bench b("5204");
    SetCalReplies(b.inst);
    ScratchCwd cwd;
    TServiceForm s(b.form->Session);
    s.OpenFile = [&b] { return b.form->OpenFile(); };  // as the program's entry wires it
    s.ServiceInitialize();
    const QString path = cwd.path() + "/in.txt";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF// a comment\r\n:PULS1:CAL:DEL 30\r\n\r\n:PULS2:CAL:WID 90 // note\r\n");
    f.close();
    FileAnswers files;
    files.answer = path;
    const int from = int(b.inst.lines().size());
    s.LoadCalibrations();
    // The main window's open dialog, which keeps the last file chosen.
    QCOMPARE(files.shown.last().data(), b.form->findChild<QFileDialog *>("OpenFile"));
    const auto lines = b.inst.lines();
    QCOMPARE(lines[size_t(from)], std::string(":PULS1:CAL:DEL 30"));
    QCOMPARE(lines[size_t(from) + 1], std::string(""));
    QCOMPARE(lines[size_t(from) + 2], std::string(":SYST:SEC 73952"));  // the readback
    QCOMPARE(b.boxes.texts().last(), QString("Settings loaded."));
    QVERIFY(!b.form->Session.CalLoadPending());
    // The next save keeps the loaded file's encoding.
    files.answer = cwd.path() + "/out.txt";
    s.SaveCalsBtnClick();
    QVERIFY(ReadAll(cwd.path() + "/out.txt").startsWith("\xEF\xBB\xBF// "));

    // A file that cannot be read: the poll is not held off, the error shows.
    files.answer = cwd.path();  // a folder
    s.LoadCalibrations();
    QVERIFY(!b.form->Session.CalLoadPending());
    QVERIFY(b.boxes.texts().last().startsWith("Could not read"));
    QVERIFY(!MessageForm->isVisible());
  }

  // A load chosen while a deferred readback waits, cancelled or unreadable:
  // the readback still runs, so the status poll is not held off for good.
  void loadEndingEarlyLeavesThePendingReadbackToRun() {
    Bench b("5204");
    SetCalReplies(b.inst);
    ScratchCwd cwd;
    TServiceForm s(b.form->Session);
    FileAnswers files;
    for (const QString &answer : {QString(), cwd.path()}) {
      files.answer = answer;
      std::optional<vm::BusyModel::Guard> poll(b.form->Session.Busy.Start(vm::Work::StatusPoll));
      s.ServiceInitialize();  // deferred to CalTimer
      poll.reset();
      s.LoadCalsBtnClick();
      QVERIFY(!b.form->Session.CalLoadPending());
      QTRY_VERIFY_WITH_TIMEOUT(!b.form->Session.CalReadPending(), 3000);
    }
  }

  // A readback run from an event dispatched inside an initialisation: sending
  // stays off until the initialisation has filled its own controls.
  void readbackInsideAnInitialisationKeepsCommandsOff() {
    Bench b("5204");
    SetCalReplies(b.inst);
    TServiceForm s(b.form->Session);
    bool nested = false, offAfterReadback = false;
    QTimer::singleShot(0, &s, [&] {
      nested = b.form->Session.InitializeRunning();
      s.ServiceInitialize();
      offAfterReadback = b.form->Session.CommandsDisabled();
    });
    b.Launch();
    QVERIFY(nested && !b.form->Session.CalReadPending());
    QVERIFY(Take(*b.form).isEmpty());  // the filled controls queued nothing
    QVERIFY(offAfterReadback);
    QVERIFY(!b.form->Session.CommandsDisabled());
  }

  // The page focus memory follows keyboard page changes too.
  void pageFocusFollowsKeyboardPageChanges() {
    Bench b("5204");
    SetCalReplies(b.inst);
    TServiceForm s(b.form->Session);
    s.ServiceInitialize();
    s.show();
    QVERIFY(QTest::qWaitForWindowActive(&s));
    auto *pc = s.findChild<QTabWidget *>("ChPageCalibration");
    QWidget *width1 = s.ChWidthCalAdj[1];
    width1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), width1);
    QTest::keyClick(width1, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(pc->currentIndex(), 1);
    // From the tabs, an arrow key back to page 1: its control has the focus.
    QWidget *tabs = pc->tabBar();
    tabs->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), tabs);
    QTest::keyClick(tabs, Qt::Key_Left);
    QCOMPARE(pc->currentIndex(), 0);
    QCOMPARE(QApplication::focusWidget(), width1);
  }

  void accessCode() {
    Bench b;
    int opened = 0;
    b.form->OpenServiceWindow = [&] { ++opened; };
    QString typed;
    bool accept = true;
    auto old = vm::SetInputHook([&](const QString &, const QString &, bool *ok) {
      *ok = accept;
      return typed;
    });
    const std::pair<QString, bool> wrong[] = {{"73952 ", true}, {"73952", false}, {"", true}};
    for (const auto &[text, ok] : wrong) {
      typed = text;
      accept = ok;
      b.form->ServiceMenuClick();
      QCOMPARE(b.boxes.texts().last(), QString("Incorrect Code"));
      QVERIFY(!b.form->ServiceWindowRequested);
    }
    typed = "73952";
    accept = true;
    b.form->ServiceMenuClick();
    QCOMPARE(b.boxes.texts().last(), QString("System Unsecured"));
    QVERIFY(b.form->ServiceWindowRequested);
    // The next status tick opens the window.
    b.form->StatusTimerTimer();
    QCOMPARE(b.boxes.texts().last(), QString("System Unsecured"));
    QCOMPARE(opened, 1);
    QVERIFY(!b.form->ServiceWindowRequested);
    vm::SetInputHook(old);
  }
};

QTEST_MAIN(ServiceTest)
#include "test_service.moc"
