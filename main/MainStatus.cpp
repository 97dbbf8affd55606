// Status polling once a second: run state, adjustable outputs, shot count,
// the latched error; the shot counter's controls; page focus memory.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "controls/plussped.h"
#include "ui/Dialogs.h"
#include "forms/FormArt.h"
#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "main/core/CommandSet.h"
#include "serial/VMComPort.h"

void TMainForm::StatusTimerTimer() {
  switch (Session.MayStart(vm::Work::StatusPoll)) {
    case vm::Verdict::Run:
      break;
    case vm::Verdict::Cancel:
      // Polling ends for good in demonstration mode.
      StatusTimer->stop();
      return;
    default:  // tried again at the next tick
      return;
  }
  StatusTimer->stop();
  vm::BusyModel::Guard polling = Session.Busy.Start(vm::Work::StatusPoll);
  UpdateStatus();
  if (ServiceWindowRequested && !Session.ExitRequested) {
    if (auto *item = Ui.ServiceWindowMenu)
      item->setVisible(true);
    if (OpenServiceWindow) OpenServiceWindow();
    ServiceWindowRequested = false;
  }
  polling.Release();
  if (!Session.ExitRequested) StatusTimer->start();
}

void TMainForm::UpdateStatus() {
  // The shot count is a cached setting too.
  const TInstrumentSession::ParameterWatch watch(Session);
  // 1. The port may have gone (an unplugged adapter).
  if (!ComPort->Open()) {
    vm::MessageRequest box;
    box.icon = QMessageBox::Warning;
    box.title = QStringLiteral("Warning");
    box.text = QString::fromLatin1(vm::kPortLostQuestion);
    box.buttons = QMessageBox::Yes | QMessageBox::No;
    if (vm::ShowMessage(this, box) == QMessageBox::Yes)
      RestartApp();
    else
      ExitApp();
    return;
  }

  // 2-4. Run state and adjustable outputs.
  Session.SystemStatus = Session.Link().QueryInteger(QString::fromLatin1(vm::kStatusQuery));
  if (Session.ExitRequested) return;
  if (const auto running = vm::RunStateAfterPoll(Session.SystemRunning, Session.SystemStatus)) {
    Session.SystemRunning = *running;
    if (auto *anim = Ui.PulseAnimate) {
      if (*running) {
        anim->Start();
        anim->show();
      } else {
        anim->Stop();
        anim->hide();
      }
    }
    if (auto *b = Ui.RunStopbtn)
      b->setText(*running ? QStringLiteral("Stop") : QStringLiteral("Run"));
  }
  const bool hadAdjustableOutputs = Session.AdjustableOutputs;
  Session.AdjustableOutputs = vm::DecodeStatusWord(Session.SystemStatus).adjustableOutputs;
  if (Session.AdjustableOutputs != hadAdjustableOutputs) ApplyAdjustableOutputs();

  // 5. The shot count, only while its page shows.
  auto *pages = Ui.SystemPageControl;
  if (pages && vm::ReadsShotCount(pages->currentIndex(), Session.SystemParameters.CounterEnabled)) {
    const int64_t count = Session.Link().QueryInt64(QString::fromLatin1(vm::kShotCountQuery));
    if (Session.ExitRequested) return;
    Session.SystemParameters.ShotCount = vm::ShotCountLow32(count);
    if (auto *l = Ui.ShotCountlbl)
      l->setText(QString::fromStdString(vm::ShotCountText(count)));
  }

  // 6. Errors: once one was reported the label blinks with the poll and the
  // instrument is not asked again.
  auto *label = Ui.ErrorLabel;
  if (!Session.ErrorState.NeedsQuery()) {
    if (label) label->setVisible(label->isHidden());
    return;
  }
  const int32_t code = Session.Link().QueryInteger(QString::fromLatin1(vm::kErrorQuery));
  if (Session.ExitRequested) return;
  if (Session.ErrorState.OnReply(code) && label) {
    if (const auto caption = vm::ErrorCaption(code)) label->setText(QString::fromStdString(*caption));
    label->show();
  }
}

// The output-mode lists follow the instrument's latest word on adjustable
// outputs; the amplitude is adjustable only with the adjustable mode chosen.
void TMainForm::ApplyAdjustableOutputs() {
  const int last = std::min(Session.ChannelCount, BuiltChannels());
  for (int n = 1; n <= last; ++n) {
    const size_t i = size_t(n);
    const bool amplitude =
        Session.AdjustableOutputs && Session.ChannelParameters[i].OutputMode == 1;
    ChOutputModeSel[i]->setEnabled(Session.AdjustableOutputs);
    ChAmplitudeAdjGrp[i]->setEnabled(amplitude);
    ChAmplitudeAdj[i]->setSpinEnabled(amplitude);
  }
}

void TMainForm::ShotCountEnblClick() {
  const TInstrumentSession::ParameterWatch watch(Session);
  auto *box = Ui.ShotCountEnbl;
  const bool on = box && box->isChecked();
  QueuedCommandToPort(QString::fromStdString(vm::CounterEnableCommand(on)));
  Session.SystemParameters.CounterEnabled = on ? 1 : 0;
}

void TMainForm::ClearShotCountClick() {
  const TInstrumentSession::ParameterWatch watch(Session);
  QueuedCommandToPort(QString::fromStdString(vm::CounterClearCommand()));
  Session.SystemParameters.ShotCount = 0;
  if (auto *l = Ui.ShotCountlbl)
    l->setText(QString::fromLatin1(vm::kShotCountCleared));
}

// --- Page focus memory ---------------------------------------------------------
// Before a switch the control with the focus is remembered for the page being
// left; after it the remembered control of the new page gets the focus back.

void TMainForm::RememberFocus(QList<QWidget *> &memory, int page) {
  if (page < 0) return;
  if (memory.size() <= page) memory.resize(page + 1, nullptr);
  QWidget *focus = QApplication::focusWidget();
  memory[page] = focus && focus->window() == this ? focus : nullptr;
}

void TMainForm::RestoreFocus(const QList<QWidget *> &memory, int page) {
  if (page < 0 || page >= memory.size()) return;
  QWidget *w = memory[page];
  // A control that has since been disabled or hidden cannot take the focus:
  // the page control's own choice stands.
  if (w && w->isEnabled() && w->isVisible() && w->focusPolicy() != Qt::NoFocus) {
    FRestoringFocus = true;
    w->setFocus(Qt::OtherFocusReason);
    FRestoringFocus = false;
  }
}

void TMainForm::SystemPageControlChanging() {
  if (auto *pc = Ui.SystemPageControl)
    RememberFocus(FActiveSysControls, pc->currentIndex());
}

void TMainForm::SystemPageControlChange() {
  if (auto *pc = Ui.SystemPageControl)
    RestoreFocus(FActiveSysControls, pc->currentIndex());
}

void TMainForm::ChPageControlChanging() {
  if (auto *pc = Ui.ChPageControl)
    RememberFocus(FActiveChControls, pc->currentIndex());
}

void TMainForm::ChPageControlChange() {
  if (auto *pc = Ui.ChPageControl)
    RestoreFocus(FActiveChControls, pc->currentIndex());
}
