#pragma once
// Keeps the user's hands off the window's controls while the program fills
// them from the instrument. An edit made then could not be sent (the queue
// drops commands while CommandsDisabled is set) and would leave the window
// showing a value the instrument does not hold, so presses, clicks, wheel
// turns and key presses aimed at the given areas are refused for the
// lifetime of the lock. Releases pass, so a press made before the lock
// still ends normally. Timers, menus and the window's close box are not
// affected.
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

class TInputLock : public QObject {
 public:
  explicit TInputLock(const QList<QWidget *> &areas);
  ~TInputLock() override;

 protected:
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  QList<QPointer<QWidget>> FAreas;
};
