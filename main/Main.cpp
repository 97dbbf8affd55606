#include "main/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <clocale>

#include "ui/Dialogs.h"
#include "ui/Restart.h"
#include "controls/plussped.h"
#include "controls/rpVersionInfo.h"
#include "forms/FormArt.h"
#include "forms/MainWindowForm.h"
#include "forms/PickPort.h"
#include "link/InstrumentLink.h"
#include "link/DateTimeText.h"
#include "link/core/Identity.h"
#include "link/core/LogFormat.h"
#include "main/core/CommandSet.h"
#include "serial/VMComPort.h"

TMainForm *MainForm = nullptr;

namespace {

QTimer *MakeTimer(QObject *owner, const char *name, int interval) {
  auto *t = new QTimer(owner);
  t->setObjectName(QString::fromLatin1(name));
  t->setInterval(interval);
  return t;
}

}  // namespace

TMainForm::TMainForm(TInstrumentSession &session, StartOptions Options, QWidget *parent)
    : TMainForm(session, std::move(Options), parent, nullptr) {}

TMainForm::TMainForm(StartOptions Options, QWidget *parent)
    : TMainForm(std::make_unique<TInstrumentSession>(), std::move(Options), parent) {}

TMainForm::TMainForm(std::unique_ptr<TInstrumentSession> &&own, StartOptions Options,
                     QWidget *parent)
    : TMainForm(*own, std::move(Options), parent, std::move(own)) {}

TMainForm::TMainForm(TInstrumentSession &session, StartOptions Options, QWidget *parent,
                     std::unique_ptr<TInstrumentSession> &&own)
    : QMainWindow(parent), Session(session), FOptions(std::move(Options)),
      FOwnSession(std::move(own)) {
  MainForm = this;
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("5200 Pulse Generator"));
  Session.Caption = windowTitle();
  Ui = forms::BuildMainWindow(this);

  // Non-visual components with their design values.
  ComPort = Session.ComPort();
  vm::InstallPortDialogs(*ComPort, this);
  ConnectLink();
  ComPort->setObjectName(QStringLiteral("ComPort"));
  ComPort->setAllowEvents(false);
  ComPort->setBaud(115200);
  ComPort->setHandshaking(hsNone);
  ComPort->setParity(parNone);
  ComPort->setResponseTime(3000);
  ComPort->setPort(1);
  ComPort->setShowErrors(true);

  StatusTimer = MakeTimer(this, "StatusTimer", 1000);
  TaskTimer = MakeTimer(this, "TaskTimer", 5);
  LaunchTimer = MakeTimer(this, "LaunchTimer", 500);
  connect(StatusTimer, &QTimer::timeout, this, &TMainForm::StatusTimerTimer);
  connect(TaskTimer, &QTimer::timeout, this, &TMainForm::TaskTimerTimer);
  connect(LaunchTimer, &QTimer::timeout, this, &TMainForm::LaunchTimerTimer);
  ConnectSession();

  VersionInfo = new TrpVersionInfo(this);
  VersionInfo->setObjectName(QStringLiteral("VersionInfo"));

  ResponseList = Ui.ResponseList;
  Exit1 = Ui.Exit1;
  R1 = Ui.R1;
  EnableLoggingMenu = Ui.EnableLoggingMenu;
  if (Exit1) connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
  if (R1) connect(R1, &QAction::triggered, this, &TMainForm::R1Click);
  if (EnableLoggingMenu)
    connect(EnableLoggingMenu, &QAction::triggered, this, &TMainForm::EnableLoggingMenuClick);

  // The window's own controls (run/stop, storage menus, refresh, counter,
  // page controls); the page handlers follow in FormCreate.
  ConnectWindowHandlers();
  BindControlArrays();

  if (FOptions.RunFormCreate) FormCreate();
}

