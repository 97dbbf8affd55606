// The port picker: which ports it offers, what it preselects, what OK and
// Cancel leave in the component.
#include <sys/file.h>

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Dialogs.h"
#include "forms/PickPort.h"
#include "serial/VMComPort.h"
#include "support/PtyPair.h"

namespace {

// Runs `act` on the picker once it is on screen (it is modal: Pick blocks).
void WhenPickerShows(TVMComPort &port, std::function<void(TformPickPort *)> act) {
  auto *poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, &port, act] {
    TformPickPort *dlg = TformPickPort::Current();
    if (!dlg || !dlg->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(dlg);
  });
  poll->start(5);
}

QStringList Entries(TformPickPort *dlg) {
  QStringList out;
  for (int i = 0; i < dlg->listPorts->count(); ++i) out << dlg->listPorts->itemText(i);
  return out;
}

}  // namespace

class PickPortTest : public QObject {
  Q_OBJECT

  std::unique_ptr<vmtest::PortDir> dir;
  std::vector<std::unique_ptr<vmtest::PtyPair>> ptys;

  vmtest::PtyPair &addPort(int n) {
    ptys.push_back(std::make_unique<vmtest::PtyPair>());
    dir->addPort(n, ptys.back()->slavePath());
    return *ptys.back();
  }

 private Q_SLOTS:
  void init() {
    dir = std::make_unique<vmtest::PortDir>();
  }
  void cleanup() {
    ptys.clear();
    dir.reset();
    vm::SetMessageHook({});
  }

  void offersOpenablePortsAndPreselectsTheCurrentOne() {
    addPort(1);
    vmtest::PtyPair &held = addPort(3);
    addPort(4);
    QCOMPARE(flock(held.slaveFd(), LOCK_EX | LOCK_NB), 0);  // another program has COM3
    int boxes = 0;
    vm::SetMessageHook([&](const vm::MessageRequest &) {
      ++boxes;
      return QMessageBox::Abort;
    });

    TVMComPort port;

    vm::InstallPortDialogs(port);
    QStringList entries;
    QString current;
    WhenPickerShows(port, [&](TformPickPort *dlg) {
      entries = Entries(dlg);
      current = dlg->listPorts->currentText();
      dlg->OKBtn->click();
    });
    QVERIFY(port.Pick());
    QCOMPARE(entries, (QStringList{"COM1", "COM4"}));
    QCOMPARE(current, QString("COM1"));
    QCOMPARE(port.Port(), 1);
    QVERIFY(port.ShowErrors());
    QCOMPARE(boxes, 0);
    QVERIFY(TformPickPort::Current() == nullptr);
  }

  void multiDigitPortNumbersSurviveTheChoice() {
    addPort(12);
    addPort(123);
    TVMComPort port;
    vm::InstallPortDialogs(port);
    port.setPort(12);
    WhenPickerShows(port, [](TformPickPort *dlg) {
      dlg->listPorts->setCurrentIndex(dlg->listPorts->findText("COM123"));
      dlg->OKBtn->click();
    });
    QVERIFY(port.Pick());
    QCOMPARE(port.Port(), 123);
  }

  void nothingPreselectedOrCancelLeavesThePort() {
    addPort(2);
    TVMComPort port;
    vm::InstallPortDialogs(port);
    port.setPort(9);
    QString current = "unset";
    WhenPickerShows(port, [&](TformPickPort *dlg) {
      current = dlg->listPorts->currentText();
      dlg->OKBtn->click();
    });
    QVERIFY(!port.Pick());
    QVERIFY(current.isEmpty());
    QCOMPARE(port.Port(), 9);

    port.setPort(2);
    WhenPickerShows(port, [](TformPickPort *dlg) { dlg->CancelBtn->click(); });
    QVERIFY(!port.Pick());
    QCOMPARE(port.Port(), 2);
  }

  void noPortsMeansNoDialog() {
    QStringList texts;
    vm::SetMessageHook([&](const vm::MessageRequest &r) {
      texts << r.text;
      return QMessageBox::Ok;
    });
    TVMComPort port;
    vm::InstallPortDialogs(port);
    bool shown = false;
    WhenPickerShows(port, [&](TformPickPort *dlg) {
      shown = true;
      dlg->reject();
    });
    QVERIFY(!port.Pick());
    QCOMPARE(texts, QStringList{"No available ports."});
    QVERIFY(!shown);
    QVERIFY(TformPickPort::Current() == nullptr);
  }
};

QTEST_MAIN(PickPortTest)
#include "test_pickport.moc"
