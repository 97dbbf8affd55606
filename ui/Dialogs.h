#pragma once
// Message boxes and input boxes go through here, so that tests (and the
// end-to-end driver) can answer them without a person at the screen.
#include <QMessageBox>
#include <QString>
#include <functional>

namespace vm {

struct MessageRequest {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  QString informativeText;
  QString detailedText;  // behind the box's "Show Details..." button
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows a modal box and returns the button pressed. With a hook installed the
// hook answers instead and nothing is shown.
QMessageBox::StandardButton ShowMessage(QWidget *parent, const MessageRequest &req);

// Convenience: a plain information box with OK.
void ShowInfo(QWidget *parent, const QString &text);

using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest &)>;
// Installs a hook (an empty function removes it). Returns the previous one.
MessageHook SetMessageHook(MessageHook hook);

// Input box: returns the entered text, or nullopt-like empty QString with ok=false.
QString ShowInput(QWidget *parent, const QString &title, const QString &prompt,
                  const QString &initial, bool *ok, bool password = false);
using InputHook = std::function<QString(const QString &title, const QString &prompt, bool *ok)>;
InputHook SetInputHook(InputHook hook);

}  // namespace vm
