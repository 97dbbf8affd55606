// Handlers of the system, additional and channel page controls.
//
// Every handler reads its control, lets the core update the cache and build
// the command (main/core/Edits.h) and queues that command. Which signal
// raises a handler:
//   - spin edits: OnChange (a user's step or typed digit, and AssignValue
//     from the program);
//   - check boxes: toggled, so that a check set from the program (the
//     readback, with commands disabled) still brings the cache along;
//   - lists: activated, an item chosen by the user only; selecting an item
//     from the program raises nothing. Text typed into an editable list is
//     taken on Enter or when the list loses the focus;
//   - the multiplexer check list: every change of a check mark;
//   - ReArm: clicked.
#include <type_traits>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ui/Dialogs.h"
#include "controls/plussped.h"
#include "forms/MainWindowForm.h"
#include "main/Main.h"
#include "main/NameNumber.h"
#include "main/WindowProbe.h"
#include "main/core/Edits.h"

namespace {

const char *const kConnectedProperty = "vmHandlerConnected";
// Editable lists: whether the user has typed since the text was last taken,
// and the text shown before the typing began.
const char *const kTypedProperty = "vmTextTyped";
const char *const kShownProperty = "vmTextShown";

// Notes an editable list's text when the list takes the focus, so that typed
// text that names nothing can be undone even when no item is selected.
class ShownTextKeeper : public QObject {
 public:
  explicit ShownTextKeeper(QComboBox *list) : QObject(list), List(list) {
    list->installEventFilter(this);
  }
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched == List && event->type() == QEvent::FocusIn &&
        !List->property(kTypedProperty).toBool())
      List->setProperty(kShownProperty, List->currentText());
    return false;
  }

 private:
  QComboBox *List;
};

// True the first time it is asked for `control`: connections are made once,
// however often a page is connected.
bool FirstConnection(QObject *control) {
  if (!control || control->property(kConnectedProperty).toBool()) return false;
  control->setProperty(kConnectedProperty, true);
  return true;
}

// The channel of a handler's sender: the number in its name, accepted only
// when the sender is that channel's element of the array the handler serves.
template <class T>
int SenderChannel(QObject *sender, const TControlArray<T> &array) {
  if (!sender) return -1;
  const int n = NumberFromComponentName(sender).value_or(-1);
  if (n < 1 || n > 8 || array[size_t(n)] == nullptr) return -1;
  if (static_cast<QObject *>(array[size_t(n)]) != sender) return -1;
  return n;
}

template <class T>
T *As(QObject *sender) {
  return qobject_cast<T *>(sender);
}

double SpinValue(QObject *sender) {
  auto *s = As<TPlusSpinEdit>(sender);
  return s ? s->Value() : 0.0;
}

int ListItem(QObject *sender) {
  auto *l = As<QComboBox>(sender);
  return l ? l->currentIndex() : -1;
}

std::vector<std::string> ListItems(const QComboBox *list) {
  std::vector<std::string> items;
  items.reserve(size_t(list->count()));
  for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
  return items;
}

// A plain setting's control value: spin value, item index, check mark.
double ControlValue(const TPlusSpinEdit *s) { return s->Value(); }
int ControlValue(const QComboBox *l) { return l->currentIndex(); }
bool ControlValue(const QCheckBox *b) { return b->isChecked(); }

// A spin edit's own enabled state and, for a group box or list, the widget's.
void SetOn(QWidget *w, bool on) {
  if (!w) return;
  if (auto *spin = qobject_cast<TPlusSpinEdit *>(w))
    spin->setSpinEnabled(on);
  else
    w->setEnabled(on);
}

}  // namespace

void TMainForm::QueueEdit(const std::string &command) {
  if (!command.empty()) QueuedCommandToPort(QString::fromStdString(command));
}

void TMainForm::RunHandler(ListHandler handler, QObject *sender) {
  // Whatever the handler changes in the caches is told once, when it is done.
  const TInstrumentSession::ParameterWatch watch(Session);
  (this->*handler)(sender);
}

// ---- connections ----------------------------------------------------------------

