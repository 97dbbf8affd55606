#pragma once
// TMainForm: the program's main window. It owns every control, the three
// timers and the version reader; what it knows of the instrument (link,
// queue, caches, identity, busy model) is the session it was handed, which
// it shares with the service window and the remote-control port.
//
// Lifetime: the single instance MainForm lives until the outermost event loop
// has returned. ExitApp and RestartApp only *request* the end; code that was
// interrupted by them (a reply wait, a status poll) runs on with a valid
// ComPort and valid lists, while the exchange primitives send nothing more.
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "base/core/StartSwitches.h"
#include "link/core/LogFile.h"
#include "forms/MainWindowForm.h"
#include "main/core/ChannelControls.h"
#include "session/InstrumentSession.h"

class QAction;
class QColor;
class QTextEdit;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QListWidget;
class QPixmap;
class QRect;
class QPushButton;
class QTimer;
class QWidget;
class TPlusSpinEdit;
class TVMComPort;
class TrpVersionInfo;

// Arrays of 8 controls indexed 1..8 (element 0 unused), like ChDelayAdj[n].
template <class T>
using TControlArray = std::array<T *, 9>;

// How the program was asked to start. main() fills it from the command line
// and the keys held at start; tests fill it directly.
struct TStartOptions {
  vm::StartSwitches Switches;
  // Space held: pick the port by hand. Left Shift held: demonstration
  // mode. Asked once at start-up; LeftShiftHeld again when the user
  // declines a new scan. Unset means "not held".
  std::function<bool()> SpaceHeld;
  std::function<bool()> LeftShiftHeld;
  // False: build the window and its components only (no FormCreate), so a
  // test can set the component up by hand.
  bool RunFormCreate = true;
};

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  using StartOptions = TStartOptions;

  // A window on `session`, which outlives it.
  explicit TMainForm(TInstrumentSession &session, StartOptions Options = {},
                     QWidget *parent = nullptr);
  // A window with a session of its own (tests, benchmarks).
  explicit TMainForm(StartOptions Options = {}, QWidget *parent = nullptr);
  ~TMainForm() override;

  // What the program knows about the instrument.
  TInstrumentSession &Session;

  // --- Components --------------------------------------------------------
  // Every fixed control of the window, as built (channel 1's page in Ui.Ch1).
  forms::TMainWindowControls Ui;
  // The session's serial port, with this window's design values.
  TVMComPort *ComPort = nullptr;
  QTimer *LaunchTimer = nullptr;  // 500 ms, once
  QTimer *TaskTimer = nullptr;    // 5 ms, sends queued commands
  QTimer *StatusTimer = nullptr;  // 1000 ms, status poll
  TrpVersionInfo *VersionInfo = nullptr;
  QTextEdit *ResponseList = nullptr;  // the terminal
  QAction *Exit1 = nullptr;
  QAction *R1 = nullptr;
  QAction *EnableLoggingMenu = nullptr;

  // --- Flags of the window (all start false) ------------------------------
  bool LoggingEnabled = false;  // LogFile is open and written
  bool ServiceWindowRequested = false;
  bool ChannelTabsCreated = false;
  bool StorageBinsCreated = false;
  // Set once RestartApp has run (the session's ExitRequested with it).
  bool RestartRequested = false;

  // --- Communication log ------------------------------------------------
  vm::LogFile LogFile;
  QString LogUserName;    // USERNAME, else USER; made safe when the file is named
  QString LogStartStamp;  // "mm-dd-yy_hh-nn-ss" of the start

  // --- Control arrays (element 1 bound in FormCreate, the rest later) ----
  // ChEnablebox, ChDelayAdj, ... ChReArmBtn (main/core/ChannelControls.h).
#define VM_CHANNEL_ARRAY_MEMBER(kind, name, ...) TControlArray<kind> name{};
  VM_CHANNEL_ARRAYS(VM_CHANNEL_ARRAY_MEMBER)
