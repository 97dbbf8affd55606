// Instrument initialisation: the identity, the channel pages and storage-bin
// items on first use, the configuration readback, the operating limits and
// the enabling rules.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <stdexcept>

#include "ui/Dialogs.h"
#include "controls/plussped.h"
#include "controls/rpVersionInfo.h"
#include "forms/MainWindowForm.h"
#include "forms/MessageInfo.h"
#include "link/DateTimeText.h"
#include "link/InstrumentLink.h"
#include "main/InputLock.h"
#include "main/Main.h"
#include "main/core/ChannelControls.h"
#include "main/core/CommandSet.h"
#include "main/core/ConfigurationReader.h"
#include "serial/VMComPort.h"

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }

// The link's exchanges for the configuration reader.
class LinkQueries : public vm::InstrumentQueries {
 public:
  explicit LinkQueries(TInstrumentLink &link) : link_(link) {}
  std::string QueryText(const std::string &header) override {
    return link_.QueryText(Q(header)).toLatin1().toStdString();
  }
  int32_t QueryInteger(const std::string &header) override { return link_.QueryInteger(Q(header)); }

 private:
  TInstrumentLink &link_;
};

// Writes each result of the reading sequence into the window.
class WindowSink : public vm::ConfigurationSink {
 public:
  explicit WindowSink(TMainForm &f) : f_(f) {}

  void OnSystem(const vm::SystemReadback &r) override { f_.ApplySystemReadback(r); }
  void OnTrigGate(const vm::TrigGateReadback &r) override { f_.ApplyTrigGateReadback(r); }

  void OnSecurity(int32_t state) override {
    if (auto *item = f_.Ui.ServiceWindowMenu)
      item->setVisible(state == 1);
  }

  void OnAutoStart(int32_t value) override {
    Check(f_.Ui.AutoStartEnbl, value == 1);
  }

  void OnClocks(bool present, int32_t inputClock, int32_t outputClock) override {
    if (!present) return;  // the groups are hidden with the counter sources below
    SelectSilently(f_.Ui.ExternalInputClkSel, inputClock);
    SelectSilently(f_.Ui.ExternalOutputClkSel, outputClock);
  }

  void OnCounter(int32_t counterEnabled, int32_t counterSource) override {
    Check(f_.Ui.ShotCountEnbl, counterEnabled == 1);
    SelectSilently(f_.Ui.CounterSourceSel, counterSource);
    if (auto *list = f_.Ui.CounterSourceSel)
      list->setEnabled(true);
    // Clock groups shown only with more than four channels; counter sources
    // kept for the channels the model has.
    forms::ApplyModelToAdditionalPage(&f_, f_.Session.ChannelCount);
  }

  bool BeforeChannels() override {
    f_.UpdateStatus();
    return f_.Session.AdjustableOutputs;
  }

  void OnChannelStart(int n) override {
    if (MessageForm && MessageForm->MessageLabel)
      MessageForm->MessageLabel->setText(Q(vm::InitializingChannelText(n)));
    // The model's items go before the values arrive, so a report the model
    // cannot show ("Gate B" on four channels) is handled the same way at
    // the first readback and at every later one.
    if (n <= f_.BuiltChannels()) forms::TrimChannelPage(&f_, n, f_.Session.ChannelCount);
  }

  void OnChannel(int n, const vm::ChannelReadback &r) override {
    if (n > f_.BuiltChannels()) return;  // no page for it (model changed since start)
    f_.ApplyChannelReadback(n, r);
    if (r.ok()) f_.ChModesEnable(n);
  }

 private:
  // Check boxes show the value; the cache keeps it exactly as read (a
  // state of 2 stays 2), so no click handler rewrites it from the box.
  static void Check(QCheckBox *box, bool on) {
    const QSignalBlocker block(box);
    box->setChecked(on);
  }
  static void SelectSilently(QComboBox *list, int index) {
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
  }
  TMainForm &f_;
};

}  // namespace

void TMainForm::BindChannelArrays(int n, const forms::TChannelPage &page) {
  if (n < 1 || n > vm::kMaxChannels) return;
#define VM_BIND_CHANNEL_ARRAY(kind, name, ...) name[size_t(n)] = page.name;
  VM_CHANNEL_ARRAYS(VM_BIND_CHANNEL_ARRAY)
#undef VM_BIND_CHANNEL_ARRAY
}

