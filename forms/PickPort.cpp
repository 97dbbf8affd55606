#include "forms/PickPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QPointer>
#include <QScreen>
#include <memory>

#include "serial/VMComPort.h"
#include "ui/Dialogs.h"

namespace {

QPointer<TformPickPort> &CurrentPicker() {
  static QPointer<TformPickPort> p;
  return p;
}

QWidget *WidgetOf(QObject *owner) {
  for (QObject *o = owner; o; o = o->parent())
    if (o->isWidgetType()) return static_cast<QWidget *>(o);
  return nullptr;
}

}  // namespace

TformPickPort::TformPickPort(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("formPickPort"));
  setWindowTitle(QStringLiteral("Select Serial Port"));
  setModal(true);
  setFixedSize(240, 93);

  QFont bold(QStringLiteral("MS Sans Serif"));
  bold.setPixelSize(11);
  bold.setBold(true);
  setFont(bold);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  pal.setColor(QPalette::ButtonText, Qt::black);
  setPalette(pal);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(149, 14, 77, 27);
  OKBtn->setDefault(true);

  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(149, 46, 77, 27);

  GroupBox1 = new QGroupBox(QStringLiteral("Serial Port"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(8, 8, 130, 67);
  QFont regular(QStringLiteral("MS Sans Serif"));
  regular.setPixelSize(13);
  GroupBox1->setFont(regular);

  listPorts = new QComboBox(GroupBox1);  // selection only, no typing
  listPorts->setObjectName(QStringLiteral("listPorts"));
  listPorts->setEditable(false);
  listPorts->setGeometry(11, 25, 108, 24);

  setTabOrder(OKBtn, CancelBtn);
  setTabOrder(CancelBtn, listPorts);

  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TformPickPort::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  if (QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(s->availableGeometry().center());
    move(r.topLeft());
  }
  OKBtn->setFocus(Qt::OtherFocusReason);
}

TformPickPort *TformPickPort::Current() { return CurrentPicker().data(); }

QString TformPickPort::PickFrom(QWidget *parent, const QStringList &ports, const QString &current) {
  auto dlg = std::make_unique<TformPickPort>(parent);
  QPointer<TformPickPort> guard(dlg.get());
  dlg->listPorts->addItems(ports);
  dlg->listPorts->setCurrentIndex(dlg->listPorts->findText(current));
  CurrentPicker() = dlg.get();
  const int answer = dlg->exec();
  if (!guard) {  // destroyed with its parent while it was open
    dlg.release();
    return {};
  }
  CurrentPicker() = nullptr;
  if (answer != QDialog::Accepted || dlg->listPorts->currentIndex() < 0) return {};
  return dlg->listPorts->currentText();
}

namespace vm {

void InstallPortDialogs(TVMComPort &port, QWidget *window) {
  const QPointer<QWidget> boxParent(window);
  const auto parentFor = [boxParent](QObject *owner) {
    return boxParent ? boxParent.data() : WidgetOf(owner);
  };
  port.SetUserAnswers(
      [parentFor](QObject *owner, const TPortQuestion &q) {
        QWidget *parent = parentFor(owner);
        if (q.Kind == TPortQuestion::pqNotice) {
          ShowInfo(parent, q.Text);
          return false;
        }
        MessageRequest req;
        req.icon = QMessageBox::Warning;
        req.title = QStringLiteral("Warning");
        req.text = q.Text;
        req.informativeText = q.Detail;
        req.buttons = QMessageBox::Abort | QMessageBox::Retry;
        return ShowMessage(parent, req) == QMessageBox::Retry;
      },
      [parentFor](QObject *owner, const QStringList &ports, const QString &current) {
        return TformPickPort::PickFrom(parentFor(owner), ports, current);
      });
}

}  // namespace vm
