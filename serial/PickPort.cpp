#include "serial/PickPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

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
