// The window's side of the instrument link and of the session: what the link
// asks of the window, and what the window does when the session's queue has
// work.
#include <QApplication>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "serial/VMComPort.h"
#include "ui/Dialogs.h"

void TMainForm::ConnectLink() {
  // Sending off, the program's end and the identity are the session's part.
  TLinkHost &h = Session.Link().Host;
  h.CommunicationLost = [this] { CommunicationLost(); };
  h.Echo = [this](const QString &text, const QColor &color) { EchoLine(text, color); };
  h.ClearEcho = [this] {
    if (ResponseList) ResponseList->clear();
  };
  h.Log = [this](const QString &line) {
    if (LoggingEnabled) WriteLogLine(line);
  };
  h.Notify = [this](const QString &text) { vm::ShowInfo(this, text); };
}

void TMainForm::ConnectSession() {
  Session.ModalDialogOpen = [] { return QApplication::activeModalWidget() != nullptr; };
  connect(&Session, &TInstrumentSession::CommandsQueued, this, [this] {
    TaskTimer->start();
    SendQueueWhenIdle();
  });
  connect(&Session, &TInstrumentSession::RefreshRequested, this, [this] { TaskTimer->start(); });
}

void TMainForm::SendQueueWhenIdle() {
  // Nothing under way: the queue goes out as soon as control returns to the
  // event loop, not at the task timer's next tick. Otherwise the tick serves
  // it once the exchange, tick or initialisation in progress has ended.
  if (Session.MayStart(vm::Work::QueueTick) != vm::Verdict::Run) return;
  QTimer::singleShot(0, this, [this] {
    if (!Session.ExitRequested && Session.Tasks.TasksPending()) ProcessTasks();
  });
}

void TMainForm::EchoLine(const QString &text, const QColor &color) {
  if (!ResponseList) return;
  QTextDocument *doc = ResponseList->document();
  QTextCursor c(doc);
  c.movePosition(QTextCursor::End);
  if (!doc->isEmpty()) c.insertBlock();
  QTextCharFormat fmt;
  fmt.setForeground(color);
  c.insertText(text, fmt);  // plain text: replies are never read as markup
  if (auto *bar = ResponseList->verticalScrollBar()) bar->setValue(bar->maximum());
}

void TMainForm::CommunicationLost() {
  StatusTimer->stop();
  vm::MessageRequest box;
  box.icon = QMessageBox::Warning;
  box.title = QStringLiteral("Warning");
  box.text = QStringLiteral("Communications lost. Restart?");
  box.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore;
  const auto answer = vm::ShowMessage(this, box);
  if (answer == QMessageBox::Yes) {
    RestartApp();
  } else if (answer == QMessageBox::No) {
    ExitApp();
  } else {
    // Ignore (or the box closed another way): carry on polling.
    ComPort->Flush();
    StatusTimer->start();
  }
}
