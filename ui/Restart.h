#pragma once
// Starting a new copy of the program (restart): the running executable's own
// file, no arguments, detached, inheriting the working directory; no shell.
#include <QString>
#include <QStringList>
#include <functional>

namespace vm {

// Starts the copy. True when the process was started.
bool StartOwnExecutable();

// Tests replace the launcher so that nothing is really started. Returns the
// previous hook; an empty function restores the real launcher.
using LaunchHook = std::function<bool(const QString &program, const QStringList &args)>;
LaunchHook SetLaunchHook(LaunchHook hook);

}  // namespace vm
