#include "main/InputLock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

TInputLock::TInputLock(const QList<QWidget *> &areas) {
  for (QWidget *w : areas)
    if (w) FAreas << w;
  QCoreApplication::instance()->installEventFilter(this);
}

TInputLock::~TInputLock() { QCoreApplication::instance()->removeEventFilter(this); }

bool TInputLock::eventFilter(QObject *watched, QEvent *e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      break;
    default:
      return false;
  }
  if (!watched->isWidgetType()) return false;
  auto *w = static_cast<QWidget *>(watched);
  for (const QPointer<QWidget> &area : FAreas)
    if (area && (area == w || area->isAncestorOf(w))) return true;
  return false;
}
