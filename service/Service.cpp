// The calibration window: readback, edit handlers, store, deferral timer and
// page focus memory.
#include "service/Service.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>

#include "controls/plussped.h"
#include "forms/MessageInfo.h"
#include "forms/ServiceWindowForm.h"
#include "link/DateTimeText.h"
#include "link/InstrumentLink.h"
#include "main/NameNumber.h"
#include "main/core/CommandSet.h"
#include "session/InstrumentSession.h"
#include "ui/FileDialogs.h"

TServiceForm *ServiceForm = nullptr;

namespace {
QString Q(const std::string &s) { return QString::fromStdString(s); }

// Channel number of a per-channel control, 0 when its name carries none.
int ChannelOf(QObject *sender) {
  const auto n = NumberFromComponentName(sender);
  return n && *n >= 1 && *n <= 8 ? *n : 0;
}
}  // namespace

TServiceForm::TServiceForm(TInstrumentSession &session, QWidget *parent)
    : QWidget(parent, Qt::Window), Session(session) {
  if (!ServiceForm) ServiceForm = this;
  setObjectName(QStringLiteral("ServiceForm"));
  Ui = forms::BuildServiceWindow(this);
  StoreCalReminderLbl = Ui.StoreCalReminderLbl;

  BindCalPage(1, Ui.Cal1);
  ConnectCalPage(1);
  FActiveCalControls.resize(1, nullptr);

  connect(Ui.TrigGateAmpGainAdj, &TPlusSpinEdit::OnChange, this,
          [this] { TrigGateAmpGainAdjChange(); });
  connect(Ui.TrigGateAmpOffAdj, &TPlusSpinEdit::OnChange, this,
          [this] { TrigGateAmpOffAdjChange(); });
  const std::pair<QPushButton *, void (TServiceForm::*)()> buttons[] = {
      {Ui.StoreCalsBtn, &TServiceForm::StoreCalsBtnClick},
      {Ui.SaveCalsBtn, &TServiceForm::SaveCalsBtnClick},
      {Ui.LoadCalsBtn, &TServiceForm::LoadCalsBtnClick},
      {Ui.SerialNumSetBtn, &TServiceForm::SerialNumSetBtnClick},
  };
  for (const auto &[b, handler] : buttons)
    connect(b, &QPushButton::clicked, this, [this, h = handler] { (this->*h)(); });
  connect(Ui.NumChSelectButtons, &QButtonGroup::idClicked, this, [this] { NumChSelectClick(); });
  if (auto *pc = Ui.ChPageCalibration) {
    // tabBarClicked comes before the switch (the focus is still where the
    // user left it), currentChanged after it.
    connect(pc, &QTabWidget::tabBarClicked, this, [this] { ChPageCalibrationChanging(); });
    connect(pc, &QTabWidget::currentChanged, this, [this] { ChPageCalibrationChange(); });
    // Page changes from the keyboard (Ctrl+Tab, arrows on the tabs) or the
    // program give no click first: the memory also follows the focus itself,
    // taking note of the control a page's focus leaves.
    connect(qApp, &QApplication::focusChanged, &FFocusWatch, [this, pc](QWidget *old, QWidget *) {
      if (!old || old->window() != this || FRestoringFocus) return;
      for (int i = 0; i < pc->count(); ++i)
        if (pc->widget(i)->isAncestorOf(old)) {
          if (FActiveCalControls.size() <= i) FActiveCalControls.resize(i + 1, nullptr);
          FActiveCalControls[i] = old;
          return;
        }
    });
  }

  // Runs once after creation; with no flag set its first tick only stops it.
  CalTimer = new QTimer(this);
  CalTimer->setObjectName(QStringLiteral("CalTimer"));
  CalTimer->setInterval(1000);
  connect(CalTimer, &QTimer::timeout, this, [this] { CalTimerTimer(); });
  CalTimer->start();
  hide();
}

TServiceForm::~TServiceForm() {
  if (ServiceForm == this) ServiceForm = nullptr;
}

