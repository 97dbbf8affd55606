#include "diagram/DiagramPlanPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "diagram/core/TimeText.h"
#include "main/core/CommandSet.h"
#include "main/core/ControlRules.h"
#include "ui/Dialogs.h"

namespace {

const QStringList kModes = {QStringLiteral("Normal"), QStringLiteral("Single Shot"),
                            QStringLiteral("Burst"), QStringLiteral("Duty Cycle")};

QString Name(const char *base, int n) { return QString::fromLatin1(base) + QString::number(n); }

// Counts are whole numbers; the largest system counts do not fit an int.
uint32_t ToUInt32(double v) { return uint32_t(std::llround(std::max(0.0, v))); }

}  // namespace

TDiagramPlanPanel::TDiagramPlanPanel(const vm::TDiagramInput &input, QWidget *parent)
    : QGroupBox(tr("Plan (demonstration mode: nothing is sent)"), parent), input_(input) {
  setObjectName(QStringLiteral("DiagramPlanPanel"));
  const vm::OperatingLimits &l = input_.Limits;
  vm::TSystemParameters *s = &input_.System;

  period_ = TimeEdit(QStringLiteral("PlanPeriod"), &s->Period, l.PeriodResolution, l.PeriodMin,
                     l.PeriodMax, l.PeriodDecimals);
  sysMode_ = ListEdit(QStringLiteral("PlanSysMode"),
                      {tr("Continuous"), tr("Single Shot"), tr("Burst"), tr("Duty Cycle")});
  connect(sysMode_, &QComboBox::activated, this, [this, s](int i) {
    s->Mode = i;
    Changed();
  });
  sysBurst_ = CountEdit(QStringLiteral("PlanSysBurst"), 1, l.SysBurstMax,
                        [s](double v) { s->BurstCount = ToUInt32(v); });
  sysDutyOn_ = CountEdit(QStringLiteral("PlanSysDutyOn"), 1, l.SysDutyMax,
                         [s](double v) { s->DutyOnCount = ToUInt32(v); });
  sysDutyOff_ = CountEdit(QStringLiteral("PlanSysDutyOff"), 1, l.SysDutyMax,
                          [s](double v) { s->DutyOffCount = ToUInt32(v); });
  sysCycles_ = CountEdit(QStringLiteral("PlanSysCycles"), 0, l.SysCycleMax,
                         [s](double v) { s->CycleCount = vm::RoundToInt32(v); });

  auto *system = new QHBoxLayout;
  auto labelled = [system, this](const QString &text, QWidget *w) {
    system->addWidget(new QLabel(text, this));
    system->addWidget(w);
  };
  labelled(tr("Period"), period_);
  labelled(tr("Mode"), sysMode_);
  labelled(tr("Burst"), sysBurst_);
  labelled(tr("Duty On"), sysDutyOn_);
  labelled(tr("Off"), sysDutyOff_);
  labelled(tr("Cycles"), sysCycles_);
  system->addStretch(1);

  auto *grid = new QGridLayout;
  const QStringList heads = {QString(),  tr("On"),    tr("Delay"), tr("Width"),    tr("Sync"),
                             tr("Mode"), tr("Polarity"), tr("Burst"), tr("Duty On"), tr("Off"),
                             tr("Wait")};
  for (int c = 0; c < heads.size(); ++c) grid->addWidget(new QLabel(heads[c], this), 0, c);
  const int count = std::clamp(input_.ChannelCount, 1, int(vm::kMaxChannels));
  for (int n = 1; n <= count; ++n) {
    vm::TChannelParameters *p = &input_.Channels[size_t(n)];
    ChannelRow &r = rows_[size_t(n)];
    r.enabled = new QCheckBox(this);
    r.enabled->setObjectName(Name("PlanEnable", n));
    connect(r.enabled, &QCheckBox::toggled, this, [this, p](bool on) {
      if (showing_) return;
      p->Enabled = on ? 1 : 0;
      Changed();
    });
    r.delay = TimeEdit(Name("PlanDelay", n), &p->Delay, l.DelayResolution, l.DelayMin, l.DelayMax,
                       l.DelayDecimals);
    r.width = TimeEdit(Name("PlanWidth", n), &p->Width, l.WidthResolution, l.WidthMin, l.WidthMax,
                       l.WidthDecimals);
    // The model's own sources; a channel cannot sync to itself.
    QStringList sources = {QStringLiteral("T0")};
    for (int k = 1; k <= count; ++k)
      if (k != n) sources << QString::fromStdString(vm::GetChSyncName(k));
    r.sync = ListEdit(Name("PlanSync", n), sources);
    connect(r.sync, &QComboBox::activated, this, [this, n] { ChangeSync(n); });
    r.mode = ListEdit(Name("PlanMode", n), kModes);
    connect(r.mode, &QComboBox::activated, this, [this, p](int i) {
      p->Mode = i;
      Changed();
    });
    r.polarity = ListEdit(Name("PlanPolarity", n), {tr("Normal"), tr("Inverted")});
    connect(r.polarity, &QComboBox::activated, this, [this, p](int i) {
      p->Polarity = i;
      Changed();
    });
    r.burst = CountEdit(Name("PlanBurst", n), 1, l.ChBurstMax,
                        [p](double v) { p->BurstCount = vm::RoundToInt32(v); });
    r.dutyOn = CountEdit(Name("PlanDutyOn", n), 1, l.ChDutyMax,
                         [p](double v) { p->DutyOnCount = vm::RoundToInt32(v); });
    r.dutyOff = CountEdit(Name("PlanDutyOff", n), 1, l.ChDutyMax,
                          [p](double v) { p->DutyOffCount = vm::RoundToInt32(v); });
    r.wait = CountEdit(Name("PlanWait", n), 0, l.ChWaitMax,
                       [p](double v) { p->WaitCount = vm::RoundToInt32(v); });
    grid->addWidget(new QLabel(QString::fromStdString(vm::GetChSyncName(n)), this), n, 0);
    const QList<QWidget *> cells = {r.enabled, r.delay, r.width, r.sync,   r.mode,
                                    r.polarity, r.burst, r.dutyOn, r.dutyOff, r.wait};
    for (int c = 0; c < cells.size(); ++c) grid->addWidget(cells[c], n, c + 1);
  }

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(system);
  layout->addLayout(grid);
  ShowValues();
}

