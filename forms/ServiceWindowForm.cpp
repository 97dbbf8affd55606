// The service window as built at creation and the per-channel calibration
// pages added at its first initialisation.
#include "forms/ServiceWindowForm.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include "controls/plussped.h"
#include "forms/MainWindowForm.h"

namespace forms {

namespace {

constexpr int kClientWidth = 478;
constexpr int kClientHeight = 338;

void SetHint(QWidget *c, const QString &hint, bool shown) {
  c->setProperty("hint", hint);
  c->setProperty("showHint", shown);
  c->setToolTip(shown ? hint : QString());
}

QGroupBox *Group(QWidget *parent, const QString &name, const QString &caption, QRect r) {
  auto *g = new QGroupBox(caption, parent);
  g->setObjectName(name);
  g->setGeometry(r);
  return g;
}

TPlusSpinEdit *Spin(QWidget *parent, const QString &name, QRect r, int decimals,
                    double increment, double minimum, double maximum, double value,
                    QChar sep = QChar()) {
  auto *s = new TPlusSpinEdit(parent);
  s->setObjectName(name);
  s->setAutoSize(false);
  s->setBorderStyle(bsNone);
  s->setFont(Tahoma(15));
  s->setGeometry(r);
  s->setMaxValue(maximum);
  s->setMinValue(minimum);
  s->setIncrement(increment);
  s->setThousandSeparator(sep);
  s->SetValue(value);
  s->setDecimals(decimals);
  return s;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, QRect r) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(r);
  b->setAutoDefault(false);
  return b;
}

// One box of a channel page: its group box and the spin edit inside it.
struct CalBox {
  const char *group;
  const char *spin;
  const char *caption;
  QRect groupRect;
  int decimals;
  double increment, minimum, maximum, value;
  QChar separator;
};

const QRect kCalSpinRect(10, 20, 63, 25);
const CalBox kCalBoxes[4] = {
    {"ChDelayCalGrp", "ChDelayCalAdj", "Delay Cal", {11, 3, 86, 55}, 0, 1, 0, 200, 25, QChar(',')},
    {"ChWidthCalGrp", "ChWidthCalAdj", "Width Cal", {103, 3, 86, 55}, 0, 1, 0, 200, 25, QChar(',')},
    {"ChAmpGainGrp", "ChAmpGainAdj", "Amp Gain", {235, 3, 86, 55}, 0, 0.1, 1, 500, 200, QChar()},
    {"ChAmpOffGrp", "ChAmpOffAdj", "Amp Off", {327, 3, 86, 55}, 0, 0.1, -200, 200, 100, QChar()},
};

}  // namespace

TCalPage CreateCalPage(QWidget *w, int n) {
  auto *pc = w->findChild<QTabWidget *>(QStringLiteral("ChPageCalibration"));
  const QString num = QString::number(n);
  const QString pageName = n == 1 ? QStringLiteral("ChCal1") : "TabCh" + num;
  if (!pc || n < 1 || n > 8 || pc->findChild<QWidget *>(pageName)) return {};
  auto *page = new QWidget;
  page->setObjectName(pageName);
  TCalPage made;
  made.Page = page;
  TPlusSpinEdit *TCalPage::*const spins[4] = {&TCalPage::ChDelayCalAdj, &TCalPage::ChWidthCalAdj,
                                              &TCalPage::ChAmpGainAdj, &TCalPage::ChAmpOffAdj};
  int slot = 0;
  auto *box = Group(page, "ChCalGrp" + num, QString(), QRect(3, 3, 430, 70));
  for (const CalBox &b : kCalBoxes) {
    auto *g = Group(box, b.group + num, b.caption, b.groupRect);
    g->setFont(Tahoma(13));
    SetHint(g, QString(), true);
    auto *spin = Spin(g, b.spin + num, kCalSpinRect, b.decimals, b.increment, b.minimum,
                      b.maximum, b.value, b.separator);
    made.*spins[slot++] = spin;
    // A later page starts from what channel 1 shows now, not from the
    // design's defaults.
    if (auto *first = n > 1 ? w->findChild<TPlusSpinEdit *>(QString::fromLatin1(b.spin) + "1")
                            : nullptr) {
      spin->setMaxValue(first->MaxValue());
      spin->setMinValue(first->MinValue());
      spin->setIncrement(first->Increment());
      spin->setThousandSeparator(first->ThousandSeparator());
      spin->setDecimals(first->Decimals());  // before the value, so no digit of it is lost
      spin->SetValue(first->Value());
    }
  }
  pc->addTab(page, "Ch " + num);
  return made;
}

