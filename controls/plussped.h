#pragma once
// TPlusSpinEdit: the numeric control in which every number of the program is
// shown and edited digit by digit. The marked (current) digit sets the step.
//
// Naming: property readers carry the property's name (Value(), Decimals() ...),
// writers are setXxx(). Two ways to change the value exist on purpose:
//   AssignValue(v)  - what a user's edit and program code use; clamps,
//                     reformats and raises OnChange when the value changed;
//   SetValue(v)     - clamps and reformats silently (no OnChange).
#include <QWidget>
#include <QString>
#include <QChar>

class QTimer;
class QPushButton;

enum TBorderStyle { bsNone, bsSingle };

class TPlusSpinEdit : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double Value READ Value WRITE AssignValue)
  Q_PROPERTY(double MinValue READ MinValue WRITE setMinValue)
  Q_PROPERTY(double MaxValue READ MaxValue WRITE setMaxValue)
  Q_PROPERTY(double Increment READ Increment WRITE setIncrement)
  Q_PROPERTY(int Decimals READ Decimals WRITE setDecimals)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
  Q_PROPERTY(bool Enabled READ SpinEnabled WRITE setSpinEnabled)

public:
  explicit TPlusSpinEdit(QWidget *AOwner = nullptr);
  ~TPlusSpinEdit() override;

  double Value() const;
  void AssignValue(double v);      // raises OnChange on an effective change
  void SetValue(double NewValue);  // silent
  qint64 IntValue() const;         // rounded half to even
  void setIntValue(qint64 v);      // as AssignValue
  QString Text() const;            // the formatted text, placeholders included

  double MinValue() const;
  void setMinValue(double v);
  double MaxValue() const;
  void setMaxValue(double v);
  double Increment() const;
  void setIncrement(double v);
  int Decimals() const;
  void setDecimals(int d);
  QChar ThousandSeparator() const;   // QChar() (code 0) means no grouping
  void setThousandSeparator(QChar c);
  int Base() const;
  void setBase(int b);
  bool AutoSize() const;
  void setAutoSize(bool on);
  TBorderStyle BorderStyle() const;
  void setBorderStyle(TBorderStyle s);
  bool EditorEnabled() const;
  void setEditorEnabled(bool on);
  bool TrackSpin() const;
  void setTrackSpin(bool on);
  // The control's own enabled state: when false it is drawn grey and ignores
  // input but can still take the focus. Not QWidget::setEnabled.
  bool SpinEnabled() const;
  void setSpinEnabled(bool on);
  bool EnterRequired() const;
  void setEnterRequired(bool on);
  int LeadingDigits() const;
  void setLeadingDigits(int n);

  void RightZero();

Q_SIGNALS:
  void OnChange(TPlusSpinEdit *Sender);
  void OnSetIncrement(TPlusSpinEdit *Sender);

private:
  struct Private;
  Private *d;
};