TMainForm::~TMainForm() {
  LogFile.Close();
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::FormCreate() {
  // 1. One number format for every conversion, whatever the user's locale.
  QLocale::setDefault(QLocale::c());
  std::setlocale(LC_NUMERIC, "C");

  // 2. Name parts of the log file, fixed for the whole run.
  QByteArray user = qgetenv("USERNAME");
  if (user.isEmpty()) user = qgetenv("USER");
  LogUserName = QString::fromLocal8Bit(user);
  QDateTime now = QDateTime::currentDateTime();
  LogStartStamp = QString::fromStdString(
      vm::logfmt::StartStamp(now.date().year(), now.date().month(), now.date().day(),
                             now.time().hour(), now.time().minute(), now.time().second()));

  // 3. The log switch starts logging before the scan, so the scan is recorded.
  if (FOptions.Switches.log) ToggleLoggingState();

  // 4. Channel 1's controls and storage bin 1's menu items, and the
  // handlers of the system pages and of channel 1.
  BindControlArrays();
  ConnectSystemHandlers();
  ConnectChannelHandlers(1);

  // 5. Scan, manual pick or demonstration mode.
  if (!ChooseConnection()) return;

  ComPort->setResponseTime(3000);                            // 6
  Session.SettingsList.clear();                              // 7
  Session.CalSettingsList.clear();
  LaunchTimer->start();                                      // 8
  Session.StartupPending = true;
  Session.SystemRunning = false;                             // 9
  ComPort->setAllowEvents(true);                             // 10
  if (auto *anim = Ui.PulseAnimate)  // 11
    anim->setSpeed(200);
  // 12. Widgets paint through a back buffer already; nothing to switch on.
  if (auto *pages = Ui.SystemPageControl)  // 13
    FActiveSysControls = QList<QWidget *>(pages->count(), nullptr);
  else
    FActiveSysControls.clear();
}

void TMainForm::BindControlArrays() {
  BindChannelArrays(1, Ui.Ch1);
  BinSave[1] = Ui.BinSave1;
  BinRestore[0] = Ui.BinRestore0;
  BinRestore[1] = Ui.BinRestore1;
}

bool TMainForm::ChooseConnection() {
  auto held = [](const std::function<bool()> &key) { return key && key(); };
  const bool space = FOptions.Switches.pick || held(FOptions.SpaceHeld);
  const bool shift = FOptions.Switches.demo || held(FOptions.LeftShiftHeld);

  if (space) {
    if (!ComPort->Pick()) {
      ExitApp();
      return false;
    }
    ComPort->Open();
    ComPort->setBaud(115200);
    ComPort->setEndOfResponse(QByteArray("\r"));
    ComPort->setAllowEvents(false);
    ComPort->setShowErrors(false);
    ComPort->setResponseTime(3000);
    return true;
  }
  if (shift) {
    EnterDemoMode();
    return true;
  }
  if (Session.Link().FindInstrument()) return true;

  vm::MessageRequest box;
  box.icon = QMessageBox::Warning;
  box.title = QStringLiteral("Warning");
  box.text = QStringLiteral("No device found. Try to reconnect?\n\r\n\r"
                            "Make sure unit is fully powered on\n\rbefore selecting Yes");
  box.buttons = QMessageBox::Yes | QMessageBox::No;
  // The ports the scan could not search, and why.
  box.detailedText = Session.Link().ScanRefusalDetail();
  if (vm::ShowMessage(this, box) == QMessageBox::Yes) {
    RestartApp();
    return false;
  }
  if (FOptions.Switches.demo || held(FOptions.LeftShiftHeld)) {
    EnterDemoMode();
    return true;
  }
  ExitApp();
  return false;
}

void TMainForm::EnterDemoMode() {
  vm::ShowInfo(this, QStringLiteral("Entering Demo Mode"));
  Session.DemoMode = true;
  StatusTimer->stop();
}

void TMainForm::LaunchTimerTimer() {
  LaunchTimer->stop();
  Session.StartupPending = false;
  if (Session.ExitRequested) return;
  vm::TaskQueue &tasks = Session.Tasks;
  if (Session.MayStart(vm::Work::Initialisation) != vm::Verdict::Run) {
    // A Refresh chosen before the launch is already reading: let the task
    // timer run one more initialisation after it instead of nesting one.
    tasks.RequestReinit();
    TaskTimer->start();
    return;
  }
  // Served like a Refresh, so the "Initializing System" window shows.
  // A recall chosen before the launch is served here too, not forgotten.
  tasks.RequestReinit();
  const auto request = tasks.TakeRequest();
  if (request && request->recall)
    Session.Link().SendCommand(QString::fromStdString(vm::RecallBinCommand(request->bin)));
  Initialize();
  tasks.FinishRequest();
  if (Session.ExitRequested) return;
  StatusTimer->start();
  // SystemRunning is left as the readback and the status poll found it: an
  // instrument already running shows "Stop", and the button must then stop it.
}

void TMainForm::RestartApp() {
  if (Session.ExitRequested) return;
  // The new copy must be able to open the port: close it well before.
  ComPort->Close();
  QThread::msleep(500);
  RestartRequested = true;
  vm::StartOwnExecutable();  // the outcome is not checked: this copy ends anyway
  ExitApp();
}

void TMainForm::ExitApp() {
  if (Session.ExitRequested) return;
  Session.ExitRequested = true;
  LaunchTimer->stop();
  TaskTimer->stop();
  StatusTimer->stop();
  // SettingsList and CalSettingsList stay valid until the window is
  // destroyed: an interrupted readback may still be using them.
  ComPort->setAllowEvents(false);
  ComPort->setShowErrors(false);
  ComPort->Close();
  if (LoggingEnabled) LogFile.Close();
  LoggingEnabled = false;
  SetLoggingCheck(false);
  // Ends every running event loop as soon as control returns to it; the
  // windows and ComPort are destroyed only after the outermost one has
  // returned. Before the loop runs (an end chosen during start-up) there is
  // nothing to end: main() sees ExitRequested, never shows the window and
  // never starts the loop.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
  QCoreApplication::processEvents();
}

void TMainForm::FormClose() { ExitApp(); }

void TMainForm::closeEvent(QCloseEvent *event) {
  FormClose();
  event->accept();
}

void TMainForm::Exit1Click() { ExitApp(); }
void TMainForm::R1Click() { RestartApp(); }
void TMainForm::EnableLoggingMenuClick() { ToggleLoggingState(); }

void TMainForm::SetLoggingCheck(bool on) {
  if (EnableLoggingMenu) {
    EnableLoggingMenu->setCheckable(true);
    EnableLoggingMenu->setChecked(on);
  }
}

void TMainForm::ToggleLoggingState() {
  if (LoggingEnabled) {
    LoggingEnabled = false;
    SetLoggingCheck(false);
    LogFile.Close();
    return;
  }
  LoggingEnabled = true;
  SetLoggingCheck(true);
  const std::string name =
      vm::logfmt::FileName(LogUserName.toLocal8Bit().toStdString(), LogStartStamp.toStdString());
  const QDateTime now = QDateTime::currentDateTime();
  const std::string header =
      vm::logfmt::Header(vm::UserDateText(now.date()).toLocal8Bit().toStdString(),
                         vm::UserTimeText(now.time()).toLocal8Bit().toStdString());
  if (!LogFile.Create(name) || !LogFile.WriteLine(header)) {
    LogFile.Close();
    LoggingEnabled = false;
    SetLoggingCheck(false);
    vm::ShowInfo(this, QStringLiteral("Log file cannot be written to. Please run program from "
                                      "writable location. Logging will be disabled."));
  }
}

void TMainForm::WriteLogLine(const QString &line) {
  if (!LoggingEnabled) return;
  if (LogFile.WriteLine(line.toLatin1().toStdString())) return;
  // Switch off first: the message box below lets events run, and their
  // exchanges must not try (and report) again.
  const QString reason = QString::fromLocal8Bit(LogFile.LastError().c_str());
  LoggingEnabled = false;
  SetLoggingCheck(false);
  LogFile.Close();
  vm::ShowInfo(this, "The log file could not be written (" + reason +
                         "). Logging has been disabled; the program goes on.");
}
