#pragma once
// TServiceForm: the service window (calibration constants, serial number,
// model). Hidden until opened from the main window.
#include <QWidget>

class TServiceForm : public QWidget {
  Q_OBJECT
 public:
  explicit TServiceForm(QWidget *parent = nullptr);
  ~TServiceForm() override;
};

extern TServiceForm *ServiceForm;