int TMainForm::BuiltChannels() const {
  int n = 0;
  while (n < vm::kMaxChannels && ChDelayAdj[size_t(n + 1)]) ++n;
  return n;
}

void TMainForm::ConnectWindowHandlers() {
  if (auto *b = Ui.RunStopbtn)
    connect(b, &QPushButton::clicked, this, [this] { RunStopbtnClick(); });
  if (auto *a = Ui.Up1)
    connect(a, &QAction::triggered, this, [this] { Up1Click(); });
  for (QAction *a : {Ui.BinSave1})
    connect(a, &QAction::triggered, this, [this, a] { SaveStorageBin(a); });
  for (QAction *a : {Ui.BinRestore0, Ui.BinRestore1})
    connect(a, &QAction::triggered, this, [this, a] { RecallStorageBin(a); });
  ConnectToolHandlers();
  if (auto *a = Ui.ServiceMenu)
    connect(a, &QAction::triggered, this, [this] { ServiceMenuClick(); });
  if (auto *a = Ui.ServiceWindowMenu)
    connect(a, &QAction::triggered, this, [this] { ServiceWindowMenuClick(); });
  connect(Ui.TimingDiagramMenu, &QAction::triggered, this, [this] {
    if (OpenTimingDiagram) OpenTimingDiagram();
  });
  if (auto *b = Ui.ShotCountEnbl)
    connect(b, &QCheckBox::clicked, this, [this] { ShotCountEnblClick(); });
  if (auto *b = Ui.ClearShotCount)
    connect(b, &QPushButton::clicked, this, [this] { ClearShotCountClick(); });
  // Page switches: tabBarClicked comes before the switch (the focus is still
  // where the user left it), currentChanged after it.
  if (auto *pc = Ui.SystemPageControl) {
    connect(pc, &QTabWidget::tabBarClicked, this, [this] { SystemPageControlChanging(); });
    connect(pc, &QTabWidget::currentChanged, this, [this] { SystemPageControlChange(); });
  }
  if (auto *pc = Ui.ChPageControl) {
    connect(pc, &QTabWidget::tabBarClicked, this, [this] { ChPageControlChanging(); });
    connect(pc, &QTabWidget::currentChanged, this, [this] { ChPageControlChange(); });
  }
  // Page switches from the keyboard or the program give no click first: the
  // memory also follows the focus itself, taking note of the control a
  // page's focus leaves (a switch takes it away from the old page first).
  connect(qApp, &QApplication::focusChanged, &FFocusWatch, [this](QWidget *old, QWidget *) {
    if (!old || old->window() != this || FRestoringFocus) return;
    for (const auto &[pc, memory] : {std::pair{Ui.SystemPageControl, &FActiveSysControls},
                                     std::pair{Ui.ChPageControl, &FActiveChControls}}) {
      for (int i = 0; i < pc->count(); ++i)
        if (pc->widget(i)->isAncestorOf(old)) {
          if (memory->size() <= i) memory->resize(i + 1, nullptr);
          (*memory)[i] = old;
          return;
        }
    }
  });
}

void TMainForm::CreateChannelTabs() {
  const int count = Session.ChannelCount;
  for (int n = 2; n <= count && n <= vm::kMaxChannels; ++n) {
    const forms::TChannelPage page = forms::CreateChannelPage(this, n);
    if (!page.Page) continue;  // exists already
    BindChannelArrays(n, page);
    ConnectChannelHandlers(n);
  }
  ChannelTabsCreated = true;
  auto *pc = Ui.ChPageControl;
  FActiveChControls = QList<QWidget *>(pc ? pc->count() : 0, nullptr);
}

void TMainForm::UpdateStorageBins() {
  auto *save = Ui.SaveToBin;
  auto *restore = Ui.RestoreFromBin;
  for (int i = vm::kFirstBuiltBin; i <= vm::kLastBin; ++i) {
    auto *s = new QAction(QString::number(i), this);
    s->setObjectName(Q(vm::BinSaveName(i)));
    connect(s, &QAction::triggered, this, [this, s] { SaveStorageBin(s); });
    if (save) save->addAction(s);
    auto *r = new QAction(QString::number(i), this);
    r->setObjectName(Q(vm::BinRestoreName(i)));
    connect(r, &QAction::triggered, this, [this, r] { RecallStorageBin(r); });
    if (restore) restore->addAction(r);
    BinSave[size_t(i)] = s;
    BinRestore[size_t(i)] = r;
  }
  StorageBinsCreated = true;
}

