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
  if (r.Applies(1)) {
    // Shown checked for 1 only; the cache keeps the value as received.
    const QSignalBlocker block(ChEnablebox[i]);
    ChEnablebox[i]->setChecked(v.Enabled == 1);
  }
  if (r.Applies(2)) Assign(ChDelayAdj[i], v.Delay);
  if (r.Applies(3)) Assign(ChWidthAdj[i], v.Width);
  if (r.Applies(4)) Select(ChModeSel[i], v.Mode);
  if (r.Applies(5)) Assign(ChBurstAdj[i], v.BurstCount);
  if (r.Applies(6)) Assign(ChDutyOnAdj[i], v.DutyOnCount);
  if (r.Applies(7)) Assign(ChDutyOffAdj[i], v.DutyOffCount);
  if (r.Applies(8)) Assign(ChWaitCountAdj[i], v.WaitCount);
  if (r.Applies(9)) {
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
  }
  if (r.Applies(10)) Select(ChPolaritySel[i], v.Polarity);
  if (r.Applies(11)) Assign(ChAmplitudeAdj[i], v.Amplitude);
  if (r.Applies(12)) UpdateChMux(n);
  if (r.Applies(13)) SelectCaption(ChControlModeSel[i], r.controlModeCaption);
  if (r.Applies(14)) SelectCaption(ChPhaseSyncSel[i], r.phaseSyncCaption);
  if (r.Applies(15)) Select(ChGateModeSel[i], v.GateMode);
  if (r.Applies(16)) Select(ChGateLogicSel[i], v.GateLogic);
  if (r.Applies(17)) {
    QComboBox *sync = ChSyncSourceSel[i];
    // The list loses the channels the model lacks and the channel's own
    // entry at its first readback; later readbacks find it trimmed.
    forms::TrimSyncSourceList(sync, n, Session.ChannelCount);
    std::vector<std::string> items;
    for (const QString &s : Items(sync)) items.push_back(s.toStdString());
    Select(sync, vm::GetChannelIndex(items, v.SyncSource));
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
