// Settings file save/restore, the terminal's history and sending, against the
// scripted instrument (the input clock's round trip against the simulated one).
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

#include <mutex>

#include "ui/FileDialogs.h"
#include "main/MainTestUtil.h"
#include "sim/engine/Instrument.h"

using namespace vmtest;

namespace {

// Answers every file dialog with `answer` and remembers the dialogs seen.
struct FileDialogs {
  FileDialogs() {
    old = vm::SetFileDialogHook([this](QFileDialog *d) {
      titles << d->windowTitle();
      suffixes << d->defaultSuffix();
      if (onShow) onShow();
      return answer;
    });
  }
  ~FileDialogs() { vm::SetFileDialogHook(old); }
  QString answer;
  QStringList titles, suffixes;
  std::function<void()> onShow;
  vm::FileDialogHook old;
};

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList Items(const QComboBox *c) {
  QStringList s;
  for (int i = 0; i < c->count(); ++i) s << c->itemText(i);
  return s;
}

}  // namespace

class SettingsToolsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void saveRereadsAndWritesTheRecord() {
    ScratchCwd cwd;
    Bench b("5208");
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    // Cancelled: the instrument is read again all the same, nothing written.
    const int before = b.inst.count("*CFG? 8?");
    f.SaveToFile1Click();
    QCOMPARE(b.inst.count("*CFG? 8?"), before + 1);
    QCOMPARE(b.boxes.texts(), QStringList({"Save to file was cancelled"}));
    QCOMPARE(dialogs.titles, QStringList({"Save system parameters"}));
    QCOMPARE(dialogs.suffixes, QStringList({"txt"}));
    QVERIFY(QDir(cwd.path()).entryList(QDir::Files).isEmpty());

