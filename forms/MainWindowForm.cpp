// The main window as built at creation: fixed 678 x 739 client area, the
// banner row, the system/additional pages, channel 1's page, the terminal,
// the information box and the main menu. Channel pages 2..8 are built from
// the same page table at run time and take over channel 1's state then.
#include "forms/MainWindowForm.h"

#include <memory>
#include <stdexcept>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QPointer>
#include <QApplication>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include "controls/plussped.h"
#include "forms/FormArt.h"

namespace forms {

namespace {

constexpr int kClientWidth = 678;
constexpr int kClientHeight = 739;
constexpr int kSpinHeight = 24;   // height of a spin edit with Tahoma 15 px
constexpr int kComboHeight = 22;  // height of a drop-down list
constexpr int kCaptionPx = 13;    // group captions on the pages

const QChar kSep(',');

// Drop-down lists as narrow as the design's need a slimmer arrow button than
// the desktop styles draw, or their texts are cut off.
class TCompactComboStyle : public QProxyStyle {
public:
  using QProxyStyle::QProxyStyle;
  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex *opt, SubControl sc,
                       const QWidget *w) const override {
    if (cc != CC_ComboBox) return QProxyStyle::subControlRect(cc, opt, sc, w);
    const QRect r = opt->rect;
    const int arrow = 13;
    switch (sc) {
      case SC_ComboBoxArrow:
        return QRect(r.right() - arrow, r.top() + 1, arrow, r.height() - 2);
      case SC_ComboBoxEditField:
        return QRect(r.left() + 2, r.top() + 2, r.width() - arrow - 3, r.height() - 4);
      default:
        return QProxyStyle::subControlRect(cc, opt, sc, w);
    }
  }
};

QStyle *CompactComboStyle() {
  static QPointer<TCompactComboStyle> style;
  if (!style) {
    style = new TCompactComboStyle;
    style->setParent(qApp);
  }
  return style;
}

void SetHint(QWidget *c, const QString &hint, bool shown) {
  c->setProperty("hint", hint);
  c->setProperty("showHint", shown);
  c->setToolTip(shown ? hint : QString());
}

void CopyHint(const QWidget *from, QWidget *to) {
  SetHint(to, from->property("hint").toString(), from->property("showHint").toBool());
}

void CopyFontSize(const QWidget *from, QWidget *to) {
  if (from->testAttribute(Qt::WA_SetFont)) to->setFont(Tahoma(from->font().pixelSize()));
}

QGroupBox *Group(QWidget *parent, const QString &name, const QString &caption, QRect r,
                 int fontPx = 0) {
  auto *g = new QGroupBox(caption, parent);
  g->setObjectName(name);
  g->setGeometry(r);
  if (fontPx) g->setFont(Tahoma(fontPx));
  SetHint(g, QString(), true);
  return g;
}

TPlusSpinEdit *Spin(QWidget *parent, const QString &name, QRect r, int decimals, double increment,
                    double minimum, double maximum, double value, QChar sep = kSep) {
  auto *s = new TPlusSpinEdit(parent);
  s->setObjectName(name);
  s->setAutoSize(false);
  s->setBorderStyle(bsNone);
  s->setFont(Tahoma(15));
  s->setGeometry(r);
  s->setThousandSeparator(sep);
  s->setMaxValue(maximum);
  s->setMinValue(minimum);
  s->setIncrement(increment);
  s->setDecimals(decimals);
  s->SetValue(value);
  SetHint(s, QString(), true);
  return s;
}

// A drop-down list. `text` names the item shown; a text that is no item leaves
// nothing selected and is shown as the list's text.
QComboBox *Combo(QWidget *parent, const QString &name, QRect r, const QStringList &items,
                 const QString &text, bool editable) {
  auto *c = new QComboBox(parent);
  c->setStyle(CompactComboStyle());
  c->setObjectName(name);
  c->setEditable(editable);
  c->setInsertPolicy(QComboBox::NoInsert);  // the handlers own the item lists
  c->setMaxVisibleItems(12);
  c->addItems(items);
  c->setGeometry(r);
  const int i = items.indexOf(text);
  c->setCurrentIndex(i);
  if (i < 0) {
    if (editable) c->setEditText(text);
    else c->setPlaceholderText(text);
  }
  if (c->lineEdit()) c->lineEdit()->setCursorPosition(0);  // show the text's start
  SetHint(c, QString(), true);
  return c;
}

QCheckBox *Check(QWidget *parent, const QString &name, const QString &caption, QRect r,
                 bool checked) {
  auto *c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  c->setGeometry(r);
  c->setChecked(checked);
  SetHint(c, QString(), true);
  return c;
}

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption, QRect r,
                    int fontPx = 0) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(r);
  b->setAutoDefault(false);
  if (fontPx) b->setFont(Tahoma(fontPx));
  SetHint(b, QString(), true);
  return b;
}

