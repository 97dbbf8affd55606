#include "HandlerFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>

#include "controls/plussped.h"
#include "forms/MainWindowForm.h"

HandlerFixture::HandlerFixture(int channelCount) {
  TStartOptions options;
  options.RunFormCreate = false;
  Form = std::make_unique<TMainForm>(options);
  QueueHeld.emplace(Form->Session.Busy.Start(vm::Work::QueueTick));
  Form->Session.ChannelCount = channelCount;
  Form->CreateChannelTabs();
  for (int n = 1; n <= channelCount; ++n) {
    forms::TrimChannelPage(Form.get(), n, channelCount);
    forms::TrimSyncSourceList(
        forms::ChannelControlAs<QComboBox>(Form.get(), QStringLiteral("ChSyncSourceSel"), n), n,
        channelCount);
  }
  forms::ApplyModelToAdditionalPage(Form.get(), channelCount);
  Form->ConnectSystemHandlers();
  for (int n = 1; n <= channelCount; ++n) Form->ConnectChannelHandlers(n);
  for (const char *pages : {"SystemPageControl", "ChPageControl"})
    if (auto *p = Form->findChild<QTabWidget *>(QString::fromLatin1(pages))) p->show();
  Form->show();
  Form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(Form.get()));
  OldHook = vm::SetMessageHook([this](const vm::MessageRequest &r) {
    Messages << r.text;
    return QMessageBox::Ok;
  });
  Take();
}

HandlerFixture::~HandlerFixture() { vm::SetMessageHook(OldHook); }

QStringList HandlerFixture::Pending() const {
  QStringList out;
  for (const std::string &c : Form->Session.Tasks.PendingCommands())
    out << QString::fromStdString(c);
  return out;
}

QStringList HandlerFixture::Take() {
  QStringList out = Pending();
  while (Form->Session.Tasks.TakeNextCommand()) {
  }
  return out;
}

void HandlerFixture::ChooseItem(QComboBox *list, const QString &caption) {
  const int row = list->findText(caption);
  QVERIFY2(row >= 0, qPrintable(caption));
  list->showPopup();
  QAbstractItemView *view = list->view();
  QVERIFY(QTest::qWaitForWindowExposed(view->window()));
  const QRect r = view->visualRect(view->model()->index(row, list->modelColumn()));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
  QTRY_VERIFY(!view->window()->isVisible());
}

void HandlerFixture::TypeIntoList(QComboBox *list, const QString &text) {
  QLineEdit *edit = list->lineEdit();
  QVERIFY(edit);
  list->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  QTest::keyClick(edit, Qt::Key_Return);
}

void HandlerFixture::KeyOnDigit(TPlusSpinEdit *spin, int exponent, int key) {
  spin->setFocus();
  spin->SetIncExponent(exponent);
  QTest::keyClick(spin, Qt::Key(key));
}

void HandlerFixture::TypeDigit(TPlusSpinEdit *spin, int exponent, char digit) {
  spin->setFocus();
  spin->SetIncExponent(exponent);
  QTest::keyClicks(spin, QString(QChar(digit)));
}

void HandlerFixture::ToggleCheckItem(QListWidget *list, int row) {
  list->setFocus();
  list->setCurrentRow(row);
  QTest::keyClick(list, Qt::Key_Space);
}
