#include "serial/PickPort.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

TformPickPort::TformPickPort(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("formPickPort"));
  setWindowTitle(QStringLiteral("Select Serial Port"));
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  GroupBox1 = new QGroupBox(QStringLiteral("Serial Port"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  listPorts = new QComboBox(GroupBox1);
  listPorts->setObjectName(QStringLiteral("listPorts"));
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}
