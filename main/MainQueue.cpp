// The command queue: control handlers queue commands, the task timer sends
// them and serves the Refresh and storage-bin recall requests. Run/stop and
// the storage-bin menus.
#include <QPushButton>
#include <QTimer>

#include "forms/FormArt.h"
#include "link/InstrumentLink.h"
#include "main/InputLock.h"
#include "main/Main.h"
#include "main/NameNumber.h"
#include "main/core/CommandSet.h"
#include "serial/VMComPort.h"

void TMainForm::QueuedCommandToPort(const QString &commandstr) { Session.QueueCommand(commandstr); }

void TMainForm::TaskTimerTimer() { ProcessTasks(); }

// Something for the task timer to do: a queued command or a request.
static bool TaskWork(const vm::TaskQueue &t) {
  return t.TasksPending() || t.RecallRequested() || t.ReinitRequested();
}

void TMainForm::ProcessTasks() {
  // The timer runs only while there is work; it is armed again by the next
  // queued command or request.
  TaskTimer->stop();
  vm::TaskQueue &tasks = Session.Tasks;
  if (!TaskWork(tasks)) return;
  switch (Session.MayStart(vm::Work::QueueTick)) {
    case vm::Verdict::Run:
      break;
    case vm::Verdict::Defer:
      // A status poll, a reply wait, a tick or an initialisation is in
      // progress: retry at the next tick.
      TaskTimer->start();
      return;
    default:
      return;
  }
  vm::BusyModel::Guard ticking = Session.Busy.Start(vm::Work::QueueTick);
  // Commands queued while these are sent (an edit during a reply wait) join
  // the end of the queue and go out in this same run, in order.
  const auto sendQueued = [this, &tasks] {
    while (!Session.ExitRequested) {
      const auto entry = tasks.TakeNextEntry();
      if (!entry) break;
      const QString reply = Session.Link().SendCommand(QString::fromStdString(entry->command));
      // A script's line: its reply goes back to the client that sent it.
      if (entry->ticket) Session.AnswerRemoteLine(entry->ticket, reply);
    }
  };
  // Edits queued before a Refresh or recall go out first, so that what the
  // request reads back (and shows) is what the instrument then holds.
  if (tasks.RecallRequested() || tasks.ReinitRequested()) sendQueued();
  if (auto request =
          Session.ExitRequested ? std::optional<vm::TaskRequest>() : tasks.TakeRequest()) {
    // No user edits from the recall's exchange to the end of the re-reading.
    const TInputLock lock({Ui.MainClient});
    StatusTimer->stop();
    if (request->recall)
      Session.Link().SendCommand(QString::fromStdString(vm::RecallBinCommand(request->bin)));
    Initialize();
    tasks.FinishRequest();
    if (!Session.ExitRequested) StatusTimer->start();
  }
  sendQueued();
  ticking.Release();
  if (!Session.ExitRequested && TaskWork(tasks)) TaskTimer->start();
}

void TMainForm::RunStopbtnClick() {
  if (Session.SystemRunning)
    SystemStop();
  else
    SystemStart();
}

void TMainForm::SystemStart() {
  const vm::RunStopAction a = vm::RunStopClick(false);
  if (auto *anim = Ui.PulseAnimate) {
    anim->Start();
    anim->show();
  }
  if (auto *b = Ui.RunStopbtn)
    b->setText(QString::fromStdString(a.caption));
  QueuedCommandToPort(QString::fromStdString(a.command));
  Session.SystemRunning = a.running;
}

void TMainForm::SystemStop() {
  const vm::RunStopAction a = vm::RunStopClick(true);
  Session.SystemRunning = a.running;
  if (auto *anim = Ui.PulseAnimate) {
    anim->Stop();
    anim->hide();
  }
  if (auto *b = Ui.RunStopbtn)
    b->setText(QString::fromStdString(a.caption));
  QueuedCommandToPort(QString::fromStdString(a.command));
}

void TMainForm::SaveStorageBin(QObject *Sender) {
  const auto bin = NumberFromComponentName(Sender);
  if (!bin) return;
  QueuedCommandToPort(QString::fromStdString(vm::SaveBinCommand(*bin)));
}

void TMainForm::RecallStorageBin(QObject *Sender) {
  const auto bin = NumberFromComponentName(Sender);
  if (!bin) return;
  Session.RequestRecall(*bin);
}