QFileDialog *TServiceForm::OpenFileDialog() {
  return OpenFile ? OpenFile() : vm::OwnedOpenDialog(this);
}

void TServiceForm::BindCalPage(int n, const forms::TCalPage &page) {
  ChDelayCalAdj[size_t(n)] = page.ChDelayCalAdj;
  ChWidthCalAdj[size_t(n)] = page.ChWidthCalAdj;
  ChAmpGainAdj[size_t(n)] = page.ChAmpGainAdj;
  ChAmpOffAdj[size_t(n)] = page.ChAmpOffAdj;
}

void TServiceForm::ConnectCalPage(int n) {
  using Handler = void (TServiceForm::*)(QObject *);
  const std::pair<TPlusSpinEdit *, Handler> spins[] = {
      {ChDelayCalAdj[size_t(n)], &TServiceForm::SetChDelayCal},
      {ChWidthCalAdj[size_t(n)], &TServiceForm::SetChWidthCal},
      {ChAmpGainAdj[size_t(n)], &TServiceForm::SetChAmpGainCal},
      {ChAmpOffAdj[size_t(n)], &TServiceForm::SetChAmpOffCal},
  };
  for (const auto &[spin, handler] : spins)
    if (spin)
      connect(spin, &TPlusSpinEdit::OnChange, this,
              [this, h = handler](TPlusSpinEdit *s) { (this->*h)(s); });
}

void TServiceForm::EnsureCalPages(int count) {
  for (int n = 2; n <= count && n <= 8; ++n) {
    if (ChDelayCalAdj[size_t(n)]) continue;
    BindCalPage(n, forms::CreateCalPage(this, n));
    ConnectCalPage(n);
  }
  FActiveCalControls.resize(Ui.ChPageCalibration->count(), nullptr);
}

void TServiceForm::ShowReminder(bool on) {
  if (StoreCalReminderLbl) StoreCalReminderLbl->setVisible(on);
}

void TServiceForm::ShowProgress(const QString &text) {
  if (!MessageForm) return;
  MessageForm->MessageLabel->setText(text);
  MessageForm->show();
}

void TServiceForm::CloseProgress() {
  if (MessageForm) MessageForm->close();
}

// --- Opening and readback --------------------------------------------------------

void TServiceForm::ServiceInitialize() {
  if (!ServiceTabsCreated) {
    EnsureCalPages(Session.ChannelCount);
    ServiceTabsCreated = true;
  }
  ShowReminder(false);
  RetrieveCals();
}