void TMainForm::ConnectList(QComboBox *list, ListHandler handler) {
  if (!FirstConnection(list)) return;
  connect(list, &QComboBox::activated, this, [this, list, handler](int) {
    // An Enter on typed text that names an item arrives here and takes the
    // text, so leaving the list afterwards must not take it again.
    list->setProperty(kTypedProperty, false);
    RunHandler(handler, list);
    list->setProperty(kShownProperty, list->currentText());
  });
  if (QLineEdit *edit = list->lineEdit()) {
    // The inline completion rewrites the text from the program, so "typed"
    // is tracked here rather than by the line edit's modified flag.
    connect(edit, &QLineEdit::textEdited, list,
            [list](const QString &) { list->setProperty(kTypedProperty, true); });
    connect(edit, &QLineEdit::editingFinished, this,
            [this, list, handler] { TakeTypedListText(list, handler); });
    new ShownTextKeeper(list);
  }
}

void TMainForm::TakeTypedListText(QComboBox *list, ListHandler handler) {
  if (!list->property(kTypedProperty).toBool()) return;
  list->setProperty(kTypedProperty, false);
  const QString text = list->currentText();
  const int item = list->findText(text, Qt::MatchFixedString);  // any letter case
  if (item >= 0) {
    list->setCurrentIndex(item);
    list->setEditText(list->itemText(item));
    RunHandler(handler, list);
  } else if (handler == &TMainForm::SetChannelSyncSource) {
    // The sync source is judged by its text: a channel name that is not in
    // the list (the channel's own) still gets its message.
    RunHandler(handler, list);
  } else {
    // A text that names no item is not a setting: nothing is sent and the
    // list shows what it showed before the typing.
    list->setEditText(list->currentIndex() >= 0 ? list->itemText(list->currentIndex())
                                                : list->property(kShownProperty).toString());
  }
  list->setProperty(kTypedProperty, false);
  list->setProperty(kShownProperty, list->currentText());
}

void TMainForm::ConnectSystemHandlers() {
  // The end-to-end driver's view of the window (only with VM5200_PROBE_DIR).
  InstallWindowProbe(*this, Session);
  auto spin = [this](TPlusSpinEdit *s, void (TMainForm::*handler)(QObject *)) {
    if (FirstConnection(s))
      connect(s, &TPlusSpinEdit::OnChange, this,
              [this, handler](TPlusSpinEdit *sender) { RunHandler(handler, sender); });
  };
  spin(Ui.PeriodAdj, &TMainForm::PeriodAdjChange);
  spin(Ui.SysBurstAdj, &TMainForm::SysBurstAdjChange);
  spin(Ui.SysDutyOnAdj, &TMainForm::SysDutyOnAdjChange);
  spin(Ui.SysDutyOffAdj, &TMainForm::SysDutyOffAdjChange);
  spin(Ui.SysCycleCountAdj, &TMainForm::SysCycleCountAdjChange);
  spin(Ui.TrigThresholdAdj, &TMainForm::TrigThresholdAdjChange);
  ConnectList(Ui.SystemModeSel, &TMainForm::SystemModeSelChange);
  ConnectList(Ui.TrigModeSel, &TMainForm::TrigModeSelChange);
  ConnectList(Ui.TriggerEdgeSel, &TMainForm::TriggerEdgeSelChange);
  ConnectList(Ui.GatePolaritySel, &TMainForm::GatePolaritySelChange);
  ConnectList(Ui.TrigGateDebounceSel, &TMainForm::TrigGateDebounceSelChange);
  ConnectList(Ui.CounterSourceSel, &TMainForm::CounterSourceSelChange);
  ConnectList(Ui.ExternalInputClkSel, &TMainForm::ExternalInputClkSelChange);
  ConnectList(Ui.ExternalOutputClkSel, &TMainForm::ExternalOutputClkSelChange);
  auto *autoStart = Ui.AutoStartEnbl;
  if (FirstConnection(autoStart))
    connect(autoStart, &QCheckBox::toggled, this,
            [this, autoStart](bool) { RunHandler(&TMainForm::AutoStartEnblClick, autoStart); });
}