void TMainForm::SetResolutionRanges() {
  const vm::OperatingLimits &l = Session.Limits;
  if (auto *p = Ui.PeriodAdj) {
    p->setIncrement(l.PeriodResolution);
    p->setDecimals(l.PeriodDecimals);
    p->setMaxValue(l.PeriodMax);
    p->setMinValue(l.PeriodMin);
  }
  Ui.SysBurstAdj->setMaxValue(double(l.SysBurstMax));
  Ui.SysDutyOnAdj->setMaxValue(double(l.SysDutyMax));
  Ui.SysDutyOffAdj->setMaxValue(double(l.SysDutyMax));
  Ui.SysCycleCountAdj->setMaxValue(double(l.SysCycleMax));
  const int last = std::min(Session.ChannelCount, BuiltChannels());
  for (int n = 1; n <= last; ++n) {
    TPlusSpinEdit *d = ChDelayAdj[size_t(n)];
    d->setIncrement(l.DelayResolution);
    d->setMaxValue(l.DelayMax);
    d->setMinValue(l.DelayMin);
    d->setDecimals(l.DelayDecimals);
    TPlusSpinEdit *w = ChWidthAdj[size_t(n)];
    w->setIncrement(l.WidthResolution);
    w->setMaxValue(l.WidthMax);
    w->setMinValue(l.WidthMin);
    w->setDecimals(l.WidthDecimals);
    ChBurstAdj[size_t(n)]->setMaxValue(l.ChBurstMax);
    ChDutyOnAdj[size_t(n)]->setMaxValue(l.ChDutyMax);
    ChDutyOffAdj[size_t(n)]->setMaxValue(l.ChDutyMax);
    ChWaitCountAdj[size_t(n)]->setMaxValue(l.ChWaitMax);
  }
}

void TMainForm::Up1Click() { Session.RequestRefresh(); }

void TMainForm::ShowMessageForm(bool show) {
  if (!MessageForm) return;
  if (show) {
    MessageForm->MessageLabel->setText(QString::fromLatin1(vm::kInitializingSystem));
    MessageForm->show();
  } else {
    MessageForm->close();
  }
  FMessageFormShown = show;
}

void TMainForm::Initialize() {
  // Never nested: a Refresh or recall chosen while one runs waits for the
  // task timer, which skips its ticks until this one has ended.
  if (Session.MayStart(vm::Work::Initialisation) != vm::Verdict::Run) return;
  const vm::BusyModel::Guard running = Session.Busy.Start(vm::Work::Initialisation);
  // One change of the caches for the whole readback, edits made meanwhile included.
  const TInstrumentSession::ParameterWatch watch(Session);
  LastInitializeFailed = false;
  // No user edits while the controls are filled: they could not be sent.
  const TInputLock lock({Ui.MainClient});
  try {
    InitializeSteps();
  } catch (const vm::ConversionError &e) {
    RecoverFromReadbackError(QString::fromStdString(e.what()));
  }
}

// A reply field that could not be converted ended the reading. The user is
// told, and the window goes back to a working state: commands are sent again,
// both timers run, the progress window is closed. Queued commands are kept;
// pending Refresh/recall requests are dropped (they would fail the same way).
// The initialisation counts as running until the box has been answered.
void TMainForm::RecoverFromReadbackError(const QString &text) {
  LastInitializeFailed = true;
  if (FMessageFormShown) ShowMessageForm(false);
  if (!Session.ExitRequested) {
    vm::MessageRequest box;
    box.icon = QMessageBox::Critical;
    box.title = QStringLiteral("Error");
    box.text = text;
    vm::ShowMessage(this, box);
  }
  Session.Tasks.RecoverAfterError();
  FInitCommandsOff.reset();
  if (Session.ExitRequested) return;
  // What was read stays on show and can be edited, also when this was the
  // first initialisation; Refresh reads everything again.
  if (auto *p = Ui.PeriodAdj) p->setSpinEnabled(true);
  SystemModesEnable();
  TriggerModesEnable();
  GateModesEnable();
  Ui.SystemPageControl->show();
  Ui.ChPageControl->show();
  StatusTimer->start();
  TaskTimer->start();
}