void TServiceForm::RetrieveCals() {
  TInstrumentSession &m = Session;
  TInstrumentLink &link = m.Link();
  m.Busy.Request(vm::Work::CalReadback);
  switch (m.MayStart(vm::Work::CalReadback)) {
    case vm::Verdict::Run:
      break;
    case vm::Verdict::Defer:
      // A status poll (or any other exchange) is waiting for its reply: a
      // query now would give up at once and read as 0. Try again in a second.
      CalTimer->start();
      return;
    default:
      return;
  }
  const vm::BusyModel::Guard running = m.Busy.Start(vm::Work::CalReadback);
  link.SendCommand(Q(vm::UnlockCommand()));
  link.SendCommand(Q(vm::StoreCalsCommand(true)));

  const QDateTime now = QDateTime::currentDateTime();
  QStringList &list = m.CalSettingsList;
  list.clear();
  for (const std::string &line : vm::CalHeaderLines(
           vm::UserDateText(now.date()).toStdString(), vm::UserTimeText(now.time()).toStdString(),
           m.Caption.toStdString(), m.SerialNumber, m.FirmwareVersion.toStdString(),
           m.FpgaVersion.toStdString()))
    list << Q(line);

  ShowProgress(QString::fromLatin1(vm::kInitializingSystemCals));
  vm::HoldCount::Hold commandsOff(m.Busy.CommandsOff);

  // The unit's identity and the trigger/gate input; the model read may change
  // the channel count, so the channel part is listed afterwards.
  for (const vm::CalStep &step : vm::CalReadbackSteps(0)) {
    const QString header = Q(step.header);
    double recorded = 0;
    switch (step.item) {
      case vm::CalItem::Serial:
        m.SetSerialNumber(link.QueryInteger(header));
        Ui.SerialNumEdit->setText(QString::number(m.SerialNumber));
        recorded = m.SerialNumber;
        break;
      case vm::CalItem::Badge: {
        m.BadgeNumber = link.QueryInteger(header);
        recorded = m.BadgeNumber;
        break;
      }
      case vm::CalItem::ExtGain:
        m.TrigGateGainCal = link.QueryFloat(header);
        Ui.TrigGateAmpGainAdj->AssignValue(m.TrigGateGainCal);
        recorded = m.TrigGateGainCal;
        break;
      case vm::CalItem::ExtOffset:
        m.TrigGateOffCal = link.QueryFloat(header);
        Ui.TrigGateAmpOffAdj->AssignValue(m.TrigGateOffCal);
        recorded = m.TrigGateOffCal;
        break;
      default:
        break;
    }
    list << Q(vm::CalLine(step, recorded));
    if (step.item == vm::CalItem::Badge) {
      // The model offered in the channels/model choice; a changed choice
      // acts as a click (its "*BAD" command is dropped: sending is off).
      const int item = vm::ItemForModel(m.ModelNumber.toStdString());
      QButtonGroup *group = Ui.NumChSelectButtons;
      if (item >= 0 && group->checkedId() != item) {
        group->button(item)->setChecked(true);
        NumChSelectClick();
      }
    }
    if (m.ExitRequested) break;
  }

  // Every channel read must have its controls, also after the model choice
  // raised the channel count.
  EnsureCalPages(m.ChannelCount);
  int shown = 0;
  for (const vm::CalStep &step : vm::CalReadbackSteps(m.ChannelCount)) {
    if (m.ExitRequested) break;
    const int n = step.channel;
    if (n == 0) continue;
    if (n != shown && MessageForm) {
      MessageForm->MessageLabel->setText(Q(vm::InitializingChannelCals(n)));
      shown = n;
    }
    vm::TChannelCal &c = Cal.Channel[size_t(n)];
    const QString header = Q(step.header);
    double recorded = 0;
    switch (step.item) {
      case vm::CalItem::Width:
        c.WidthCal = link.QueryInteger(header);
        ChWidthCalAdj[size_t(n)]->AssignValue(c.WidthCal);
        recorded = c.WidthCal;
        break;
      case vm::CalItem::Delay:
        c.DelayCal = link.QueryInteger(header);
        ChDelayCalAdj[size_t(n)]->AssignValue(c.DelayCal);
        recorded = c.DelayCal;
        break;
      case vm::CalItem::Gain:
        c.AmpGainCal = link.QueryFloat(header);
        ChAmpGainAdj[size_t(n)]->AssignValue(c.AmpGainCal);
        recorded = c.AmpGainCal;
        break;
      case vm::CalItem::Offset:
        c.AmpOffCal = link.QueryFloat(header);
        ChAmpOffAdj[size_t(n)]->AssignValue(c.AmpOffCal);
        recorded = c.AmpOffCal;
        break;
      default:
        break;
    }
    list << Q(vm::CalLine(step, recorded));
  }

  commandsOff.Release();
  CloseProgress();
  ShowReminder(false);
  m.Busy.Finish(vm::Work::CalReadback);
  if (FSaveWaiting && !m.ExitRequested) {
    FSaveWaiting = false;
    WriteCalFile(FPendingSavePath);
  }
}

// --- Edit handlers ---------------------------------------------------------------

void TServiceForm::SetChWidthCal(QObject *Sender) {
  const int n = ChannelOf(Sender);
  auto *spin = qobject_cast<TPlusSpinEdit *>(Sender);
  if (!n || !spin) return;
  Cal.Channel[size_t(n)].WidthCal = int32_t(vm::RoundHalfEven(spin->Value()));
  Session.QueueCommand(Q(vm::CalWidthCommand(n, Cal.Channel[size_t(n)].WidthCal)));
  ShowReminder(true);
}