void TMainForm::ConnectChannelHandlers(int n) {
  if (n < 1 || n > 8) return;
  // Each element's event to its handler, once per control.
  const auto connectOne = [this](auto *c, void (TMainForm::*handler)(QObject *)) {
    using T = std::remove_pointer_t<decltype(c)>;
    if constexpr (std::is_same_v<T, QComboBox>) {
      if (c) ConnectList(c, handler);
    } else if (FirstConnection(c)) {
      if constexpr (std::is_same_v<T, TPlusSpinEdit>)
        connect(c, &TPlusSpinEdit::OnChange, this,
                [this, handler](TPlusSpinEdit *sender) { RunHandler(handler, sender); });
      else if constexpr (std::is_same_v<T, QCheckBox>)
        connect(c, &QCheckBox::toggled, this, [this, c, handler](bool) { RunHandler(handler, c); });
      else if constexpr (std::is_same_v<T, QPushButton>)
        connect(c, &QPushButton::clicked, this, [this, c, handler] { RunHandler(handler, c); });
      else if constexpr (std::is_same_v<T, QListWidget>)
        connect(
            c->model(), &QAbstractItemModel::dataChanged, this,
            [this, c, handler](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
              if (roles.isEmpty() || roles.contains(Qt::CheckStateRole)) RunHandler(handler, c);
            });
      else
        static_assert(sizeof(T) == 0, "no event for this kind of channel control");
    }
  };
#define VM_CONNECT_CHANNEL_ELEMENT(kind, name, ...) \
  __VA_OPT__(connectOne(name[size_t(n)], &TMainForm::__VA_ARGS__);)
  VM_CHANNEL_ARRAYS(VM_CONNECT_CHANNEL_ELEMENT)
#undef VM_CONNECT_CHANNEL_ELEMENT
}

// ---- enabling ----------------------------------------------------------------------

void TMainForm::ChModesEnable(int chnum) {
  if (chnum < 1 || chnum > 8) return;
  const auto e = vm::ChModesEnableFor(Session.ChannelParameters[size_t(chnum)].Mode);
  if (!e) return;
  SetOn(ChBurstCountGrp[size_t(chnum)], e->burst);
  SetOn(ChBurstAdj[size_t(chnum)], e->burst);
  SetOn(ChDutyOnGrp[size_t(chnum)], e->dutyCycle);
  SetOn(ChDutyOnAdj[size_t(chnum)], e->dutyCycle);
  SetOn(ChDutyOffGrp[size_t(chnum)], e->dutyCycle);
  SetOn(ChDutyOffAdj[size_t(chnum)], e->dutyCycle);
}

void TMainForm::SystemModesEnable() {
  const auto e = vm::SystemModesEnableFor(Session.SystemParameters.Mode);
  if (!e) return;
  for (QWidget *w : std::initializer_list<QWidget *>{Ui.BurstCountGrp, Ui.SysBurstAdj})
    SetOn(w, e->burst);
  for (QWidget *w : std::initializer_list<QWidget *>{Ui.DutyCycleGrp, Ui.SysDutyOnAdj,
                                                      Ui.SysDutyOffAdj, Ui.SysCycleCountAdj})
    SetOn(w, e->dutyCycle);
}

void TMainForm::TriggerModesEnable() {
  const auto e = vm::TriggerModesEnableFor(Session.SystemParameters.TrigMode);
  if (!e) return;
  const auto set = [](QWidget *group, QWidget *control, bool on) {
    SetOn(group, on);
    SetOn(control, on);
  };
  set(Ui.ExtThresholdGrp, Ui.TrigThresholdAdj, e->threshold);
  set(Ui.ExtTrigEdgeGrp, Ui.TriggerEdgeSel, e->edge);
  set(Ui.GatePolGrp, Ui.GatePolaritySel, e->gatePolarity);
  set(Ui.TrigGateDebounceGrp, Ui.TrigGateDebounceSel, e->debounce);
}

void TMainForm::GateModesEnable() {
  const bool on = vm::GateModesEnableFor(Session.SystemParameters.TrigMode);
  // Channels whose page does not exist (yet) are skipped.
  for (int n = 1; n <= Session.ChannelCount && n <= 8; ++n) {
    SetOn(ChGateModeSel[size_t(n)], on);
    SetOn(ChGateLogicSel[size_t(n)], on);
  }
}

// ---- system, trigger, counter and clock handlers ------------------------------------

void TMainForm::PeriodAdjChange(QObject *Sender) {
  auto *adj = As<TPlusSpinEdit>(Sender);
  if (!adj) return;
  const vm::TimeEdit e =
      vm::PeriodEdit(Session.SystemParameters, adj->Value(), Session.Limits.PeriodResolution);
  if (e.accepted)
    QueueEdit(e.command);
  else
    adj->AssignValue(e.revertTo);  // its change event queues the stored period again
}

void TMainForm::SystemModeSelChange(QObject *Sender) {
  QueueEdit(vm::SystemModeEdit(Session.SystemParameters, ListItem(Sender)));
  SystemModesEnable();
}

void TMainForm::SysBurstAdjChange(QObject *Sender) {
  QueueEdit(vm::SysBurstEdit(Session.SystemParameters, SpinValue(Sender)));
}