// A label at its design position; the width reaches to the right edge of the
// parent (less `rightGap`) so that texts set at run time are not cut off.
QLabel *Label(QWidget *parent, const char *name, const QString &caption, QPoint at,
              int rightGap = 4) {
  auto *l = new QLabel(caption, parent);
  l->setObjectName(name);
  SetHint(l, QString(), true);
  l->adjustSize();
  l->setGeometry(at.x(), at.y(), std::max(l->width(), parent->width() - at.x() - rightGap),
                 l->height());
  return l;
}

// The items of a check list, all unchecked.
void FillCheckList(QListWidget *l, const QStringList &items) {
  l->clear();
  for (const QString &t : items) {
    auto *it = new QListWidgetItem(t, l);
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    it->setCheckState(Qt::Unchecked);
  }
}

QListWidget *CheckList(QWidget *parent, const QString &name, QRect r, const QStringList &items,
                       int columns) {
  auto *l = new QListWidget(parent);
  l->setObjectName(name);
  l->setGeometry(r);
  l->setSelectionMode(QAbstractItemView::SingleSelection);
  l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  l->setFlow(QListView::LeftToRight);
  l->setWrapping(true);
  l->setResizeMode(QListView::Adjust);
  l->setMovement(QListView::Static);
  l->setUniformItemSizes(true);
  l->setSpacing(0);
  l->setContentsMargins(0, 0, 0, 0);
  FillCheckList(l, items);
  SetCheckListColumns(l, columns);
  SetHint(l, QString(), true);
  return l;
}

// Tabs drawn as push buttons; `tabWidth` 0 lets each tab fit its caption.
void ButtonTabs(QTabWidget *pc, int tabWidth) {
  pc->setDocumentMode(true);
  QTabBar *bar = pc->tabBar();
  bar->setDrawBase(false);
  bar->setExpanding(false);
  bar->setUsesScrollButtons(false);
  QString css =
      "QTabBar::tab { color: black;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #dadada);"
      " border: 1px solid #8c8c8c; border-radius: 3px;"
      " padding: 3px 10px; margin: 3px 4px 3px 0px; }"
      "QTabBar::tab:hover { border-color: #3c7fb1; }"
      "QTabBar::tab:selected {"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #bccde6, stop:1 #e4ebf5);"
      " border-color: #2f5f9c; }";
  if (tabWidth > 0)
    css += QString("QTabBar::tab { min-width: %1px; max-width: %1px; padding: 3px 0px; }")
               .arg(tabWidth - 2 - 4);  // less the border and the gap to the next tab
  bar->setStyleSheet(css);
}

QWidget *Page(QTabWidget *pc, const char *name, const QString &caption) {
  auto *p = new QWidget;
  p->setObjectName(name);
  pc->addTab(p, caption);
  return p;
}

