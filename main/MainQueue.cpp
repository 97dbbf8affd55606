// The command queue: control handlers queue commands, the task timer sends them.
#include <QTimer>

#include "main/Main.h"

void TMainForm::QueuedCommandToPort(const QString &commandstr) {
  Tasks.SetCommandsDisabled(CommandsDisabled);
  if (Tasks.QueuedCommandToPort(commandstr.toStdString())) TaskTimer->start();
}
