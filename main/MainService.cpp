// Tools, "Service" and "Service Window": the access code and the opening of
// the service window (through OpenServiceWindow; the main window does not
// know that window's class).
#include <QAction>
#include <QApplication>

#include "ui/Dialogs.h"
#include "main/Main.h"

namespace {
constexpr const char *kAccessCode = "73952";
}

void TMainForm::ServiceMenuClick() {
  bool ok = false;
  const QString code = vm::ShowInput(this, QStringLiteral("Unsecure Form"),
                                     QStringLiteral("Enter Code:"), QString(), &ok);
  // Compared exactly; a cancelled box counts as a wrong code.
  if (ok && code == QLatin1String(kAccessCode)) {
    vm::ShowInfo(this, QStringLiteral("System Unsecured"));
    ServiceWindowRequested = true;
    return;
  }
  vm::ShowInfo(this, QStringLiteral("Incorrect Code"));
  if (auto *item = Ui.ServiceWindowMenu)
    item->setVisible(false);
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("ServiceForm") && w->isVisible()) w->close();
}

void TMainForm::ServiceWindowMenuClick() {
  if (OpenServiceWindow) OpenServiceWindow();
}
