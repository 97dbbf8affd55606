#pragma once
// A main window without start-up, with the channel pages of a model built,
// bound and connected the way the initialisation leaves them, and small
// helpers that drive its controls as a user does. The session's task timer
// is kept busy, so the queue holds what the handlers queue.
#include <QComboBox>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "ui/Dialogs.h"
#include "main/Main.h"

class QListWidget;
class TPlusSpinEdit;

class HandlerFixture {
 public:
  // channelCount 4 or 8: builds pages 2..channelCount, trims them for the
  // model, connects every handler and clears the queue.
  explicit HandlerFixture(int channelCount);
  ~HandlerFixture();

  TMainForm &w() { return *Form; }
  template <class T>
  T *Find(const QString &name) {
    return Form->findChild<T *>(name);
  }

  // Commands queued so far, oldest first; Take() also empties the queue.
  QStringList Pending() const;
  QStringList Take();

  // Message boxes shown so far (texts); each is answered with OK.
  QStringList Messages;

  // A user's choice of an item in the list's drop-down.
  static void ChooseItem(QComboBox *list, const QString &caption);
  // Types `text` into an editable list and presses Enter.
  static void TypeIntoList(QComboBox *list, const QString &text);
  // Marks the digit 10^exponent of a spin edit and presses a key on it.
  static void KeyOnDigit(TPlusSpinEdit *spin, int exponent, int key);
  static void TypeDigit(TPlusSpinEdit *spin, int exponent, char digit);
  // Toggles item `row` of a check list with the space bar.
  static void ToggleCheckItem(QListWidget *list, int row);

 private:
  std::unique_ptr<TMainForm> Form;
  std::optional<vm::BusyModel::Guard> QueueHeld;
  vm::MessageHook OldHook;
};
