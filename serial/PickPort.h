#pragma once
// TformPickPort: the modal "Select Serial Port" dialog of TVMComPort::Pick.
#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;

class TformPickPort : public QDialog {
  Q_OBJECT
 public:
  explicit TformPickPort(QWidget *parent = nullptr);

  QPushButton *OKBtn = nullptr;
  QPushButton *CancelBtn = nullptr;
  QGroupBox *GroupBox1 = nullptr;
  QComboBox *listPorts = nullptr;  // entries "COM<n>"

 protected:
  void showEvent(QShowEvent *e) override;
};
