#include "ui/Restart.h"

#include <QCoreApplication>
#include <QProcess>

namespace vm {

static LaunchHook &launchHook() {
  static LaunchHook h;
  return h;
}

LaunchHook SetLaunchHook(LaunchHook hook) {
  LaunchHook old = launchHook();
  launchHook() = std::move(hook);
  return old;
}

bool StartOwnExecutable() {
  const QString program = QCoreApplication::applicationFilePath();
  const QStringList args;  // the new copy starts plain: no log switch
  if (launchHook()) return launchHook()(program, args);
  // Program and arguments are passed as they are; no shell is involved.
  return QProcess::startDetached(program, args);
}

}  // namespace vm