TServiceWindowControls BuildServiceWindow(QWidget *w) {
  TServiceWindowControls c;
  InstallFontSubstitutes();
  w->setWindowTitle(QStringLiteral("Service"));
  w->setFont(Tahoma(12));
  w->setFixedSize(kClientWidth, kClientHeight);

  auto *trig = Group(w, "TrigGateCalGrp", "Trig/Gate Calibration", {8, 8, 141, 137});
  auto *gain = Group(trig, "TrigGateAmpGainGrp", "Amp Gain", {13, 11, 116, 55});
  SetHint(gain, QStringLiteral("Gain calibration of the trigger/gate input"), true);
  c.TrigGateAmpGainAdj = Spin(gain, "TrigGateAmpGainAdj", {10, 20, 81, 25}, 1, 0.1, 1, 300, 10);
  auto *off = Group(trig, "TrigGateAmpOffGrp", "Amp Off", {13, 72, 116, 55});
  SetHint(off, QStringLiteral("Offset calibration of the trigger/gate input"), true);
  c.TrigGateAmpOffAdj = Spin(off, "TrigGateAmpOffAdj", {10, 20, 81, 25}, 1, 0.1, -200, 200, 0);

  auto *model = Group(w, "NumChSelect", "Channels/Model", {168, 8, 140, 99 - 8});
  auto *buttons = new QButtonGroup(model);
  buttons->setObjectName("NumChSelectButtons");
  c.NumChSelectButtons = buttons;
  const char *items[] = {"4 - 5204", "4 - 3204", "8 - 5208", "8 - 3208"};
  for (int i = 0; i < 4; ++i) {
    auto *r = new QRadioButton(QString::fromLatin1(items[i]), model);
    r->setObjectName(QString("NumChSelectItem%1").arg(i));
    r->setGeometry(8, 16 + i * 18, 124, 17);
    buttons->addButton(r, i);
  }

  auto *serial = Group(w, "SerialNumGrp", "Serial Number", {168, 105, 140, 40});
  auto *edit = new QLineEdit(QStringLiteral("00000"), serial);
  edit->setObjectName("SerialNumEdit");
  c.SerialNumEdit = edit;
  edit->setGeometry(10, 15, 75, 22);
  c.SerialNumSetBtn = Button(serial, "SerialNumSetBtn", "Set", {90, 15, 34, 20});

  c.SaveCalsBtn = Button(w, "SaveCalsBtn", "Save Cals To File", {342, 8, 113, 25});
  c.LoadCalsBtn = Button(w, "LoadCalsBtn", "Load Cals From File", {342, 39, 113, 25});
  c.StoreCalsBtn = Button(w, "StoreCalsBtn", "Store Cals", {342, 97, 113, 25});
  auto *reminder = new QLabel(QStringLiteral("Dont Forget to Store!!"), w);
  reminder->setObjectName("StoreCalReminderLbl");
  reminder->setGeometry(328, 128, 141, 14);
  QFont bold = reminder->font();
  bold.setBold(true);
  reminder->setFont(bold);
  reminder->setStyleSheet(QStringLiteral("color: red;"));
  reminder->hide();
  c.StoreCalReminderLbl = reminder;

  auto *pc = new QTabWidget(w);
  pc->setObjectName("ChPageCalibration");
  c.ChPageCalibration = pc;
  pc->setGeometry(8, 151, 461, 184);
  pc->tabBar()->setFont(Tahoma(16));
  pc->setDocumentMode(true);
  QTabBar *bar = pc->tabBar();
  bar->setDrawBase(false);
  bar->setExpanding(false);
  bar->setUsesScrollButtons(false);  // several rows rather than scrolling
  bar->setStyleSheet(QStringLiteral(
      "QTabBar::tab { color: black; min-width: 44px; max-width: 44px; height: 22px; padding: 0px;"
      " margin: 2px 4px 2px 0px; border: 1px solid #8c8c8c; border-radius: 3px;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #dadada); }"
      "QTabBar::tab:selected { border-color: #2f5f9c;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #bccde6, stop:1 #e4ebf5); }"));
  c.Cal1 = CreateCalPage(w, 1);
  return c;
}

}  // namespace forms
