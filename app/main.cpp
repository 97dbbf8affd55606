// Program entry: creates the session and the windows and runs the event loop.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BuildInfo.h"
#include "app/KeyState.h"
#include "base/core/StartSwitches.h"
#include "diagram/TimingDiagramForm.h"
#include "forms/MessageInfo.h"
#include "main/Main.h"
#include "remote/RemoteControl.h"
#include "service/Service.h"
#include "session/InstrumentSession.h"

namespace {

const char kHelp[] =
    "Usage: VM5200_GUI [switches]\n"
    "Front panel of the 5200/3200 Series pulse generators.\n"
    "\n"
    "Switches (\"-\" or \"/\", any letter case):\n"
    "  -log           write every exchange to SystemLogFile_<user>_<time>.txt\n"
    "  -pick          choose the serial port by hand (like Space held at start)\n"
    "  -demo          run without an instrument (like left Shift held at start)\n"
    "  -remote        open the remote-control port on 127.0.0.1 and ::1, port 5025\n"
    "  -remote=PORT   the same on another port (1-65535)\n"
    "  --help         print this text and exit\n"
    "  --version      print the name and file version and exit\n"
    "\n"
    "Remote control: one line per command or query, ending in LF; a line\n"
    "ending in \"?\" is a query. Each line gets the instrument's reply and LF.\n"
    "For PyVISA: TCPIP::127.0.0.1::5025::SOCKET, read and write termination \"\\n\".\n"
    "\n"
    "Environment:\n"
    "  VM5200_PORT_DIR  folder of COM<n> links to serial devices, scanned\n"
    "                   instead of the machine's serial ports\n"
    "  VM5200_LOCK_DIR  folder of the ports' lock files (LCK..<device>) instead\n"
    "                   of /var/lock and /run/lock; empty: no lock files\n";

}  // namespace

int main(int argc, char **argv) {
  // Answered before any window system is touched: they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("VM5200_GUI %s\n", VM_FILE_VERSION);
      return 0;
    }
  }

  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the end always goes through ExitApp

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  TMainForm::StartOptions options;
  options.Switches = vm::ParseStartSwitches(args);
  options.SpaceHeld = [] { return vm::IsStartKeyHeld(vm::StartKey::Space); };
  options.LeftShiftHeld = [] { return vm::IsStartKeyHeld(vm::StartKey::LeftShift); };

  // The one session, handed to every window and port; it outlives them all.
  TInstrumentSession session;
  // Created in this order; all three live until the event loop has returned.
  auto mainForm = std::make_unique<TMainForm>(session, options);  // runs FormCreate
  auto messageForm = std::make_unique<TMessageForm>();
  auto serviceForm = std::make_unique<TServiceForm>(session);
  // The calibration load offers the main window's open dialog (its last file).
  serviceForm->OpenFile = [m = mainForm.get()] { return m->OpenFile(); };
  mainForm->OpenServiceWindow = [s = serviceForm.get()] {
    s->ServiceInitialize();
    s->show();
    s->raise();
    s->activateWindow();
  };
  // The timing diagram, made when first asked for; it follows the session
  // and is destroyed before it.
  std::unique_ptr<TTimingDiagramForm> diagramForm;
  mainForm->OpenTimingDiagram = [&diagramForm, &session, m = mainForm.get()] {
    if (!diagramForm) {
      diagramForm = std::make_unique<TTimingDiagramForm>();
      diagramForm->Follow(session);
      diagramForm->PlaceBeside(*m);  // later openings keep where the user put it
    }
    diagramForm->show();
    diagramForm->raise();
    diagramForm->activateWindow();
  };

  // An exit or restart requested during start-up ends the program here,
  // without ever showing the window.
  if (session.ExitRequested) return 0;

  // Remote control, when asked for; destroyed before the windows.
  std::unique_ptr<TRemoteControl> remote;
  if (options.Switches.remotePort < 0) {
    std::fputs("VM5200_GUI: the remote switch needs a port from 1 to 65535 (-remote=PORT); "
               "the panel runs without remote control.\n", stderr);
  } else if (options.Switches.remotePort > 0) {
    remote = std::make_unique<TRemoteControl>(session, mainForm.get(), options.Switches.remotePort);
    if (!remote->Start()) std::fprintf(stderr, "VM5200_GUI: %s\n", qPrintable(remote->ErrorText()));
  }

  mainForm->show();
  return app.exec();
}
