// Program entry: creates the three windows and runs the event loop.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/KeyState.h"
#include "base/core/StartSwitches.h"
#include "forms/MessageInfo.h"
#include "main/Main.h"
#include "service/Service.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the end always goes through ExitApp

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  TMainForm::StartOptions options;
  options.Switches = vm::ParseStartSwitches(args);
  options.SpaceHeld = [] { return vm::IsStartKeyHeld(vm::StartKey::Space); };
  options.LeftShiftHeld = [] { return vm::IsStartKeyHeld(vm::StartKey::LeftShift); };

  // Created in this order; all three live until the event loop has returned.
  auto mainForm = std::make_unique<TMainForm>(options);  // runs FormCreate
  auto messageForm = std::make_unique<TMessageForm>();
  auto serviceForm = std::make_unique<TServiceForm>(mainForm.get());
  mainForm->OpenServiceWindow = [s = serviceForm.get()] {
    s->ServiceInitialize();
    s->show();
    s->raise();
    s->activateWindow();
  };

  // An exit or restart requested during start-up ends the program here,
  // without ever showing the window.
  if (mainForm->ExitRequested) return 0;
  mainForm->show();
  return app.exec();
}
