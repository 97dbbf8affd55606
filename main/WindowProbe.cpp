#include "main/WindowProbe.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include "base/core/Numbers.h"
#include "controls/plussped.h"
#include "main/Main.h"
#include "serial/VMComPort.h"

namespace {

QString Num(double v) { return QString::fromStdString(vm::FormatFixed(v, 12)); }
// A cache field as the probe writes it.
QString Shown(double v) { return Num(v); }
int32_t Shown(int32_t v) { return v; }

QString Rect(const QWidget *w, const QRect &local) {
  const QPoint g = w->mapToGlobal(local.topLeft());
  return QStringLiteral("%1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(local.width()).arg(local.height());
}

// Texts go last on a line, so they may hold blanks.
void WriteWindow(TMainForm *w, const TInstrumentSession &session, QTextStream &out) {
  out << "window " << Rect(w, w->rect()) << "\n";
  if (QWidget *f = QApplication::focusWidget()) out << "focus " << f->objectName() << "\n";
  out << "popup " << int(QApplication::activePopupWidget() != nullptr) << "\n";
  out << "modal " << int(QApplication::activeModalWidget() != nullptr) << "\n";
  for (QWidget *c : w->findChildren<QWidget *>()) {
    const QString name = c->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
    QString path = name;
    if (qobject_cast<QAbstractButton *>(c) && c->parentWidget() &&
        qobject_cast<TPlusSpinEdit *>(c->parentWidget()))
      path = c->parentWidget()->objectName() + "/" + name;  // the step buttons
    out << "geom " << path << " " << Rect(c, c->rect()) << " " << int(c->isVisible()) << " "
        << int(c->isEnabled()) << "\n";
    if (auto *s = qobject_cast<TPlusSpinEdit *>(c)) {
      out << "spin " << name << " " << Num(s->Value()) << " " << s->IncExponent() << " "
          << Num(s->MinValue()) << " " << Num(s->MaxValue()) << " " << Num(s->Increment())
          << " " << s->Decimals() << " " << int(s->SpinEnabled()) << " " << s->Text() << "\n";
    } else if (auto *l = qobject_cast<QComboBox *>(c)) {
      QStringList items;
      for (int i = 0; i < l->count(); ++i) items << l->itemText(i);
      out << "combo " << name << " " << l->currentIndex() << " " << l->currentText() << "\n";
      out << "items " << name << " " << items.join('|') << "\n";
    } else if (auto *b = qobject_cast<QCheckBox *>(c)) {
      out << "check " << name << " " << int(b->isChecked()) << "\n";
    } else if (auto *m = qobject_cast<QListWidget *>(c)) {
      for (int i = 0; i < m->count(); ++i) {
        QListWidgetItem *it = m->item(i);
        out << "item " << name << " " << i << " " << Rect(m->viewport(), m->visualItemRect(it))
            << " " << int(it->checkState() == Qt::Checked) << " " << it->text() << "\n";
      }
    } else if (auto *t = qobject_cast<QTabWidget *>(c)) {
      out << "current " << name << " " << t->currentIndex() << "\n";
      for (int i = 0; i < t->count(); ++i)
        out << "tab " << name << " " << i << " " << Rect(t->tabBar(), t->tabBar()->tabRect(i))
            << " " << t->widget(i)->objectName() << "\n";
    } else if (auto *lb = qobject_cast<QLabel *>(c)) {
      out << "label " << name << " " << lb->text().replace('\n', ' ') << "\n";
    } else if (auto *te = qobject_cast<QTextEdit *>(c)) {
      for (const QString &line : te->toPlainText().split('\n'))
        out << "textline " << name << " " << line << "\n";
    } else if (auto *bar = qobject_cast<QMenuBar *>(c)) {
      // Menu titles, and the items of an open menu, for clicks by position.
      for (QAction *a : bar->actions())
        if (a->menu()) out << "menu " << a->menu()->objectName() << " " << Rect(bar, bar->actionGeometry(a)) << "\n";
    }
    if (auto *m = qobject_cast<QMenu *>(c); m && m->isVisible()) {
      for (QAction *a : m->actions()) {
        const QString id = a->menu() ? a->menu()->objectName() : a->objectName();
        if (!id.isEmpty() && a->isVisible()) out << "action " << id << " " << Rect(m, m->actionGeometry(a)) << "\n";
      }
    }
  }
  const vm::TSystemParameters &s = session.SystemParameters;
  out << "sys Period " << Num(s.Period) << "\nsys Mode " << s.Mode << "\nsys BurstCount "
      << s.BurstCount << "\nsys DutyOnCount " << s.DutyOnCount << "\nsys DutyOffCount "
      << s.DutyOffCount << "\nsys CycleCount " << s.CycleCount << "\nsys TrigMode " << s.TrigMode
      << "\nsys TrigEdge " << s.TrigEdge << "\nsys GatePolarity " << s.GatePolarity
      << "\nsys Threshold " << Num(s.Threshold) << "\nsys Debounce " << s.Debounce
      << "\nsys AutoStart " << s.AutoStart << "\nsys CounterEnabled " << s.CounterEnabled
      << "\nsys CounterSource " << s.CounterSource << "\nsys InputClock " << s.InputClock
      << "\nsys OutputClock " << s.OutputClock << "\n";
  for (int n = 1; n <= 8; ++n) {
    const vm::TChannelParameters &p = session.ChannelParameters[size_t(n)];
    out << "ch " << n;
#define VM_PROBE_CHANNEL_FIELD(field, ...) out << " " #field " " << Shown(p.field);
    VM_CHANNEL_SETTINGS(VM_PROBE_CHANNEL_FIELD)
#undef VM_PROBE_CHANNEL_FIELD
    out << "\n";
  }
  const vm::OperatingLimits &l = session.Limits;
  out << "limits " << Num(l.PeriodResolution) << " " << Num(l.DelayResolution) << " "
      << Num(l.WidthResolution) << "\n";
  out << "queue " << session.Tasks.PendingCommands().size() << " "
      << int(session.ComPort()->InUse()) << " " << int(session.StatusUpdateBusy()) << " "
      << int(session.CommandsDisabled()) << " " << session.ChannelCount << "\n";
  // Check-mark menu items (the logging switch, the remote-control indicator).
  for (QAction *a : w->findChildren<QAction *>())
    if (a->isCheckable() && !a->objectName().isEmpty())
      out << "checked " << a->objectName() << " " << int(a->isChecked()) << " " << a->text() << "\n";
  // The timing diagram's window once it exists, through its own probe text
  // ("diagram view ...", "diagram edges ChA <t>:<level> ...", "diagram
  // problem ..."): reached by name, so this layer needs none of its headers.
  for (QWidget *top : QApplication::topLevelWidgets()) {
    if (top->objectName() != QLatin1String("TimingDiagramForm")) continue;
    out << "diagramwindow " << Rect(top, top->rect()) << " " << int(top->isVisible()) << "\n";
    QString text;
    if (QMetaObject::invokeMethod(top, "ProbeText", Qt::DirectConnection, Q_RETURN_ARG(QString, text)))
      for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) out << "diagram " << line << "\n";
  }
}

}  // namespace

void InstallWindowProbe(TMainForm &window, const TInstrumentSession &session) {
  TMainForm *w = &window;
  const QString dir = qEnvironmentVariable("VM5200_PROBE_DIR");
  if (dir.isEmpty() || w->findChild<QTimer *>(QStringLiteral("ProbeTimer"))) return;
  QDir().mkpath(dir);
  auto *timer = new QTimer(w);
  timer->setObjectName(QStringLiteral("ProbeTimer"));
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, w, [w, &session, dir] {
    const QString request = dir + "/request";
    if (!QFile::exists(request)) return;
    const QString target = dir + "/window.txt";
    QFile file(target + ".tmp");
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
      QTextStream out(&file);
      WriteWindow(w, session, out);
      out.flush();
      file.close();
      QFile::remove(target);
      QFile::rename(target + ".tmp", target);
    }
    QFile::remove(request);
  });
  timer->start();
}
