// Configuration readback: the replies of "*CFG? <k>" into the caches and the
// controls. The caches are written first, then the controls; values are given
// to the spin edits through their change event (commands are off meanwhile),
// list selections and check marks are set without one.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QSignalBlocker>

#include "controls/plussped.h"
#include "forms/MainWindowForm.h"
#include "main/Main.h"
#include "main/core/CommandSet.h"

namespace {

void Select(QComboBox *list, int index) {
  if (!list) return;
  const QSignalBlocker block(list);
  list->setCurrentIndex(index);
}

// Selects the item with this caption; a list without it (a model without
// "Gate B" / "Sync B") selects nothing and shows the caption as its text.
void SelectCaption(QComboBox *list, const std::string &caption) {
  if (!list || caption.empty()) return;
  const QString text = QString::fromStdString(caption);
  const QSignalBlocker block(list);
  const int index = list->findText(text, Qt::MatchExactly);
  list->setCurrentIndex(index);
  if (index < 0 && list->isEditable()) list->setEditText(text);
}

void Assign(TPlusSpinEdit *edit, double value) {
  if (edit) edit->AssignValue(value);
}

// A channel setting's control showing the cache: spin edits through their
// change event, lists and check boxes without one.
void Show(TPlusSpinEdit *edit, double value) { Assign(edit, value); }
void Show(QComboBox *list, int index) { Select(list, index); }
void Show(QCheckBox *box, int32_t value) {
  // Shown checked for 1 only; the cache keeps the value as received.
  const QSignalBlocker block(box);
  box->setChecked(value == 1);
}

QStringList Items(const QComboBox *list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

}  // namespace

void TMainForm::ApplySystemReadback(const vm::SystemReadback &r) {
  const vm::TSystemParameters &v = Session.SystemParameters;
  if (r.running) Session.SystemRunning = *r.running;
  if (r.Applies(2)) Assign(Ui.PeriodAdj, v.Period);
  if (r.Applies(3)) Select(Ui.SystemModeSel, v.Mode);
  if (r.Applies(4))
    Assign(Ui.SysBurstAdj, double(v.BurstCount));
  if (r.Applies(5))
    Assign(Ui.SysDutyOnAdj, double(v.DutyOnCount));
  if (r.Applies(6))
    Assign(Ui.SysDutyOffAdj, double(v.DutyOffCount));
  if (r.Applies(7))
    Assign(Ui.SysCycleCountAdj, double(v.CycleCount));
}

void TMainForm::ApplyTrigGateReadback(const vm::TrigGateReadback &r) {
  const vm::TSystemParameters &v = Session.SystemParameters;
  if (r.Applies(1)) Select(Ui.TrigModeSel, v.TrigMode);
  if (r.Applies(2)) Select(Ui.TriggerEdgeSel, v.TrigEdge);
  if (r.Applies(3))
    Select(Ui.GatePolaritySel, v.GatePolarity);
  if (r.Applies(4))
    Assign(Ui.TrigThresholdAdj, v.Threshold);
  if (r.Applies(5))
    Select(Ui.TrigGateDebounceSel, v.Debounce);
}

void TMainForm::ApplyChannelReadback(int n, const vm::ChannelReadback &r) {
  if (n < 1 || n > BuiltChannels()) return;
  const size_t i = size_t(n);
  const vm::TChannelParameters &v = Session.ChannelParameters[i];
  // Field by field in the reply's order: a plain setting's control shows the
  // cache, the others have their own code (ApplyOwnChannelField).
#define VM_SHOW_Plain(field, reply, control) \
  if (r.Applies(reply)) Show(control[i], v.field);
#define VM_SHOW_OwnEdit VM_SHOW_Plain
#define VM_SHOW_Own(field, reply, control) \
  if (r.Applies(reply)) ApplyOwnChannelField(n, vm::ChannelSetting::field, r);
#define VM_SHOW_SETTING(field, type, reply, header, wire, kind, control, handler, hooks) \
  VM_SHOW_##hooks(field, reply, control)
  VM_CHANNEL_SETTINGS(VM_SHOW_SETTING)
#undef VM_SHOW_SETTING
#undef VM_SHOW_Own
#undef VM_SHOW_OwnEdit
#undef VM_SHOW_Plain
}

void TMainForm::ApplyOwnChannelField(int n, vm::ChannelSetting setting,
                                     const vm::ChannelReadback &r) {
  const size_t i = size_t(n);
  const vm::TChannelParameters &v = Session.ChannelParameters[i];
  switch (setting) {
    case vm::ChannelSetting::OutputMode:
      if (r.amplitudeEnabled) {
        ChAmplitudeAdjGrp[i]->setEnabled(*r.amplitudeEnabled);
        ChAmplitudeAdj[i]->setSpinEnabled(*r.amplitudeEnabled);
      }
      Select(ChOutputModeSel[i], v.OutputMode);
      if (r.outputControlsDisabled) {
        ChAmplitudeAdjGrp[i]->setEnabled(false);
        ChAmplitudeAdj[i]->setSpinEnabled(false);
      }
      // The latest report decides, also when an earlier one had none.
      ChOutputModeSel[i]->setEnabled(!r.outputControlsDisabled);
      break;
    case vm::ChannelSetting::Mux:
      UpdateChMux(n);
      break;
    case vm::ChannelSetting::ControlMode:
      SelectCaption(ChControlModeSel[i], r.controlModeCaption);
      break;
    case vm::ChannelSetting::PhaseSync:
      SelectCaption(ChPhaseSyncSel[i], r.phaseSyncCaption);
      break;
    case vm::ChannelSetting::SyncSource: {
      QComboBox *sync = ChSyncSourceSel[i];
      // The list loses the channels the model lacks and the channel's own
      // entry at its first readback; later readbacks find it trimmed.
      forms::TrimSyncSourceList(sync, n, Session.ChannelCount);
      std::vector<std::string> items;
      for (const QString &s : Items(sync)) items.push_back(s.toStdString());
      Select(sync, vm::GetChannelIndex(items, v.SyncSource));
      break;
    }
    default:
      break;
  }
}

void TMainForm::UpdateChMux(int chnum) {
  if (chnum < 1 || chnum > BuiltChannels()) return;
  QListWidget *list = ChMuxSelect[size_t(chnum)];
  const vm::MuxDisplay d =
      vm::MuxDisplayFor(Session.ChannelParameters[size_t(chnum)].Mux, Session.ChannelCount);
  {
    // Marks set from here raise no event, whether a handler listens to the
    // list or to its model; the view is repainted below.
    const QSignalBlocker block(list);
    const QSignalBlocker blockModel(list->model());
    for (int k = 0; k < 8; ++k) {
      const auto &mark = d.checks[size_t(k)];
      QListWidgetItem *item = list->item(k);
      if (mark && item) item->setCheckState(*mark ? Qt::Checked : Qt::Unchecked);
    }
  }
  list->viewport()->update();
  forms::SetMuxLayout(list, Session.ChannelCount);
}
