#pragma once
// TformPickPort: the modal "Select Serial Port" dialog of TVMComPort::Pick,
// and the boxes through which the serial component asks its user.
#include <QDialog>
#include <QStringList>

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

  // The picker while a pick runs, otherwise null.
  static TformPickPort *Current();
  // Runs the modal pick over `ports` with `current` preselected; the chosen
  // entry, or an empty text on Cancel.
  static QString PickFrom(QWidget *parent, const QStringList &ports, const QString &current);

 protected:
  void showEvent(QShowEvent *e) override;
};

namespace vm {
// Makes every TVMComPort show its questions in message boxes and pick its
// port with TformPickPort. Called once by the main window; tests of a bare
// port call it themselves.
void InstallPortDialogs();
}  // namespace vm
