#pragma once
// The planning panel of the timing diagram in demonstration mode: the period,
// the system mode and its counts, and per channel the settings the waveform
// model reads. It edits its own copy of the diagram's input, nothing else:
// there is no instrument to send to and the session's caches stay as they are.
//
// Times are typed in seconds as the main window's spin edits take them, or
// with a unit ("100 ns", "1.5 us"); a time off the resolution grid is refused
// and the stored one shown again, as in the main window. Sync sources that
// would close a loop are refused with the main window's message.
#include <QGroupBox>
#include <array>
#include <functional>
#include <vector>

#include "diagram/core/TimingModel.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

class TDiagramPlanPanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit TDiagramPlanPanel(const vm::TDiagramInput &input, QWidget *parent = nullptr);

  const vm::TDiagramInput &Input() const { return input_; }

 Q_SIGNALS:
  void Edited();  // Input() changed

 private:
  struct ChannelRow {
    QCheckBox *enabled;
    QLineEdit *delay, *width;
    QComboBox *sync, *mode, *polarity;
    QDoubleSpinBox *burst, *dutyOn, *dutyOff, *wait;
  };

  QLineEdit *TimeEdit(const QString &name, double *field, double resolution, double min,
                      double max, int decimals);
  QDoubleSpinBox *CountEdit(const QString &name, double min, double max,
                            const std::function<void(double)> &store);
  QComboBox *ListEdit(const QString &name, const QStringList &items);
  void ChangeSync(int n);
  void ShowValues();
  void EnableCounts();
  void Changed();

  vm::TDiagramInput input_;
  QLineEdit *period_;
  QComboBox *sysMode_;
  QDoubleSpinBox *sysBurst_, *sysDutyOn_, *sysDutyOff_, *sysCycles_;
  std::array<ChannelRow, vm::kMaxChannels + 1> rows_{};  // 1..ChannelCount
  struct TimeField {
    QLineEdit *edit;
    double *value;  // in input_
    int decimals;   // in seconds, as the main window's control shows it
  };
  std::vector<TimeField> times_;
  bool showing_ = false;  // the controls are being filled: not the user's edits
};