void TMainForm::SysDutyOnAdjChange(QObject *Sender) {
  QueueEdit(vm::SysDutyOnEdit(Session.SystemParameters, SpinValue(Sender)));
}

void TMainForm::SysDutyOffAdjChange(QObject *Sender) {
  QueueEdit(vm::SysDutyOffEdit(Session.SystemParameters, SpinValue(Sender)));
}

void TMainForm::SysCycleCountAdjChange(QObject *Sender) {
  QueueEdit(vm::SysCycleCountEdit(Session.SystemParameters, SpinValue(Sender)));
}

void TMainForm::AutoStartEnblClick(QObject *Sender) {
  auto *box = As<QCheckBox>(Sender);
  if (box) QueueEdit(vm::AutoStartEdit(box->isChecked()));
}

void TMainForm::TrigModeSelChange(QObject *Sender) {
  QueueEdit(vm::TrigModeEdit(Session.SystemParameters, ListItem(Sender)));
  TriggerModesEnable();
  GateModesEnable();
}

void TMainForm::TriggerEdgeSelChange(QObject *Sender) {
  QueueEdit(vm::TrigEdgeEdit(Session.SystemParameters, ListItem(Sender)));
}

void TMainForm::GatePolaritySelChange(QObject *Sender) {
  QueueEdit(vm::GatePolarityEdit(Session.SystemParameters, ListItem(Sender)));
}

void TMainForm::TrigThresholdAdjChange(QObject *Sender) {
  QueueEdit(vm::TrigThresholdEdit(Session.SystemParameters, SpinValue(Sender)));
}

void TMainForm::TrigGateDebounceSelChange(QObject *Sender) {
  QueueEdit(vm::DebounceEdit(Session.SystemParameters, ListItem(Sender)));
}

void TMainForm::CounterSourceSelChange(QObject *Sender) {
  QueueEdit(vm::CounterSourceEdit(Session.SystemParameters, ListItem(Sender)));
}

void TMainForm::ExternalInputClkSelChange(QObject *Sender) {
  QueueEdit(vm::InputClockEdit(Session.SystemParameters, ListItem(Sender)));
}

void TMainForm::ExternalOutputClkSelChange(QObject *Sender) {
  QueueEdit(vm::OutputClockEdit(Session.SystemParameters, ListItem(Sender)));
}

// ---- channel handlers -------------------------------------------------------------------

// The plain settings' handlers: the sender's channel, the control's value
// into the cache and its command queued (ChannelEdit).
#define VM_HANDLER_Plain(field, control, handler)                                              \
  void TMainForm::handler(QObject *Sender) {                                                   \
    const int n = SenderChannel(Sender, control);                                              \
    if (n >= 0)                                                                                \
      QueueEdit(vm::ChannelEdit<vm::ChannelSetting::field>(Session.ChannelParameters[size_t(n)], \
                                                            n, ControlValue(control[size_t(n)]))); \
  }
#define VM_HANDLER_OwnEdit(...)
#define VM_HANDLER_Own(...)
#define VM_PLAIN_HANDLER(field, type, reply, header, wire, kind, control, handler, hooks) \
  VM_HANDLER_##hooks(field, control, handler)
VM_CHANNEL_SETTINGS(VM_PLAIN_HANDLER)
#undef VM_PLAIN_HANDLER
#undef VM_HANDLER_Own
#undef VM_HANDLER_OwnEdit
#undef VM_HANDLER_Plain


void TMainForm::SetChannelDelay(QObject *Sender) {
  const int n = SenderChannel(Sender, ChDelayAdj);
  if (n < 0) return;
  TPlusSpinEdit *adj = ChDelayAdj[size_t(n)];
  const vm::TimeEdit e = vm::ChDelayEdit(Session.ChannelParameters[size_t(n)], n, adj->Value(),
                                         Session.Limits.DelayResolution);
  if (e.accepted)
    QueueEdit(e.command);
  else
    adj->AssignValue(e.revertTo);  // its change event queues the stored delay again
}

void TMainForm::SetChannelWidth(QObject *Sender) {
  const int n = SenderChannel(Sender, ChWidthAdj);
  if (n < 0) return;
  TPlusSpinEdit *adj = ChWidthAdj[size_t(n)];
  const vm::TimeEdit e = vm::ChWidthEdit(Session.ChannelParameters[size_t(n)], n, adj->Value(),
                                         Session.Limits.WidthResolution);
  if (e.accepted)
    QueueEdit(e.command);
  else
    adj->AssignValue(e.revertTo);  // its change event queues the stored width again
}

