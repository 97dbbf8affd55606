#pragma once
// TformPickPort: the modal "Select Serial Port" dialog of TVMComPort::Pick,
// and the boxes through which the serial component asks its user.
#include <QDialog>
#include <QStringList>

class QComboBox;
class TVMComPort;
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
// Makes `port` show its questions in message boxes and pick its port with
// TformPickPort, parented to `window` (without one, to the first widget
// among the port's owners). The main window installs them on its session's
// port; tests of a bare port call it themselves.
void InstallPortDialogs(TVMComPort &port, QWidget *window = nullptr);
}  // namespace vm