#undef VM_CHANNEL_ARRAY_MEMBER
  TControlArray<QAction> BinSave{};
  TControlArray<QAction> BinRestore{};

  // Focus memory of the system page control, one slot per page.
  QList<QWidget *> FActiveSysControls;

  const StartOptions &Options() const { return FOptions; }

  // --- Start-up, exit, restart ------------------------------------------
  void FormCreate();
  void LaunchTimerTimer();
  // Brings the window into agreement with the instrument (see MainInit.cpp).
  void Initialize();
  void RestartApp();
  void ExitApp();

  // --- Command queue ---------------------------------------------------
  // Queues one instrument command in the session; the task timer sends it.
  // Dropped while CommandsDisabled is set (the readback fills the controls).
  void QueuedCommandToPort(const QString &commandstr);

  // ===== Initialisation, readback, queue, status (MainInit.cpp,
  // MainReadback.cpp, MainQueue.cpp, MainStatus.cpp) =====================
  // Operating limits onto the numeric controls of the system page and of
  // channels 1..ChannelCount.
  void SetResolutionRanges();
  // Pages "TabCh2".."TabCh<ChannelCount>" as copies of channel 1's page,
  // bound into the control arrays; once per run.
  void CreateChannelTabs();
  // Storage-bin menu items 2..6; once per run.
  void UpdateStorageBins();
  // Channels whose controls exist (1 + the pages built by CreateChannelTabs).
  int BuiltChannels() const;

  // Channel chnum's multiplexer marks from ChannelParameters[chnum].Mux.
  void UpdateChMux(int chnum);
  // Controls of one decoded block of the configuration readback (the
  // initialisation's reading sequence decodes and applies them).
  void ApplySystemReadback(const vm::SystemReadback &r);
  void ApplyTrigGateReadback(const vm::TrigGateReadback &r);
  void ApplyChannelReadback(int chnum, const vm::ChannelReadback &r);
  // The display of a readback field whose setting has its own (hooks Own in
  // the settings table).
  void ApplyOwnChannelField(int chnum, vm::ChannelSetting setting, const vm::ChannelReadback &r);

  // One run of the task machinery (TaskTimer).
  void ProcessTasks();
  void RunStopbtnClick();
  void SystemStart();
  void SystemStop();
  void SaveStorageBin(QObject *Sender);
  void RecallStorageBin(QObject *Sender);
  void Up1Click();

  // Status poll.
  void UpdateStatus();
  void ApplyAdjustableOutputs();
  void ShotCountEnblClick();
  void ClearShotCountClick();
  // Tools, "Service" (access code) and "Service Window" (MainService.cpp).
  void ServiceMenuClick();
  void ServiceWindowMenuClick();
  // Runs the service window's initialisation and shows it (an open one is
  // brought to the front). Set by the program's entry once that window
  // exists: the service window sits above this one.
  std::function<void()> OpenServiceWindow;
  // Tools, "Timing Diagram": shows the diagram window (an open one is
  // brought to the front). Set by the program's entry, like the service
  // window's: that window sits above the session, beside this one.
  std::function<void()> OpenTimingDiagram;

  // Focus memory of the channel page control, one slot per page.
  QList<QWidget *> FActiveChControls;
  void SystemPageControlChanging();
  void SystemPageControlChange();
  void ChPageControlChanging();
  void ChPageControlChange();
  // ======================================================================

  // --- Control handlers of the system, additional and channel pages ---------
  // Connects the system/additional page controls to their handlers.
  void ConnectSystemHandlers();
  // Connects channel n's controls (page "TabCh<n>") to the shared handlers.
  void ConnectChannelHandlers(int n);
  // Enabling rules: channel n's burst/duty controls by its mode; the system
  // page by the pulse mode and the trigger mode; the channel gate lists.
  void ChModesEnable(int chnum);
  void SystemModesEnable();
  void TriggerModesEnable();
  void GateModesEnable();

  // --- Handlers of the system and channel pages ----------------------------
  // Each takes the control that raised the event. The channel handlers are
  // shared by every channel page and find the channel from the sender's name.
  void PeriodAdjChange(QObject *Sender);
  void SystemModeSelChange(QObject *Sender);
  void SysBurstAdjChange(QObject *Sender);
  void SysDutyOnAdjChange(QObject *Sender);
  void SysDutyOffAdjChange(QObject *Sender);
  void SysCycleCountAdjChange(QObject *Sender);
  void AutoStartEnblClick(QObject *Sender);
  void TrigModeSelChange(QObject *Sender);
  void TriggerEdgeSelChange(QObject *Sender);
  void GatePolaritySelChange(QObject *Sender);
  void TrigThresholdAdjChange(QObject *Sender);
  void TrigGateDebounceSelChange(QObject *Sender);
  void CounterSourceSelChange(QObject *Sender);
  void ExternalInputClkSelChange(QObject *Sender);
  void ExternalOutputClkSelChange(QObject *Sender);
  // The channel handlers (SetChEnableState, SetChannelDelay, ... ReArmChannel)
  // are declared from the channel array list, so a new channel control's
  // handler needs no line here.