void TMainForm::SetChannelMode(QObject *Sender) {
  const int n = SenderChannel(Sender, ChModeSel);
  if (n < 0) return;
  QueueEdit(vm::ChannelEdit<vm::ChannelSetting::Mode>(Session.ChannelParameters[size_t(n)], n,
                                                      ChModeSel[size_t(n)]->currentIndex()));
  ChModesEnable(n);
}

void TMainForm::SetChannelOuputMode(QObject *Sender) {
  const int n = SenderChannel(Sender, ChOutputModeSel);
  if (n < 0) return;
  const int item = ListItem(Sender);
  if (const auto on = vm::AmplitudeEnabledForOutputItem(item)) {
    SetOn(ChAmplitudeAdjGrp[size_t(n)], *on);
    SetOn(ChAmplitudeAdj[size_t(n)], *on);
  }
  QueueEdit(vm::ChannelEdit<vm::ChannelSetting::OutputMode>(Session.ChannelParameters[size_t(n)],
                                                            n, item));
}

void TMainForm::SetChannelSyncSource(QObject *Sender) {
  const int c = SenderChannel(Sender, ChSyncSourceSel);
  if (c < 0) return;
  QComboBox *list = ChSyncSourceSel[size_t(c)];
  const vm::SyncEdit e = vm::ChSyncSourceEdit(
      Session.ChannelParameters, c, list->currentText().toStdString(), Session.ChannelCount);
  if (e.check == vm::SyncCheck::Accept) {
    QueueEdit(e.command);
  } else if (!e.message.empty()) {
    // A plain box with one OK button, centred on the screen.
    vm::ShowInfo(nullptr, QString::fromStdString(e.message));
  }
  // Refused: back to the stored source. Accepted: a typed name ("CHB") is
  // shown as the list's own caption.
  ShowStoredSyncSource(c);
}

void TMainForm::ShowStoredSyncSource(int c) {
  if (c < 1 || c > 8) return;
  QComboBox *list = ChSyncSourceSel[size_t(c)];
  if (!list) return;
  const vm::SourceSelection sel =
      vm::SelectionForSource(ListItems(list), Session.ChannelParameters[size_t(c)].SyncSource);
  if (sel.index >= 0) {
    list->setCurrentIndex(sel.index);
    // setCurrentIndex leaves a typed text in place when the index is the same.
    if (list->isEditable()) list->setEditText(list->itemText(sel.index));
  } else {
    list->setCurrentIndex(-1);
    if (list->isEditable()) list->setEditText(QString::fromStdString(sel.text));
  }
  list->setProperty(kTypedProperty, false);
  list->setProperty(kShownProperty, list->currentText());
}

void TMainForm::SetChannelMux(QObject *Sender) {
  const int n = SenderChannel(Sender, ChMuxSelect);
  auto *mux = As<QListWidget>(Sender);
  if (n < 0 || !mux) return;
  std::array<bool, 8> checked{};
  for (int i = 0; i < mux->count(); ++i) {
    // Items are the letters "A" ... in order; a trimmed list lacks the last ones.
    const QString letter = mux->item(i)->text();
    const int k = letter.size() == 1 ? letter.at(0).unicode() - 'A' : i;
    if (k >= 0 && k < 8) checked[size_t(k)] = mux->item(i)->checkState() == Qt::Checked;
  }
  QueueEdit(vm::ChMuxEdit(Session.ChannelParameters[size_t(n)], n, checked, Session.ChannelCount));
}

void TMainForm::ChControlModeSel1Change(QObject *Sender) {
  const int n = SenderChannel(Sender, ChControlModeSel);
  if (n < 0) return;
  QComboBox *list = ChControlModeSel[size_t(n)];
  QueueEdit(vm::ChControlModeEdit(Session.ChannelParameters[size_t(n)], n, list->currentIndex(),
                                  list->currentText().toStdString()));
}

void TMainForm::ChPhaseSyncSel1Change(QObject *Sender) {
  const int n = SenderChannel(Sender, ChPhaseSyncSel);
  if (n < 0) return;
  QComboBox *list = ChPhaseSyncSel[size_t(n)];
  QueueEdit(vm::ChPhaseSyncEdit(Session.ChannelParameters[size_t(n)], n, list->currentIndex(),
                                list->currentText().toStdString()));
}

void TMainForm::ReArmChannel(QObject *Sender) {
  const int n = SenderChannel(Sender, ChReArmBtn);
  if (n >= 0) QueueEdit(vm::ReArmCommand(n));
}
