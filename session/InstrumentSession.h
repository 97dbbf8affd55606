#pragma once
// TInstrumentSession: what the program knows about the instrument, apart from
// any window. It owns the link (and with it the serial port), the command
// queue, the caches of the settings, the operating limits, the identity, the
// channel count, the last readbacks as replayable lines, the trigger/gate
// calibration, the status and error state, and the busy model that decides
// when a piece of work may talk to the instrument.
//
// One session is created at start-up and handed by reference to every window
// and port that works on the instrument; they read and change the state here
// and learn of each other's changes through the signals below, never through
// one another.
//
// Lifetime: the session outlives the windows that were handed it. Once
// ExitRequested is set the link makes no exchange; the lists stay valid, so
// code interrupted by the end can run on.
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "main/core/ControlRules.h"
#include "main/core/Instrument.h"
#include "main/core/Readback.h"
#include "main/core/StatusPoll.h"
#include "main/core/TaskQueue.h"
#include "session/core/BusyModel.h"

class TInstrumentLink;
class TVMComPort;

class TInstrumentSession : public QObject {
  Q_OBJECT

 public:
  explicit TInstrumentSession(QObject *parent = nullptr);
  ~TInstrumentSession() override;

  // --- The link ------------------------------------------------------------
  TInstrumentLink &Link() const { return *FLink; }
  TVMComPort *ComPort() const;

  // --- What runs, and whether more may start -----------------------------
  vm::BusyModel Busy;
  // The program is ending: no exchange is made any more.
  bool ExitRequested = false;
  // Running without an instrument.
  bool DemoMode = false;
  // Start-up's first initialisation is still to come.
  bool StartupPending = false;
  // Whether a modal dialog is open; installed by the window side.
  std::function<bool()> ModalDialogOpen;
  vm::Verdict MayStart(vm::Work work) const;
  // Nothing is sent and the queue drops new commands while the controls are
  // filled from the instrument (see vm::BusyModel::CommandsOff).
  bool CommandsDisabled() const { return Busy.CommandsDisabled(); }
  bool StatusUpdateBusy() const { return Busy.Running(vm::Work::StatusPoll); }
  bool TaskBusy() const { return Busy.Running(vm::Work::QueueTick); }
  bool InitializeRunning() const { return Busy.Running(vm::Work::Initialisation); }
  bool SettingsFileBusy() const { return Busy.Running(vm::Work::SettingsFile); }
  bool CalReadPending() const { return Busy.Requested(vm::Work::CalReadback); }
  bool CalLoadPending() const { return Busy.Requested(vm::Work::CalLoad); }

  // --- The command queue -------------------------------------------------
  vm::TaskQueue Tasks;
  // Queues one command like a user's edit (dropped while CommandsDisabled).
  void QueueCommand(const QString &command);
  // Queues a script's line; its reply comes back through RemoteLineAnswered.
  void QueueRemoteLine(const QString &line, uint64_t ticket);
  void AnswerRemoteLine(uint64_t ticket, const QString &reply);
  // Refresh: the whole configuration is read again at the next free tick.
  void RequestRefresh();
  // Storage-bin recall, served like a Refresh after "*RCL <bin>".
  void RequestRecall(int bin);

  // --- The instrument -----------------------------------------------------
  // Identity from the identity query; BadgeNumber is the model number the
  // calibration readback read with "*BAD".
  QString CompanyBadge;
  QString ModelNumber;
  int32_t SerialNumber = 0;
  int32_t BadgeNumber = 0;
  QString FirmwareVersion;
  QString FpgaVersion;
  // The main window's caption as the last initialisation set it; the
  // calibration list records it.
  QString Caption;
  // Sends "*IDN?" and sets the identity from the reply (fields the reply
  // does not give keep their values).
  void ParseIDN();
  void SetSerialNumber(int32_t serial);

  int ChannelCount = 4;
  void SetChannelCount(int count);

  // Last value sent to or read from the instrument, per setting.
  vm::TSystemParameters SystemParameters{};
  vm::TChannelTable ChannelParameters{};  // indexed 1..8, element 0 unused
  // Operating limits and resolutions, assigned at every initialisation.
  vm::OperatingLimits Limits{};
  // Trigger/gate input calibration as last read or sent.
  double TrigGateGainCal = 0;
  double TrigGateOffCal = 0;

  // Status: the last reply to "*SS" and what it says, and the error latch.
  int32_t SystemStatus = 0;
  bool SystemRunning = false;
  bool AdjustableOutputs = false;
  vm::ErrorLatch ErrorState;
  int32_t ErrorCode() const { return ErrorState.ErrorCode(); }

  // Last readbacks as replayable command lines.
  QStringList SettingsList;
  QStringList CalSettingsList;

  // --- Changes of the caches -----------------------------------------------
  // ParametersChanged's argument: 0 the system settings, 1..8 channel n,
  // kAllParameters more than one of them or a whole readback.
  static constexpr int kAllParameters = -1;
  // Watches the caches while it lives: when the outermost watch ends and
  // something changed, ParametersChanged is emitted once. Watches nest (a
  // readback dispatches events, and an edit may arrive in it).
  class ParameterWatch {
   public:
    explicit ParameterWatch(TInstrumentSession &session);
    ~ParameterWatch();
    ParameterWatch(const ParameterWatch &) = delete;
    ParameterWatch &operator=(const ParameterWatch &) = delete;

   private:
    TInstrumentSession &FSession;
  };
  // A readback has written the caches: one ParametersChanged(kAllParameters)
  // when the outermost watch ends (at once without a watch).
  void NoteReadback();
  // A settings file has been sent and read back.
  void NoteSettingsRestored();

 Q_SIGNALS:
  // The queue has work (a command, a script's line or a request): the
  // window's task timer serves it.
  void CommandsQueued();
  void RefreshRequested();
  void RemoteLineAnswered(uint64_t ticket, const QString &reply);
  void ChannelCountChanged(int count);
  void IdentityChanged();
  void ParametersChanged(int which);
  void SettingsRestored();

 private:
  void ConnectLink();
  void EndWatch();

  TInstrumentLink *FLink = nullptr;
  int FWatchDepth = 0;
  bool FWatchReadback = false;
  vm::TSystemParameters FWatchedSystem{};
  vm::TChannelTable FWatchedChannels{};
};
