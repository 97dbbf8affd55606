// The main window's side of the remote-control port: when a client's line may
// run, and its entry into the command queue.
#include <QApplication>
#include <QTimer>

#include "main/Main.h"

bool TMainForm::RemoteLinesMayRun() const {
  if (ExitRequested || CommandsDisabled() || InitializeRunning()) return false;
  // A settings or calibration file being replayed or saved, a calibration
  // readback waiting for its turn: a script's line would land in between.
  if (SettingsFileBusy || CalLoadPending || CalReadPending) return false;
  // Not before the first initialisation has brought the window up to date.
  if (LaunchTimer && LaunchTimer->isActive()) return false;
  if (QApplication::activeModalWidget()) return false;
  return true;
}

void TMainForm::QueueRemoteLine(const QString &line, uint64_t ticket) {
  Tasks.QueueRemoteLine(line.toStdString(), ticket);
  // Started on the same path as a user's edit ...
  TaskTimer->start();
  // ... and served at once, without the timer's interval: a script waits for
  // every reply. ProcessTasks itself refuses to run inside another exchange.
  QTimer::singleShot(0, this, [this] {
    if (!ExitRequested && Tasks.TasksPending()) ProcessTasks();
  });
}