void TMainForm::InitializeSteps() {
  const QString version = VersionInfo->FileVersion();
  auto *shotCount = Ui.ShotCountlbl;
  auto *serialLbl = Ui.SerialNumberlbl;
  auto *fwLbl = Ui.FWVersionlbl;
  auto *fpgaLbl = Ui.FPGAVersionlbl;

  // 1, 2: the record starts with the date; the count is unknown until polled.
  const QDateTime now = QDateTime::currentDateTime();
  Session.SettingsList.clear();
  Session.SettingsList << Q(vm::DateLine(vm::UserDateText(now.date()).toStdString(),
                                         vm::UserTimeText(now.time()).toStdString()));
  if (shotCount) shotCount->setText(QString::fromLatin1(vm::kShotCountUnknown));

  // 3. Demonstration mode: the fixed identity, nothing else.
  if (Session.DemoMode) {
    StatusTimer->stop();
    Session.Caption = Q(vm::DemoCaption(version.toStdString()));
    setWindowTitle(Session.Caption);
    if (serialLbl) serialLbl->setText(QString::fromLatin1(vm::kDemoSerialLabel));
    if (fwLbl) fwLbl->setText(QString::fromLatin1(vm::kDemoFirmwareLabel));
    if (fpgaLbl) fpgaLbl->setText(QString::fromLatin1(vm::kDemoFpgaLabel));
    return;
  }

  // 4. No polling and no commands while the controls are filled.
  StatusTimer->stop();
  FInitCommandsOff.emplace(Session.Busy.CommandsOff);
  const bool progress = Session.Tasks.ShowsProgress();
  if (progress) ShowMessageForm(true);
  QCoreApplication::processEvents();
  if (Session.ExitRequested) return;

  // 5-7. Identity.
  const std::string badge = Session.CompanyBadge.toStdString();
  if (vm::ShowsBanner(badge))
    if (auto *banner = Ui.VMBlueBanner) banner->show();
  const QString caption =
      Q(vm::MainCaption(badge, Session.ModelNumber.toStdString(), version.toStdString(),
                        std::to_string(ComPort->Port()), ComPort->Baud()));
  Session.Caption = caption;
  setWindowTitle(caption);
  const QString serialText = Q(vm::SerialNumberLabel(Session.SerialNumber));
  const QString fwText = Q(vm::FirmwareLabel(Session.FirmwareVersion.toStdString()));
  const QString fpgaText = Q(vm::FpgaLabel(Session.FpgaVersion.toStdString()));
  if (serialLbl) serialLbl->setText(serialText);
  if (fwLbl) fwLbl->setText(fwText);
  if (fpgaLbl) fpgaLbl->setText(fpgaText);
  for (const QString &line : {caption, serialText, fwText, fpgaText})
    Session.SettingsList << Q(vm::CommentLine(line.toStdString()));

  // 8, 9. Channel count, then pages and bin items on first use.
  Session.SetChannelCount(vm::ChannelCountForModel(Session.ModelNumber.toStdString()));
  if (!ChannelTabsCreated) CreateChannelTabs();
  if (!StorageBinsCreated) UpdateStorageBins();
  QCoreApplication::processEvents();
  if (Session.ExitRequested) return;

  // 10-18. Limits, then everything the instrument reports, in its fixed
  // order. The limits go on before the values, so that no value the
  // instrument holds is clamped by the wider design-time limits.
  Session.Limits = vm::OperatingLimits{};
  SetResolutionRanges();
  LinkQueries io(Session.Link());
  WindowSink sink(*this);
  std::vector<std::string> record;
  const auto error = vm::ReadConfiguration(io, sink, Session.ChannelCount, Session.SystemParameters,
                                           Session.ChannelParameters, record);
  for (const std::string &line : record) Session.SettingsList << QString::fromLatin1(line.c_str());
  Session.NoteReadback();
  if (error) throw *error;
  if (Session.ExitRequested) return;

  // 19-22.
  SetResolutionRanges();
  FInitCommandsOff.reset();
  if (auto *p = Ui.PeriodAdj) p->setSpinEnabled(true);
  auto *chPages = Ui.ChPageControl;
  auto *sysPages = Ui.SystemPageControl;
  for (QTabWidget *pc : {chPages, sysPages}) {
    if (!pc) continue;
    const QSignalBlocker block(pc);  // a page chosen by the program is no user switch
    pc->setCurrentIndex(0);
  }
  SystemModesEnable();
  TriggerModesEnable();
  GateModesEnable();
  StatusTimer->start();
  if (progress || FMessageFormShown) ShowMessageForm(false);
  if (sysPages) sysPages->show();
  if (chPages) chPages->show();
}