    // Saved: the record as it now is, CR LF after every line, no mark;
    // an existing file is replaced.
    dialogs.answer = cwd.path() + "/settings.txt";
    WriteAll(dialogs.answer, QByteArray(5000, 'x'));
    b.inst.set("*CFG? 90?", "ENA FAL LOW 1.25 ENA");
    f.SaveToFile1Click();
    QCOMPARE(b.boxes.seen.size(), size_t(1));
    QCOMPARE(f.Session.SettingsList.size(), 20);
    QVERIFY(f.Session.SettingsList.contains("*CFG 90 ENA FAL LOW 1.25 ENA"));
    QCOMPARE(ReadAll(dialogs.answer), (f.Session.SettingsList.join("\r\n") + "\r\n").toLatin1());
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files), QStringList({"settings.txt"}));

    // A folder that does not exist: the error is shown, nothing is left.
    dialogs.answer = cwd.path() + "/gone/settings.txt";
    f.SaveToFile1Click();
    QCOMPARE(b.boxes.seen.size(), size_t(2));
    QVERIFY(b.boxes.seen.back().text.startsWith("The settings could not be saved"));
    QVERIFY(!QFile::exists(dialogs.answer));
  }

  // A Refresh served while the save dialog is open fails: the incomplete
  // record it leaves is not written.
  void saveAfterAFailedReadbackDuringItsDialogWritesNothing() {
    ScratchCwd cwd;
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    dialogs.answer = cwd.path() + "/settings.txt";
    dialogs.onShow = [&] {
      b.inst.set("*CFG? 3?", "1  0.0005 NORM 1 1 1 0 TTL NORM 5 4 DIS DIS DIS HIGH T0");
      f.Up1Click();
      f.ProcessTasks();
    };
    f.SaveToFile1Click();
    QCOMPARE(b.boxes.texts().size(), 2);  // the reading's error, then this one
    QVERIFY(b.boxes.texts().last().startsWith("The settings were not saved"));
    QVERIFY(!QFile::exists(dialogs.answer));
  }

  void restoreSendsCommandLinesThenReadsBack() {
    ScratchCwd cwd;
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    // Cancelled: nothing read, sent or re-read.
    const size_t lines = b.inst.lines().size();
    f.RestoreSettingsFromFile1Click();
    QTest::qWait(50);
    QVERIFY(b.inst.lines().size() <= lines + 2);  // a status poll at most
    QVERIFY(b.boxes.seen.empty());

    // UTF-16 with its mark and bare CR line ends; "//" anywhere is a
    // comment, an empty line is sent as CR LF alone.
    dialogs.answer = cwd.path() + "/in.txt";
    const QString text = "// saved\r:PULS1:WIDT 0.000002\r:SYST:AUT 1 // remark\r\r*CFG 0 0 0.002 NORM 1 1 1 0\r";
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    WriteAll(dialogs.answer, utf16);
    b.inst.set("*CFG? 0?", "0 0.002 NORM 1 1 1 0");
    const int start = int(b.inst.lines().size());
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(b.boxes.texts(), QStringList({"Settings loaded."}));
    const int w = b.inst.find(":PULS1:WIDT 0.000002", start);
    QVERIFY(w >= 0);
    QCOMPARE(b.inst.find("", w), w + 1);
    QCOMPARE(b.inst.find("*CFG 0 0 0.002 NORM 1 1 1 0", w), w + 2);
    QVERIFY(b.inst.find("*CFG? 4?", w) > w + 2);  // read back afterwards
    QCOMPARE(b.inst.count(":SYST:AUT 1"), 0);
    QVERIFY(f.Session.SettingsList.contains("*CFG 0 0 0.002 NORM 1 1 1 0"));
    QVERIFY(!MessageForm->isVisible());

    // Comments only: nothing sent, read back, reported loaded.
    WriteAll(dialogs.answer, "// a\n// b\n");
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(b.boxes.texts().last(), QString("Settings loaded."));
    // An empty file says so, then reads back.
    WriteAll(dialogs.answer, "");
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(b.boxes.texts().mid(2), QStringList({"Empty file.", "Settings loaded."}));
  }

  // Against the simulated instrument, which takes only the command's words:
  // the internal oscillator saved, an external clock chosen, the restore
  // must bring the oscillator back; so must a file of an earlier version.
  void inputClockComesBackWithARestore() {
    vmsim::InstrumentConfig config;
    config.identity.model = "5208";
    vmsim::Instrument sim(config);
    std::mutex m;
    auto send = [&](const char *line) {
      std::lock_guard<std::mutex> g(m);
      return sim.HandleLine(line, 0);
    };
    auto clock = [&] {
      std::lock_guard<std::mutex> g(m);
      return sim.settings().inputClock;
    };
    ScratchCwd cwd;
    Bench b("5208");
    b.inst.responder.handler([&](const std::string &line, int) -> std::optional<std::string> {
      std::lock_guard<std::mutex> g(m);
      return sim.HandleLine(line, 0);
    });
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    dialogs.answer = cwd.path() + "/settings.txt";
    f.SaveToFile1Click();
    QVERIFY(QFile::exists(dialogs.answer));
    QCOMPARE(send(":PULS0:ICL 25"), std::string("OK"));
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(b.boxes.texts(), QStringList({"Settings loaded."}));
    QCOMPARE(clock(), 0);

    QCOMPARE(send(":PULS0:ICL 25"), std::string("OK"));
    WriteAll(dialogs.answer, "// an older file\r\n:PULS0:ICL INT\r\n");
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(clock(), 0);
  }

  void unreadableFileLeavesTheProgramWorking() {
    ScratchCwd cwd;
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    dialogs.answer = cwd.path() + "/vanished.txt";
    const QStringList record = f.Session.SettingsList;
    f.RestoreSettingsFromFile1Click();
    QCOMPARE(b.boxes.seen.size(), size_t(1));
    QVERIFY(b.boxes.seen[0].text.contains("could not be read"));
    QVERIFY(!MessageForm->isVisible());
    QCOMPARE(f.Session.SettingsList, record);
    QVERIFY(f.StatusTimer->isActive() && !f.Session.CommandsDisabled() &&
            !f.Session.SettingsFileBusy());
    f.QueuedCommandToPort(":PULS0:STAT ON");
    QTRY_COMPARE(b.inst.count(":PULS0:STAT ON"), 1);
  }

  void secondRestoreDuringTheReplayIsRefused() {
    ScratchCwd cwd;
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    FileDialogs dialogs;
    dialogs.answer = cwd.path() + "/in.txt";
    WriteAll(dialogs.answer, ":PULS1:STAT 1\r\n:PULS2:STAT 1\r\n:PULS3:STAT 1\r\n");
    // Menu clicks arriving through the replay's event dispatch.
    bool fired = false;
    QTimer::singleShot(40, &f, [&] {
      fired = true;
      f.RestoreSettingsFromFile1Click();
      f.SaveToFile1Click();
    });
    f.RestoreSettingsFromFile1Click();
    QTRY_VERIFY(fired);
    QTest::qWait(50);  // a deferred click runs once the exchange has ended
    QCOMPARE(dialogs.titles.size(), 1);
    QCOMPARE(b.inst.count(":PULS2:STAT 1"), 1);
    const QStringList texts = b.boxes.texts();
    QCOMPARE(texts.count("Settings loaded."), 1);
    QCOMPARE(texts.size(), 3);  // two refusals and the one completion
  }

  // A screen that cannot be captured: an error, and no black picture.
  void failedScreenGrabWritesNothing() {
    ScratchCwd cwd;
    Bench b("5204");
    b.form->GrabScreen = [](const QRect &) { return QPixmap(); };
    b.form->CaptureScreenShot1Click();
    QCOMPARE(b.boxes.seen.size(), size_t(1));
    QVERIFY(b.boxes.seen[0].text.endsWith("was not written: the screen could not be captured."));
    QVERIFY(QDir(cwd.path()).entryList(QDir::Files).isEmpty());
  }

  // Typed with real keys, as a user does: what is sent is what was typed.
  void terminalSendsAndKeepsHistory() {
    Bench b("5204");
    TMainForm &f = *b.form;
    b.Launch();
    auto *edit = f.findChild<QComboBox *>("SendEdit");
    // A completer only completes in a field that has the focus.
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    const auto type = [edit](const QString &text) {
      QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(edit, Qt::Key_Backspace);
      QTest::keyClicks(edit, text);
    };
    type("*IDN?");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Return);  // the text stays: sent again
    type(":PULS1:DEL 1e-6");
    QTest::keyClick(edit, Qt::Key_Return);
    // Beginnings of history items are not completed from the history.
    for (const char *line : {"*i", ":PULS1:DEL 1", ""}) {
      type(line);
      QTest::keyClick(edit, Qt::Key_Return);
    }
    QTRY_COMPARE(b.inst.count(""), 1);
    QCOMPARE(b.inst.count("*IDN?"), 2);
    QCOMPARE(b.inst.count("*i"), 1);
    QCOMPARE(b.inst.count(":PULS1:DEL 1"), 1);
    QCOMPARE(Items(edit), QStringList({"*IDN?", "*IDN?", ":PULS1:DEL 1e-6", "*i",
                                       ":PULS1:DEL 1", ""}));
    QCOMPARE(edit->currentIndex(), -1);

    // Ctrl+Backspace with nothing selected removes nothing, and is no
    // "delete word" in the text either.
    type(":PULS1:DEL 2");
    QTest::keyClick(edit, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(edit->count(), 6);
    QCOMPARE(edit->currentText(), QString(":PULS1:DEL 2"));
    // An item picked and re-sent is still the one Ctrl+Backspace removes.
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->currentText(), QString("*IDN?"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(Items(edit), QStringList({"*IDN?", ":PULS1:DEL 1e-6", "*i", ":PULS1:DEL 1", "",
                                       "*IDN?"}));
    QCOMPARE(edit->currentText(), QString("*IDN?"));
    QTRY_COMPARE(b.inst.count("*IDN?"), 3);

    // While commands are off the line is dropped, but kept in the history.
    {
      const vm::HoldCount::Hold off(f.Session.Busy.CommandsOff);
      type(":PULS0:STAT ON");
      QTest::keyClick(edit, Qt::Key_Return);
    }
    QTest::qWait(50);
    QCOMPARE(b.inst.count(":PULS0:STAT ON"), 0);
    QCOMPARE(Items(edit).last(), QString(":PULS0:STAT ON"));
  }
};

QTEST_MAIN(SettingsToolsTest)
#include "test_settings_tools.moc"
