#pragma once
// TServiceForm: the service window. A technician reads the instrument's
// calibration constants here, edits them (each edit is sent at once), stores
// them in the instrument, saves them to a calibration file or sends such a
// file back, and sets the unit's serial number and model. Hidden until opened
// from the main window; every opening starts with a fresh readback.
//
// The window works on the session it was handed: its link and command
// queue, its busy model (the calibration readback and load are work of their
// own there), the identity, ChannelCount, the trigger/gate calibration and
// CalSettingsList.
#include <QList>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "forms/ServiceWindowForm.h"
#include "service/core/Calibration.h"

class QFileDialog;
class QLabel;
class QTimer;
class TInstrumentSession;
class TPlusSpinEdit;

class TServiceForm : public QWidget {
  Q_OBJECT
 public:
  // A window on `session`, which outlives it.
  explicit TServiceForm(TInstrumentSession &session, QWidget *parent = nullptr);
  ~TServiceForm() override;

  TInstrumentSession &Session;
  // The open-file dialog of the calibration load: the main window's, which
  // keeps the last folder and file (set by the program's entry). Unset, the
  // window has one of its own.
  std::function<QFileDialog *()> OpenFile;

  // Channel calibration beside the controls: the last value read from or
  // sent to the instrument (the trigger/gate input's is the session's).
  vm::TCalibration Cal;

  // Spin edit arrays indexed by channel (1..8; element 0 unused).
  std::array<TPlusSpinEdit *, 9> ChDelayCalAdj{};
  std::array<TPlusSpinEdit *, 9> ChWidthCalAdj{};
  std::array<TPlusSpinEdit *, 9> ChAmpGainAdj{};
  std::array<TPlusSpinEdit *, 9> ChAmpOffAdj{};
  // Per page: the control that had the focus when the page was left.
  QList<QWidget *> FActiveCalControls;
  bool ServiceTabsCreated = false;

  QTimer *CalTimer = nullptr;
  QLabel *StoreCalReminderLbl = nullptr;

  // --- Calibration window ----------------------------------------------------
  void ServiceInitialize();
  void RetrieveCals();
  void SetChDelayCal(QObject *Sender);
  void SetChWidthCal(QObject *Sender);
  void SetChAmpGainCal(QObject *Sender);
  void SetChAmpOffCal(QObject *Sender);
  void TrigGateAmpGainAdjChange();
  void TrigGateAmpOffAdjChange();
  void StoreCalsBtnClick();
  void CalTimerTimer();
  void ChPageCalibrationChanging();
  void ChPageCalibrationChange();

  // --- Calibration file and unit identity (ServiceFile.cpp) -----------------
  void SaveCalsBtnClick();
  void LoadCalsBtnClick();
  void LoadCalibrations();
  void SerialNumSetBtnClick();
  void NumChSelectClick();
  void SetBadge();

  // Encoding the next saved file is written in: that of the last file
  // loaded (plain bytes until a file with a byte-order mark was loaded).
  int SaveEncoding = 0;  // vm::TextEncoding

 private:
  QFileDialog *OpenFileDialog();
  // Builds the pages of channels up to `count` that do not exist yet and
  // binds and connects their controls.
  void EnsureCalPages(int count);
  void BindCalPage(int n, const forms::TCalPage &page);
  void ConnectCalPage(int n);
  void ShowReminder(bool on);
  void ShowProgress(const QString &text);
  void CloseProgress();
  // A readback still pending (deferred behind a status poll) is retried by
  // CalTimer: after a load that stopped the timer and then ended early.
  void ResumeDeferredReadback();
  // A save asked for while the readback was deferred: written once the
  // deferred readback has completed.
  void WriteCalFile(const QString &path);
  QString FPendingSavePath;
  bool FSaveWaiting = false;
  bool FRestoringFocus = false;  // focus moves made by the page change are not remembered
  // The controls the window was built with.
  forms::TServiceWindowControls Ui;

  // Context of the focus-memory connection; declared last, so it goes (and
  // the connection with it) before the memory does.
  QObject FFocusWatch;
};

extern TServiceForm *ServiceForm;
