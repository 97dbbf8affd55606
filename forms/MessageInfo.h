#pragma once
// TMessageForm: the small, non-interactive progress window ("Initializing")
// shown while the configuration or the calibration is read.
#include <QWidget>

class QLabel;

class TMessageForm : public QWidget {
  Q_OBJECT
 public:
  explicit TMessageForm(QWidget *parent = nullptr);
  ~TMessageForm() override;
  QLabel *MessageLabel = nullptr;
};

extern TMessageForm *MessageForm;
