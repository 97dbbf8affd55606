// The command queue: control handlers queue commands, the task timer sends
// them and serves the Refresh and storage-bin recall requests. Run/stop and
// the storage-bin menus.
#include <QPushButton>
#include <QTimer>

#include "forms/FormArt.h"
#include "link/Communication.h"
#include "main/InputLock.h"
#include "main/Main.h"
#include "main/NameNumber.h"
#include "main/core/CommandSet.h"
#include "serial/VMComPort.h"

void TMainForm::QueuedCommandToPort(const QString &commandstr) {
  if (Tasks.QueuedCommandToPort(commandstr.toStdString(), CommandsDisabled())) TaskTimer->start();
}

void TMainForm::TaskTimerTimer() { ProcessTasks(); }

// Something for the task timer to do: a queued command or a request.
static bool TaskWork(const vm::TaskQueue &t) {
  return t.TasksPending() || t.RecallRequested() || t.ReinitRequested();
}

void TMainForm::ProcessTasks() {
  // The timer runs only while there is work; it is armed again by the next
  // queued command or request.
  TaskTimer->stop();
  if (!TaskWork(Tasks)) return;
  if (ExitRequested) return;
  // A status poll, a reply wait or an initialisation is in progress: retry
  // at the next tick.
  if (!Tasks.BeginTick(StatusUpdateBusy, ComPort->InUse())) {
    TaskTimer->start();
    return;
  }
  // Commands queued while these are sent (an edit during a reply wait) join
  // the end of the queue and go out in this same run, in order.
  const auto sendQueued = [this] {
    while (!ExitRequested) {
      const auto entry = Tasks.TakeNextEntry();
      if (!entry) break;
      const QString reply = SendCommand(QString::fromStdString(entry->command));
      // A script's line: its reply goes back to the client that sent it.
      if (entry->ticket && RemoteReply) RemoteReply(entry->ticket, reply);
    }
  };
  // Edits queued before a Refresh or recall go out first, so that what the
  // request reads back (and shows) is what the instrument then holds.
  if (Tasks.RecallRequested() || Tasks.ReinitRequested()) sendQueued();
  if (auto request = ExitRequested ? std::optional<vm::TaskRequest>() : Tasks.TakeRequest()) {
    // No user edits from the recall's exchange to the end of the re-reading.
    const TInputLock lock({findChild<QWidget *>(QStringLiteral("MainClient"))});
    StatusTimer->stop();
    if (request->recall) SendCommand(QString::fromStdString(vm::RecallBinCommand(request->bin)));
    Initialize();
    Tasks.FinishRequest();
    if (!ExitRequested) StatusTimer->start();
  }
  sendQueued();
  Tasks.EndTick();
  if (!ExitRequested && TaskWork(Tasks)) TaskTimer->start();
}

void TMainForm::RunStopbtnClick() {
  if (SystemRunning)
    SystemStop();
  else
    SystemStart();
}

void TMainForm::SystemStart() {
  const vm::RunStopAction a = vm::RunStopClick(false);
  if (auto *anim = findChild<forms::TPulseAnimation *>(QStringLiteral("PulseAnimate"))) {
    anim->Start();
    anim->show();
  }
  if (auto *b = findChild<QPushButton *>(QStringLiteral("RunStopbtn")))
    b->setText(QString::fromStdString(a.caption));
  QueuedCommandToPort(QString::fromStdString(a.command));
  SystemRunning = a.running;
}

void TMainForm::SystemStop() {
  const vm::RunStopAction a = vm::RunStopClick(true);
  SystemRunning = a.running;
  if (auto *anim = findChild<forms::TPulseAnimation *>(QStringLiteral("PulseAnimate"))) {
    anim->Stop();
    anim->hide();
  }
  if (auto *b = findChild<QPushButton *>(QStringLiteral("RunStopbtn")))
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
  Tasks.RequestRecall(*bin);
  TaskTimer->start();
}
