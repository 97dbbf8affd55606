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
#include <QColor>
#include <QRect>

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
  Q_PROPERTY(QChar ThousandSeparator READ ThousandSeparator WRITE setThousandSeparator)
  Q_PROPERTY(int Base READ Base WRITE setBase)
  Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE setEditorEnabled)
  Q_PROPERTY(bool TrackSpin READ TrackSpin WRITE setTrackSpin)
  Q_PROPERTY(bool EnterRequired READ EnterRequired WRITE setEnterRequired)
  Q_PROPERTY(int LeadingDigits READ LeadingDigits WRITE setLeadingDigits)
  Q_PROPERTY(QColor Color READ Color WRITE setColor)

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

  // Background of the text area; an invalid colour (the default) means the
  // palette's base colour.
  QColor Color() const;
  void setColor(const QColor &c);

  // Auto-repeat of the step buttons: first repeat after this delay, then
  // one step per interval.
  static constexpr int kRepeatDelay = 500;
  static constexpr int kRepeatInterval = 150;

  // The current digit, as an exponent of the base (0 units, 1 tens, -1 first
  // decimal ...). Setting it moves the mark as a click on that digit does.
  int IncExponent() const;
  void SetIncExponent(int e);
  // Pixel box of the current digit in widget coordinates, and the left end
  // of the drawn text.
  QRect FocusRect() const;
  int TextLeft() const;
  bool DisplayFieldsInitialized() const;
  bool Spinning() const;

  QSize sizeHint() const override;

  // Maps the family the window descriptions use (Tahoma) to installed sans
  // faces when it is missing. Runs once; the first control calls it, and a
  // window may call it earlier so that its own texts get the same faces.
  static void InstallFontSubstitutes();

protected:
  // Raises OnChange. Called once per effective change of the value.
  virtual void Change();

  bool event(QEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;
  void paintEvent(QPaintEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
  void changeEvent(QEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;
  void keyReleaseEvent(QKeyEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseDoubleClickEvent(QMouseEvent *e) override;
  void focusInEvent(QFocusEvent *e) override;
  void focusOutEvent(QFocusEvent *e) override;
  void hideEvent(QHideEvent *e) override;

Q_SIGNALS:
  void OnChange(TPlusSpinEdit *Sender);
  void OnSetIncrement(TPlusSpinEdit *Sender);

private Q_SLOTS:
  // One tick of the auto-repeat timer.
  void RepeatTick();

private:
  struct Private;
  Private *d;

  void StepUp(QObject *Sender);
  void StepDown(QObject *Sender);
  void Step(int direction, QObject *Sender);
  void ButtonMouseDown(QPushButton *button);
  void ButtonMouseUp();
  void EndSpin();
  bool TypeCharacter(QChar c);  // false: the key is not used
  void MeasureFont();
  void ApplyAutoSize();
  void LayoutButtons();
  void EnsureLayout() const;
  void UpdateDisplayFields();
  void Reformatted();
};