void TServiceForm::SetChDelayCal(QObject *Sender) {
  const int n = ChannelOf(Sender);
  auto *spin = qobject_cast<TPlusSpinEdit *>(Sender);
  if (!n || !spin) return;
  vm::TChannelCal &c = Cal.Channel[size_t(n)];
  const auto d = int32_t(vm::RoundHalfEven(spin->Value()));
  TPlusSpinEdit *width = ChWidthCalAdj[size_t(n)];
  c.WidthCal = width ? vm::WidthAfterDelayChange(c.WidthCal, c.DelayCal, d, width->MinValue(),
                                                 width->MaxValue())
                     : c.WidthCal + (d - c.DelayCal);
  c.DelayCal = d;
  Session.QueueCommand(Q(vm::CalDelayCommand(n, d)));
  ShowReminder(true);
  // A changed width control queues its own command right after this one.
  if (width) width->AssignValue(c.WidthCal);
}

void TServiceForm::SetChAmpGainCal(QObject *Sender) {
  const int n = ChannelOf(Sender);
  auto *spin = qobject_cast<TPlusSpinEdit *>(Sender);
  if (!n || !spin) return;
  Cal.Channel[size_t(n)].AmpGainCal = vm::RoundHalfEven(spin->Value());
  Session.QueueCommand(Q(vm::CalGainCommand(n, Cal.Channel[size_t(n)].AmpGainCal)));
  ShowReminder(true);
}

void TServiceForm::SetChAmpOffCal(QObject *Sender) {
  const int n = ChannelOf(Sender);
  auto *spin = qobject_cast<TPlusSpinEdit *>(Sender);
  if (!n || !spin) return;
  Cal.Channel[size_t(n)].AmpOffCal = vm::RoundHalfEven(spin->Value());
  Session.QueueCommand(Q(vm::CalOffsetCommand(n, Cal.Channel[size_t(n)].AmpOffCal)));
  ShowReminder(true);
}

void TServiceForm::TrigGateAmpGainAdjChange() {
  Session.TrigGateGainCal = Ui.TrigGateAmpGainAdj->Value();
  Session.QueueCommand(Q(vm::CalExtGainCommand(Session.TrigGateGainCal)));
  ShowReminder(true);
}

void TServiceForm::TrigGateAmpOffAdjChange() {
  Session.TrigGateOffCal = Ui.TrigGateAmpOffAdj->Value();
  Session.QueueCommand(Q(vm::CalExtOffsetCommand(Session.TrigGateOffCal)));
  ShowReminder(true);
}

void TServiceForm::StoreCalsBtnClick() {
  Session.QueueCommand(Q(vm::StoreCalsCommand(false)));
  ShowReminder(false);
  Session.QueueCommand(Q(vm::StoreCalsCommand(true)));
}

// --- Deferral and page focus ------------------------------------------------------

void TServiceForm::CalTimerTimer() {
  CalTimer->stop();
  if (Session.CalLoadPending()) LoadCalibrations();
  if (Session.CalReadPending()) RetrieveCals();
}

void TServiceForm::ChPageCalibrationChanging() {
  QTabWidget *pc = Ui.ChPageCalibration;
  if (pc->currentIndex() < 0) return;
  const int page = pc->currentIndex();
  if (FActiveCalControls.size() <= page) FActiveCalControls.resize(page + 1, nullptr);
  QWidget *focus = QApplication::focusWidget();
  FActiveCalControls[page] = focus && focus->window() == this ? focus : nullptr;
}

void TServiceForm::ChPageCalibrationChange() {
  const int page = Ui.ChPageCalibration->currentIndex();
  if (page < 0 || page >= FActiveCalControls.size()) return;
  if (QWidget *w = FActiveCalControls[page];
      w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
    FRestoringFocus = true;
    w->setFocus(Qt::OtherFocusReason);
    FRestoringFocus = false;
  }
}