QLineEdit *TDiagramPlanPanel::TimeEdit(const QString &name, double *field, double resolution,
                                       double min, double max, int decimals) {
  auto *e = new QLineEdit(this);
  e->setObjectName(name);
  e->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000.000 000 ms")));
  connect(e, &QLineEdit::editingFinished, this, [this, e, field, resolution, min, max] {
    const std::optional<double> typed = vm::ParseTimeText(e->text().toStdString());
    // Clamped into the limits as the spin edits clamp, then held to the grid.
    if (typed) {
      const double v = std::clamp(*typed, min, max);
      const vm::TimeEditDecision d = vm::DecideTimeEdit(v, resolution, *field);
      if (d.accept && d.value != *field) {
        *field = d.value;
        Changed();
        return;
      }
    }
    ShowValues();  // refused or unchanged: the stored value, in its own digits
  });
  times_.push_back({e, field, decimals});
  return e;
}

QDoubleSpinBox *TDiagramPlanPanel::CountEdit(const QString &name, double min, double max,
                                             const std::function<void(double)> &store) {
  auto *b = new QDoubleSpinBox(this);
  b->setObjectName(name);
  b->setDecimals(0);
  b->setRange(min, max);
  b->setKeyboardTracking(false);  // one change per entered number, not per digit
  connect(b, &QDoubleSpinBox::valueChanged, this, [this, store](double v) {
    if (showing_) return;
    store(v);
    Changed();
  });
  return b;
}

QComboBox *TDiagramPlanPanel::ListEdit(const QString &name, const QStringList &items) {
  auto *c = new QComboBox(this);
  c->setObjectName(name);
  c->addItems(items);
  return c;
}

void TDiagramPlanPanel::ChangeSync(int n) {
  const int s = vm::GetChannelNumber(rows_[size_t(n)].sync->currentText().toStdString());
  const vm::SyncCheck check = vm::CheckSyncSourceNumber(n, s, input_.Channels, input_.ChannelCount);
  if (check == vm::SyncCheck::Accept) {
    input_.Channels[size_t(n)].SyncSource = s;
    Changed();
    return;
  }
  const std::string why = vm::SyncRefusalMessage(check);
  if (!why.empty()) vm::ShowInfo(this, QString::fromStdString(why));
  ShowValues();
}

void TDiagramPlanPanel::ShowValues() {
  showing_ = true;
  for (const TimeField &t : times_)
    t.edit->setText(QString::fromStdString(vm::FormatTimeDigits(*t.value, t.decimals)));
  const vm::TSystemParameters &s = input_.System;
  sysMode_->setCurrentIndex(s.Mode);
  sysBurst_->setValue(s.BurstCount);
  sysDutyOn_->setValue(s.DutyOnCount);
  sysDutyOff_->setValue(s.DutyOffCount);
  sysCycles_->setValue(s.CycleCount);
  for (int n = 1; n <= vm::kMaxChannels; ++n) {
    const ChannelRow &r = rows_[size_t(n)];
    if (!r.enabled) continue;
    const vm::TChannelParameters &p = input_.Channels[size_t(n)];
    r.enabled->setChecked(p.Enabled != 0);
    r.sync->setCurrentIndex(r.sync->findText(QString::fromStdString(vm::GetChSyncName(p.SyncSource))));
    r.mode->setCurrentIndex(p.Mode);
    r.polarity->setCurrentIndex(p.Polarity);
    r.burst->setValue(p.BurstCount);
    r.dutyOn->setValue(p.DutyOnCount);
    r.dutyOff->setValue(p.DutyOffCount);
    r.wait->setValue(p.WaitCount);
  }
  showing_ = false;
  EnableCounts();
}

// As on the main window's pages: a count is offered only in the mode that uses it.
void TDiagramPlanPanel::EnableCounts() {
  if (const auto e = vm::SystemModesEnableFor(input_.System.Mode)) {
    sysBurst_->setEnabled(e->burst);
    for (QWidget *w : {sysDutyOn_, sysDutyOff_, sysCycles_}) w->setEnabled(e->dutyCycle);
  }
  for (int n = 1; n <= vm::kMaxChannels; ++n) {
    const ChannelRow &r = rows_[size_t(n)];
    if (!r.enabled) continue;
    if (const auto e = vm::ChModesEnableFor(input_.Channels[size_t(n)].Mode)) {
      r.burst->setEnabled(e->burst);
      r.dutyOn->setEnabled(e->dutyCycle);
      r.dutyOff->setEnabled(e->dutyCycle);
    }
  }
}

void TDiagramPlanPanel::Changed() {
  ShowValues();  // a time in the digits it is shown with, the counts its mode offers
  Q_EMIT Edited();
}