#define VM_CHANNEL_HANDLER_DECLARATION(kind, name, ...) __VA_OPT__(void __VA_ARGS__(QObject *Sender);)
  VM_CHANNEL_ARRAYS(VM_CHANNEL_HANDLER_DECLARATION)
#undef VM_CHANNEL_HANDLER_DECLARATION
  // Shows channel c's stored sync source in its list (no change event).
  void ShowStoredSyncSource(int c);

  // --- Settings file, terminal, screen shot, Help (MainSettings.cpp,
  // MainTools.cpp) ----------------------------------------------------------
  void SaveToFile1Click();
  void RestoreSettingsFromFile1Click();
  // The open-file dialog of the settings restore and the calibration load,
  // created on first use; it keeps the last folder and file between uses.
  QFileDialog *OpenFile();
  void SendBtnClick();
  // A key typed in SendEdit; true when it is consumed (Enter, Ctrl+Backspace).
  bool SendEditKeyPress(int key, Qt::KeyboardModifiers modifiers);
  void CaptureScreenShot1Click();
  // Grabs the screen's rectangle `frame` for the screen shot; unset means
  // the window's screen. A null picture is a failed grab.
  std::function<QPixmap(const QRect &frame)> GrabScreen;
  void WebSite1Click();
  void About1Click();
  // The last Initialize ended on a reply it could not read.
  bool LastInitializeFailed = false;

 private:
  using ListHandler = void (TMainForm::*)(QObject *);
  // Connects a list: an item chosen by the user runs `handler`; text typed
  // into an editable list is taken when the user presses Enter or leaves it.
  void ConnectList(QComboBox *list, ListHandler handler);
  void TakeTypedListText(QComboBox *list, ListHandler handler);
  void QueueEdit(const std::string &command);
  // Runs a control's handler under a watch of the caches (ParametersChanged).
  void RunHandler(ListHandler handler, QObject *sender);

 public:
  // --- Log -------------------------------------------------------------
  void ToggleLoggingState();
  // Appends one line when logging is on. A write error (disk full) is
  // reported once and switches logging off; the program goes on.
  void WriteLogLine(const QString &line);

 public Q_SLOTS:
  void Exit1Click();
  void R1Click();
  void EnableLoggingMenuClick();
  // Timer handlers: the command queue (MainQueue.cpp), the status poll
  // (MainStatus.cpp).
  void TaskTimerTimer();
  void StatusTimerTimer();

 protected:
  void closeEvent(QCloseEvent *event) override;  // FormClose

 private:
  TMainForm(std::unique_ptr<TInstrumentSession> &&own, StartOptions Options, QWidget *parent);
  TMainForm(TInstrumentSession &session, StartOptions Options, QWidget *parent,
            std::unique_ptr<TInstrumentSession> &&own);
  void FormClose();
  void BindControlArrays();
  // The window's side of the link and of the session (MainLink.cpp).
  void ConnectLink();
  void ConnectSession();
  // One line in the terminal, in `color`.
  void EchoLine(const QString &text, const QColor &color);
  // A reply did not come: "Communications lost. Restart?" (Yes/No/Ignore).
  void CommunicationLost();
  // Sends the queue at once when nothing is under way (else the task timer does).
  void SendQueueWhenIdle();
  // The connection choice of FormCreate: false when start-up must stop
  // (exit or restart requested).
  bool ChooseConnection();
  void EnterDemoMode();
  void SetLoggingCheck(bool on);
  // Initialisation internals (MainInit.cpp).
  void BindChannelArrays(int n, const forms::TChannelPage &page);
  void ConnectWindowHandlers();
  void ConnectToolHandlers();  // MainTools.cpp
  void InitializeSteps();
  void RecoverFromReadbackError(const QString &text);
  void ShowMessageForm(bool show);
  void RememberFocus(QList<QWidget *> &memory, int page);
  void RestoreFocus(const QList<QWidget *> &memory, int page);
  bool FMessageFormShown = false;
  // The initialisation's hold on CommandsOff, from the start of the reading
  // to the end of the filling (kept through the error box of a failed one).
  std::optional<vm::HoldCount::Hold> FInitCommandsOff;
  bool FRestoringFocus = false;  // focus moves made by RestoreFocus are not remembered
  // Context of the focus-memory connection; declared after the memories, so
  // it goes (and the connection with it) before they do.
  QObject FFocusWatch;

  StartOptions FOptions;
  // The session of a window created without one; Session refers to it.
  std::unique_ptr<TInstrumentSession> FOwnSession;
};

// The single main window.
extern TMainForm *MainForm;
