#include "ui/Dialogs.h"

#include <QInputDialog>
#include <QLineEdit>

namespace vm {

static MessageHook &messageHook() {
  static MessageHook h;
  return h;
}
static InputHook &inputHook() {
  static InputHook h;
  return h;
}

MessageHook SetMessageHook(MessageHook hook) {
  MessageHook old = messageHook();
  messageHook() = std::move(hook);
  return old;
}

InputHook SetInputHook(InputHook hook) {
  InputHook old = inputHook();
  inputHook() = std::move(hook);
  return old;
}

QMessageBox::StandardButton ShowMessage(QWidget *parent, const MessageRequest &req) {
  if (messageHook()) return messageHook()(req);
  QMessageBox box(req.icon, req.title, req.text, req.buttons, parent);
  if (!req.informativeText.isEmpty()) box.setInformativeText(req.informativeText);
  if (!req.detailedText.isEmpty()) box.setDetailedText(req.detailedText);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowInfo(QWidget *parent, const QString &text) {
  MessageRequest r;
  r.title = QStringLiteral("VM5200_GUI");
  r.text = text;
  ShowMessage(parent, r);
}

QString ShowInput(QWidget *parent, const QString &title, const QString &prompt,
                  const QString &initial, bool *ok, bool password) {
  if (inputHook()) return inputHook()(title, prompt, ok);
  return QInputDialog::getText(parent, title, prompt,
                               password ? QLineEdit::Password : QLineEdit::Normal, initial, ok);
}

}  // namespace vm