QAction *Item(QMenu *menu, const char *name, const QString &caption) {
  QAction *a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

QMenu *SubMenu(QMenu *menu, const char *name, const QString &caption) {
  QMenu *m = menu->addMenu(caption);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

QMenu *TopMenu(QMenuBar *bar, const char *name, const QString &caption) {
  QMenu *m = bar->addMenu(caption);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

const QStringList kChannelSources = {"T0",   "Ch A", "Ch B", "Ch C", "Ch D",
                                     "Ch E", "Ch F", "Ch G", "Ch H"};
const QStringList kMuxLetters = {"A", "B", "C", "D", "E", "F", "G", "H"};

// --- System page ------------------------------------------------------------------

void BuildSystemPage(QWidget *page) {
  QGroupBox *sys = Group(page, "Systemgrp", "System", {0, 0, 655, 215}, kCaptionPx);

  QGroupBox *g = Group(sys, "PulseModeGrp", "Pulse Mode", {9, 25, 175, 55});
  Combo(g, "SystemModeSel", {10, 20, 155, kComboHeight},
        {"Continuous", "Single Shot", "Burst", "Duty Cycle"}, "Continuous", false);

  g = Group(sys, "PeriodGrp", "Period", {9, 85, 175, 55});
  SetHint(g, "Sets system pulse period", true);
  Spin(g, "PeriodAdj", {10, 20, 155, kSpinHeight}, 9, 1e-08, 2e-07, 5000, 5000);

  g = Group(sys, "BurstCountGrp", "Burst Count", {9, 140, 175, 55});
  SetHint(g, "Sets number of burst counts when in system burst mode", true);
  Spin(g, "SysBurstAdj", {10, 20, 155, kSpinHeight}, 0, 1, 1, 4000000000.0, 4000000000.0);

  QCheckBox *autoStart = Check(sys, "AutoStartEnbl", "Auto Start", {419, 12, 86, 17}, false);
  SetHint(autoStart, "Sets system auto start (will start on power up)", true);

  QGroupBox *duty = Group(sys, "DutyCycleGrp", "Duty Cycle", {203, 15, 154, 190});
  g = Group(duty, "OnCountGrp", "On Counts", {5, 15, 139, 55});
  SetHint(g, "Sets number of on counts when in system duty cycle mode", true);
  Spin(g, "SysDutyOnAdj", {8, 20, 123, kSpinHeight}, 0, 1, 1, 4000000000.0, 4000000000.0);
  g = Group(duty, "OffCountGrp", "Off Counts", {5, 70, 139, 55});
  SetHint(g, "Sets number of off counts when in system duty cycle mode", true);
  Spin(g, "SysDutyOffAdj", {8, 20, 121, kSpinHeight}, 0, 1, 1, 4000000000.0, 4000000000.0);
  g = Group(duty, "CycleCountGrp", "Cycle Counts", {5, 125, 139, 55});
  Spin(g, "SysCycleCountAdj", {8, 20, 121, kSpinHeight}, 0, 1, 0, 10000000, 10000000);

  QGroupBox *ext = Group(sys, "Externalgrp", "External Trigger/Gate", {379, 30, 260, 175});
  g = Group(ext, "TriggerModeSelGrp", "Mode", {6, 20, 115, 50});
  Combo(g, "TrigModeSel", {5, 20, 105, kComboHeight},
        {"Disabled", "Triggered", "System Gate", "Ch Gate"}, "Disabled", false);
  g = Group(ext, "ExtThresholdGrp", "Threshold (V)", {127, 20, 115, 50});
  SetHint(g, "Sets input trigger/gate threshold level", true);
  Spin(g, "TrigThresholdAdj", {5, 20, 105, kSpinHeight}, 2, 0.01, 0.2, 15, 2.5);
  g = Group(ext, "GatePolGrp", "Gate Polarity", {6, 70, 115, 50});
  Combo(g, "GatePolaritySel", {5, 20, 100, kComboHeight}, {"Low", "High"}, "Low", false);
  g = Group(ext, "ExtTrigEdgeGrp", "Trigger Edge", {127, 70, 115, 50});
  Combo(g, "TriggerEdgeSel", {5, 20, 105, kComboHeight}, {"Rising", "Falling"}, "Falling", false);
  g = Group(ext, "TrigGateDebounceGrp", "Debounce", {6, 120, 115, 46});
  Combo(g, "TrigGateDebounceSel", {5, 19, 100, kComboHeight}, {"Disabled", "Enabled"},
        "Disabled", false);
}

// --- Additional page -----------------------------------------------------------

void BuildAdditionalPage(QWidget *page) {
  QGroupBox *g = Group(page, "ShotCounterGrp", "Shot Counter", {10, 3, 131, 134}, kCaptionPx);
  SetHint(g, "System shot counter", false);
  Check(g, "ShotCountEnbl", "Enable", {13, 21, 97, 17}, false);
  Button(g, "ClearShotCount", "Clear", {13, 42, 75, 21});
  Combo(g, "CounterSourceSel", {13, 69, 100, kComboHeight}, kChannelSources, "To", false);
  Label(g, "ShotCountlbl", "Count: 4,294,967,296", {4, 109}, 2);

  g = Group(page, "ExternalInputClkGrp", "External Input Clock", {147, 3, 138, 60}, kCaptionPx);
  Combo(g, "ExternalInputClkSel", {10, 24, 109, kComboHeight},
        {"System Osc", "10 MHz Ext", "20 MHz Ext", "25 MHz Ext", "30 MHz Ext", "40 MHz Ext",
         "50 MHz Ext", "60 MHz Ext", "80 MHz Ext"},
        "System Osc", false);
  g = Group(page, "ExternalOutputClkGrp", "External Output Clock", {147, 69, 138, 60},
            kCaptionPx);
  Combo(g, "ExternalOutputClkSel", {10, 24, 107, kComboHeight},
        {"To Pulse", "10 MHz", "20 MHz", "25 MHz", "30 MHz", "40 MHz", "50 MHz", "60 MHz",
         "80 MHz"},
        "To Pulse", false);
}

// --- Channel pages ----------------------------------------------------------------

// One control of a channel page with the group box it sits in. Names carry
// the channel number appended ("ChDelayAdj" -> "ChDelayAdj3").
enum class PartKind { Check, Button, Spin, List, CheckList };
struct ChannelPart {
  PartKind kind;
  const char *name;
  QRect rect;                      // inside its group box, or inside ChFunctGrp<n>
  const char *group = nullptr;     // nullptr: directly in ChFunctGrp<n>
  const char *groupCaption = "";
  QRect groupRect{};
  const char *groupHint = "";
  bool groupHintShown = true;
  QString text{};                  // check box/button caption, list text shown
  QStringList items{};             // list and check list items
  const char *hint = "";           // the control's own hint (shown)
  bool checked = false;            // check box
  int fontPx = 0;                  // button
  int decimals = 0;                // spin edit
  double increment = 1, minimum = 0, maximum = 0, value = 0;
  QChar separator = kSep;
};

// Every channel page, in the order its controls are made (the tab order).
const ChannelPart kChannelParts[] = {
    {.kind = PartKind::Check, .name = "ChEnablebox", .rect = {7, 7, 78, 17}, .text = "Enabled",
     .hint = "Enables or disables channel ", .checked = true},
    {.kind = PartKind::Spin, .name = "ChDelayAdj", .rect = {10, 20, 180, kSpinHeight},
     .group = "ChDelayGrp", .groupCaption = "Delay", .groupRect = {7, 25, 200, 55},
     .groupHint = "Sets channel delay from selected sync source",
     .decimals = 12, .increment = 2.5e-10, .minimum = -1000, .maximum = 1000, .value = 1000},
    {.kind = PartKind::List, .name = "ChModeSel", .rect = {10, 20, 100, kComboHeight},
     .group = "ChModeGrp", .groupCaption = "Channel Mode", .groupRect = {212, 25, 115, 55},
     .groupHint = "Channel pulse mode", .groupHintShown = false, .text = "Normal",
     .items = {"Normal", "Single Shot", "Burst", "Duty Cycle"}},
    {.kind = PartKind::List, .name = "ChSyncSourceSel", .rect = {10, 20, 70, kComboHeight},
     .group = "ChSyncSourceGrp", .groupCaption = "Sync Source", .groupRect = {332, 25, 90, 55},
     .groupHint = "Channel sync source", .groupHintShown = false, .text = "T0",
     .items = kChannelSources},
    {.kind = PartKind::Spin, .name = "ChDutyOnAdj", .rect = {10, 20, 100, kSpinHeight},
     .group = "ChDutyOnGrp", .groupCaption = "Duty Cycle On", .groupRect = {438, 25, 115, 55},
     .groupHint = "Sets channel number of on counts when in channel duty cycle mode",
     .groupHintShown = false, .minimum = 1, .maximum = 10000000, .value = 10000000},
    {.kind = PartKind::Spin, .name = "ChDutyOffAdj", .rect = {10, 20, 100, kSpinHeight},
     .group = "ChDutyOffGrp", .groupCaption = "Duty Cycle Off", .groupRect = {438, 80, 115, 55},
     .groupHint = "Sets channel number of off counts when in channel duty cycle mode",
     .groupHintShown = false, .minimum = 1, .maximum = 10000000, .value = 10000000},
    {.kind = PartKind::Spin, .name = "ChWidthAdj", .rect = {10, 20, 180, kSpinHeight},
     .group = "ChWidthGrp", .groupCaption = "Width", .groupRect = {7, 80, 200, 55},
     .groupHint = "Sets channel pulse width",
     .decimals = 9, .increment = 2.5e-10, .minimum = 1e-08, .maximum = 1000, .value = 1000},
    {.kind = PartKind::Spin, .name = "ChBurstAdj", .rect = {10, 20, 100, kSpinHeight},
     .group = "ChBurstCountGrp", .groupCaption = "Burst Count", .groupRect = {212, 80, 115, 55},
     .groupHint = "Sets channel burst count when in channel burst mode",
     .minimum = 1, .maximum = 10000000, .value = 10000000},
    {.kind = PartKind::List, .name = "ChPolaritySel", .rect = {10, 20, 70, kComboHeight},
     .group = "ChPolarityGrp", .groupCaption = "Polarity", .groupRect = {332, 80, 90, 55},
     .groupHint = "Channel output polarity", .groupHintShown = false, .text = "Normal",
     .items = {"Normal", "Inverted"}},
    {.kind = PartKind::List, .name = "ChOutputModeSel", .rect = {10, 20, 85, kComboHeight},
     .group = "ChOutputModeGrp", .groupCaption = "Output Mode", .groupRect = {7, 144, 102, 55},
     .text = "TTL/CMOS", .items = {"TTL/CMOS", "Adjustable"}},
    {.kind = PartKind::Spin, .name = "ChAmplitudeAdj", .rect = {10, 20, 65, 24},
     .group = "ChAmplitudeAdjGrp", .groupCaption = "Amplitude (V)", .groupRect = {115, 144, 92, 55},
     .groupHint = "Sets channel output amplitude",
     .decimals = 2, .increment = 0.01, .minimum = 2, .maximum = 20, .value = 5,
     .separator = QChar()},
    {.kind = PartKind::Spin, .name = "ChWaitCountAdj", .rect = {10, 20, 100, kSpinHeight},
     .group = "ChWaitCountGrp", .groupCaption = "Wait Count", .groupRect = {212, 145, 115, 55},
     .groupHint = "Sets number of pulses to wait until outputs start",
     .minimum = 0, .maximum = 10000000, .value = 1000000},
    {.kind = PartKind::List, .name = "ChGateModeSel", .rect = {7, 20, 75, kComboHeight},
     .group = "ChGateModeGrp", .groupCaption = "Gate Mode", .groupRect = {333, 145, 90, 55},
     .text = "Disabled", .items = {"Disabled", "Pulse Inh", "Out Inh"}},
    {.kind = PartKind::List, .name = "ChControlModeSel", .rect = {10, 20, 75, kComboHeight},
     .group = "ChControlModeGrp", .groupCaption = "Control Mode", .groupRect = {559, 25, 90, 55},
     .groupHint = "Channel control mode", .groupHintShown = false, .text = "Disabled",
     .items = {"Disabled", "Gate A", "Gate B", "Inhibit A"}},
    {.kind = PartKind::List, .name = "ChPhaseSyncSel", .rect = {10, 20, 75, kComboHeight},
     .group = "ChPhaseSyncGrp", .groupCaption = "Phase Sync", .groupRect = {559, 80, 90, 55},
     .groupHint = "Channel sync source", .groupHintShown = false, .text = "Disabled",
     .items = {"Disabled", "Sync A", "Sync B", "Sync T"}},
    {.kind = PartKind::List, .name = "ChGateLogicSel", .rect = {7, 20, 58, kComboHeight},
     .group = "ChGateLogicGrp", .groupCaption = "Gate Logic", .groupRect = {428, 145, 76, 55},
     .text = "High", .items = {"Low", "High"}},
    {.kind = PartKind::CheckList, .name = "ChMuxSelect", .rect = {5, 20, 140, 40},
     .group = "ChMuxGrp", .groupCaption = "Multiplexer", .groupRect = {510, 135, 150, 65},
     .items = kMuxLetters},
    {.kind = PartKind::Button, .name = "ChReArmBtn", .rect = {104, 8, 49, 20}, .text = "ReArm",
     .fontPx = 13},
};
constexpr QRect kChannelFrame(0, 2, 665, 207);  // ChFunctGrp<n>
constexpr int kMuxColumns = 4;

void BuildChannelPart(const ChannelPart &p, QWidget *frame, const QString &num) {
  QWidget *parent = frame;
  if (p.group) {
    QGroupBox *g = Group(frame, p.group + num, p.groupCaption, p.groupRect);
    SetHint(g, p.groupHint, p.groupHintShown);
    parent = g;
  }
  const bool typed = true;  // channel lists take typed text too
  const QString name = p.name + num;
  QWidget *c = nullptr;
  switch (p.kind) {
    case PartKind::Check:
      c = Check(parent, name, p.text, p.rect, p.checked);
      break;
    case PartKind::Button:
      c = Button(parent, name, p.text, p.rect, p.fontPx);
      break;
    case PartKind::Spin:
      c = Spin(parent, name, p.rect, p.decimals, p.increment, p.minimum, p.maximum, p.value,
               p.separator);
      break;
    case PartKind::List:
      c = Combo(parent, name, p.rect, p.items, p.text, typed);
      break;
    case PartKind::CheckList:
      c = CheckList(parent, name, p.rect, p.items, kMuxColumns);
      break;
  }
  SetHint(c, p.hint, true);
}

// A later page takes over what channel 1 shows at the time it is made:
// places, font sizes, captions, hints, limits, values, item lists and
// selections (not the multiplexer marks). No handler is connected to the new
// page yet, so none of this sends anything.
void CopyGroupState(const QGroupBox *src, QGroupBox *dst) {
  dst->setGeometry(src->geometry());
  CopyFontSize(src, dst);
  dst->setTitle(src->title());
  CopyHint(src, dst);
}

void CopyControlState(const QWidget *src, QWidget *dst) {
  if (auto *s = qobject_cast<const TPlusSpinEdit *>(src)) {
    auto *c = qobject_cast<TPlusSpinEdit *>(dst);
    c->setAutoSize(s->AutoSize());
    c->setGeometry(s->geometry());
    CopyFontSize(s, c);
    c->setMaxValue(s->MaxValue());
    c->setMinValue(s->MinValue());
    c->setIncrement(s->Increment());
    c->setThousandSeparator(s->ThousandSeparator());
    c->setDecimals(s->Decimals());  // before the value, so no digit of it is lost
    c->SetValue(s->Value());
    c->setBorderStyle(s->BorderStyle());
  } else if (auto *s = qobject_cast<const QCheckBox *>(src)) {
    auto *c = qobject_cast<QCheckBox *>(dst);
    c->setGeometry(s->geometry());
    CopyFontSize(s, c);
    c->setText(s->text());
    c->setChecked(s->isChecked());
  } else if (auto *s = qobject_cast<const QComboBox *>(src)) {
    auto *c = qobject_cast<QComboBox *>(dst);
    c->setGeometry(s->geometry());
    CopyFontSize(s, c);
    c->clear();
    for (int i = 0; i < s->count(); ++i) c->addItem(s->itemText(i));
    c->setCurrentIndex(s->currentIndex());
    if (s->isEditable() && c->isEditable()) {
      c->setEditText(s->currentText());
      c->lineEdit()->setCursorPosition(0);
    }
    c->setPlaceholderText(s->placeholderText());
  } else if (auto *s = qobject_cast<const QListWidget *>(src)) {
    auto *c = qobject_cast<QListWidget *>(dst);
    c->setGeometry(s->geometry());
    CopyFontSize(s, c);
    QStringList items;
    for (int i = 0; i < s->count(); ++i) items << s->item(i)->text();
    FillCheckList(c, items);
    c->setCurrentRow(s->currentRow(), QItemSelectionModel::NoUpdate);
    SetCheckListColumns(c, CheckListColumns(s));
  } else if (auto *s = qobject_cast<const QPushButton *>(src)) {
    auto *c = qobject_cast<QPushButton *>(dst);
    c->setGeometry(s->geometry());
    CopyFontSize(s, c);
    c->setText(s->text());
  }
  CopyHint(src, dst);
}

template <class T>
T *Find(const QWidget *w, const QString &name) {
  T *c = w->findChild<T *>(name);
  if (!c) throw std::logic_error("main window: missing component " + name.toStdString());
  return c;
}

// The controls of channel n's page, looked up once where the page is made.
TChannelPage PageControls(const QWidget *w, QWidget *page, int n) {
  TChannelPage c;
  c.Page = page;
#define VM_PAGE_CONTROL(kind, name, ...) \
  c.name = Find<kind>(w, QStringLiteral(#name) + QString::number(n));
  VM_CHANNEL_ARRAYS(VM_PAGE_CONTROL)
#undef VM_PAGE_CONTROL
  return c;
}

void RemoveItem(QComboBox *c, const QString &text) {
  const int i = c->findText(text, Qt::MatchExactly);
  if (i >= 0) c->removeItem(i);
}

}  // namespace

// --- Public ---------------------------------------------------------------------

void InstallFontSubstitutes() {
  static const bool done = [] {
    QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "Arial", "DejaVu Sans", "Verdana"});
    return true;
  }();
  (void)done;
}

QFont Tahoma(int pixelHeight) {
  QFont f("Tahoma");
  f.setPixelSize(pixelHeight);
  return f;
}

void SetCheckListColumns(QListWidget *list, int columns) {
  columns = std::max(1, columns);
  list->setProperty("columns", columns);
  const int frame = list->frameWidth();
  const int w = list->width() - 2 * frame;
  const int rowH = std::max(12, std::min(19, list->height() - 2 * frame));
  list->setGridSize(QSize(std::max(1, w / columns), rowH));
  list->doItemsLayout();
}

int CheckListColumns(const QListWidget *list) {
  const int c = list->property("columns").toInt();
  return c > 0 ? c : 1;
}

void SetMuxLayout(QListWidget *list, int channelCount) {
  const int columns = channelCount == 2 ? 2 : 4;
  const int height = (channelCount == 2 || channelCount == 4) ? 20 : 40;
  list->resize(list->width(), height);
  SetCheckListColumns(list, columns);
}

QString ChannelArrayKind(const QString &array) {
#define VM_CHANNEL_ARRAY_KIND(kind, name, ...) \
  if (array == QLatin1String(#name)) return QStringLiteral(#kind);
  VM_CHANNEL_ARRAYS(VM_CHANNEL_ARRAY_KIND)
#undef VM_CHANNEL_ARRAY_KIND
  return {};
}

QWidget *ChannelControl(const QWidget *window, const QString &array, int n) {
  if (!window || n < 1) return nullptr;
  QWidget *c = window->findChild<QWidget *>(array + QString::number(n));
  if (!c) return nullptr;
  const QString kind = ChannelArrayKind(array);
  if (kind.isEmpty() || !c->inherits(kind.toLatin1().constData()))
    throw std::logic_error("channel array " + array.toStdString() + ": component " +
                           c->objectName().toStdString() + " is a " +
                           c->metaObject()->className());
  return c;
}

void TrimChannelPage(QWidget *window, int n, int channelCount) {
  const QString num = QString::number(n);
  if (channelCount < 5) {
    if (auto *c = window->findChild<QComboBox *>("ChControlModeSel" + num)) RemoveItem(c, "Gate B");
    if (auto *c = window->findChild<QComboBox *>("ChPhaseSyncSel" + num)) RemoveItem(c, "Sync B");
  }
  if (auto *mux = window->findChild<QListWidget *>("ChMuxSelect" + num)) {
    while (mux->count() > std::max(0, channelCount)) delete mux->takeItem(mux->count() - 1);
  }
}

void TrimSyncSourceList(QComboBox *list, int n, int channelCount) {
  if (!list || list->count() <= channelCount) return;
  for (int i = list->count() - 1; i >= channelCount + 1; --i) list->removeItem(i);
  if (n >= 0 && n < list->count()) list->removeItem(n);
}

void ApplyModelToAdditionalPage(QWidget *window, int channelCount) {
  const bool clocks = channelCount > 4;
  for (const char *name : {"ExternalInputClkGrp", "ExternalOutputClkGrp"}) {
    if (auto *g = window->findChild<QGroupBox *>(name)) {
      g->setVisible(clocks);
      g->setEnabled(clocks);
    }
  }
  if (auto *src = window->findChild<QComboBox *>("CounterSourceSel"))
    for (int i = src->count() - 1; i > channelCount && i >= 0; --i) src->removeItem(i);
}

TMainWindowControls BuildMainWindow(QMainWindow *w) {
  InstallFontSubstitutes();
  w->setObjectName(w->objectName().isEmpty() ? QString("MainForm") : w->objectName());
  w->setWindowTitle("5200 Pulse Generator");
  w->setWindowIcon(AppIcon());
  w->setFont(Tahoma(11));
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  w->setPalette(pal);

  auto *client = new QWidget(w);
  client->setObjectName("MainClient");
  client->setFixedSize(kClientWidth, kClientHeight);
  w->setCentralWidget(client);

  // Banner row.
  auto *banner = new QLabel(client);
  banner->setObjectName("VMBlueBanner");
  banner->setGeometry(0, 0, 561, 72);
  banner->setPixmap(DrawBanner(banner->size()));
  banner->setAttribute(Qt::WA_TranslucentBackground);
  banner->hide();

  auto *pulse = new TPulseAnimation(client);
  pulse->setObjectName("PulseAnimate");
  pulse->setGeometry(468, 15, 57, 41);
  pulse->hide();  // shown only while the outputs run

  // Error texts in red over the window's own colour. The design width fits
  // "Error Label" only; the label is widened so that the longest error text
  // ("Over Temperature Error") is shown whole, leftwards where needed, and
  // ends short of the running animation so that both stay visible.
  auto *err = new QLabel("Error Label", client);
  err->setObjectName("ErrorLabel");
  err->setFont(Tahoma(27));
  {
    const int right = pulse->x() - 4;
    const int need = QFontMetrics(err->font()).horizontalAdvance(QStringLiteral("Over Temperature Error")) + 4;
    const int left = std::max(0, std::min(213, right - need));
    err->setGeometry(left, -4, right - left, 33);
  }
  QPalette ep = err->palette();
  ep.setColor(QPalette::WindowText, Qt::red);
  err->setPalette(ep);
  auto *halo = new QGraphicsDropShadowEffect(err);  // readable over the banner
  halo->setOffset(0, 0);
  halo->setBlurRadius(4);
  halo->setColor(Qt::white);
  err->setGraphicsEffect(halo);
  err->hide();

  QPushButton *run = Button(client, "RunStopbtn", "Run", {557, 0, 109, 72}, 27);
  SetHint(run, "Starts(arms) or stops(disarms) the system", true);

  // System and additional pages.
  QGroupBox *sysOpt = Group(client, "SystemOptions", QString(), {0, 70, 666, 260});
  auto *sysPc = new QTabWidget(sysOpt);
  sysPc->setObjectName("SystemPageControl");
  sysPc->setGeometry(0, 2, 666, 255);
  sysPc->setFont(Tahoma(16));
  ButtonTabs(sysPc, 0);
  BuildSystemPage(Page(sysPc, "SystemPage", "System Options"));
  BuildAdditionalPage(Page(sysPc, "AdditionalPage", "Additional Options"));
  sysPc->setCurrentIndex(0);
  sysPc->hide();

  // Channel pages.
  QGroupBox *chGrp = Group(client, "ChannelGrp", "Channels", {0, 329, 675, 280}, 16);
  auto *chPc = new QTabWidget(chGrp);
  chPc->setObjectName("ChPageControl");
  chPc->setGeometry(3, 25, 675, 248);
  ButtonTabs(chPc, 55);
  CreateChannelPage(w, 1);
  chPc->setCurrentIndex(0);
  chPc->hide();

  // Terminal.
  QGroupBox *term = Group(client, "TerminalBoxgrp", "Command Terminal", {0, 615, 509, 120});
  SetHint(term, "Send and receive commands directly to unit", true);
  // The line is sent exactly as typed: no completer may finish it from the
  // history by itself.
  Combo(term, "SendEdit", {25, 21, 399, 21}, {}, QString(), true)->setCompleter(nullptr);
  Button(term, "SendBtn", "Send", {430, 20, 67, 22});
  auto *resp = new QTextEdit(term);
  resp->setObjectName("ResponseList");
  resp->setGeometry(25, 45, 472, 70);
  resp->setReadOnly(true);
  resp->setFont(Tahoma(11));
  resp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  resp->setLineWrapMode(QTextEdit::NoWrap);
  resp->setAcceptRichText(true);
  QPalette rp = resp->palette();  // the selection stays visible without the focus
  rp.setColor(QPalette::Inactive, QPalette::Highlight, rp.color(QPalette::Active, QPalette::Highlight));
  rp.setColor(QPalette::Inactive, QPalette::HighlightedText,
              rp.color(QPalette::Active, QPalette::HighlightedText));
  resp->setPalette(rp);

  // System information.
  QGroupBox *info = Group(client, "SystemInfoGrp", "System Information", {515, 615, 150, 120});
  SetHint(info, "Information about unit", true);
  Label(info, "SerialNumberlbl", "Serial Number: 123456", {16, 17});
  Label(info, "FWVersionlbl", "Firmware Ver: 33.44.55.66", {16, 34});
  Label(info, "FPGAVersionlbl", "FPGA Ver: 33.44.55.66", {16, 52});

  // Main menu.
  QMenuBar *bar = w->menuBar();
  bar->setObjectName("MainMenu1");
  QMenu *file = TopMenu(bar, "File1", "File");
  Item(file, "Exit1", "Exit");
  Item(file, "R1", "Restart App");

  QMenu *storage = TopMenu(bar, "Storage1", "Storage");
  QMenu *save = SubMenu(storage, "SaveToBin", "Save To Bin");
  Item(save, "BinSave1", "1");
  QMenu *restore = SubMenu(storage, "RestoreFromBin", "Restore From Bin");
  Item(restore, "BinRestore0", "Default 0");
  Item(restore, "BinRestore1", "1");
  Item(storage, "SaveToFile1", "Save Settings To File");
  Item(storage, "RestoreSettingsFromFile1", "Restore Settings From File");

  QMenu *tools = TopMenu(bar, "ools1", "Tools");
  Item(tools, "Up1", "Refresh");
  Item(tools, "CaptureScreenShot1", "Capture Screen Shot");
  QAction *log = Item(tools, "EnableLoggingMenu", "Logging Enabled");
  log->setCheckable(true);
  Item(tools, "ServiceMenu", "Service");
  Item(tools, "ServiceWindowMenu", "Service Window")->setVisible(false);
  Item(tools, "TimingDiagramMenu", "Timing Diagram");

  QMenu *help = TopMenu(bar, "Help1", "Help");
  Item(help, "WebSite1", "Web Site");
  Item(help, "About1", "About");

  // Fixed size: the client area plus the menu bar; centred on the screen.
  w->layout()->setSizeConstraint(QLayout::SetFixedSize);
  w->setFixedSize(kClientWidth, kClientHeight + bar->sizeHint().height());
  if (QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
  }

  // Looked up once, here: a renamed component stops the build instead of
  // leaving a handler without its control.
  TMainWindowControls c;
#define VM_MAIN_WINDOW_CONTROL(kind, name) c.name = Find<kind>(w, QStringLiteral(#name));
  VM_MAIN_WINDOW_CONTROLS(VM_MAIN_WINDOW_CONTROL)
#undef VM_MAIN_WINDOW_CONTROL
  c.Ch1 = PageControls(w, Find<QWidget>(w, "TabCh1"), 1);
  return c;
}

TChannelPage CreateChannelPage(QWidget *w, int n) {
  if (!w || n < 1 || n > 8) return {};
  auto *pc = w->findChild<QTabWidget *>("ChPageControl");
  const QString num = QString::number(n);
  if (!pc || w->findChild<QWidget *>("TabCh" + num)) return {};

  // Built complete before it joins the page control, so every control shows
  // with the page; a missing channel 1 component leaves no half-built page.
  auto page = std::make_unique<QWidget>();
  page->setObjectName("TabCh" + num);
  QGroupBox *frame = Group(page.get(), "ChFunctGrp" + num, QString(), kChannelFrame, kCaptionPx);
  for (const ChannelPart &p : kChannelParts) BuildChannelPart(p, frame, num);
  if (n > 1) {
    CopyGroupState(Find<QGroupBox>(w, "ChFunctGrp1"), frame);
    frame->setTitle(QString());
    for (const ChannelPart &p : kChannelParts) {
      if (p.group)
        CopyGroupState(Find<QGroupBox>(w, QString(p.group) + "1"),
                       Find<QGroupBox>(page.get(), p.group + num));
      CopyControlState(Find<QWidget>(w, QString(p.name) + "1"), Find<QWidget>(page.get(), p.name + num));
    }
  }
  QWidget *made = page.release();
  pc->addTab(made, "Ch " + num);
  return PageControls(w, made, n);
}

}  // namespace forms
