// The window's side of the instrument link: what the link asks of it.
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
  TLinkHost &h = Link->Host;
  h.CommandsDisabled = [this] { return CommandsDisabled(); };
  h.ExitRequested = [this] { return ExitRequested; };
  h.CommunicationLost = [this] { CommunicationLost(); };
  h.Echo = [this](const QString &text, const QColor &color) { EchoLine(text, color); };
  h.ClearEcho = [this] {
    if (ResponseList) ResponseList->clear();
  };
  h.Log = [this](const QString &line) {
    if (LoggingEnabled) WriteLogLine(line);
  };
  h.Notify = [this](const QString &text) { vm::ShowInfo(this, text); };
  h.IdentityRead = [this](const vm::InstrumentIdentity &id) {
    CompanyBadge = QString::fromLatin1(id.CompanyBadge);
    ModelNumber = QString::fromLatin1(id.ModelNumber);
    SerialNumber = id.SerialNumber;
    FirmwareVersion = QString::fromLatin1(id.FirmwareVersion);
    FpgaVersion = QString::fromLatin1(id.FpgaVersion);
  };
}

void TMainForm::ParseIDN() {
  // The reply may leave fields as they were: start from the window's.
  vm::InstrumentIdentity &id = Link->Identity;
  id.CompanyBadge = CompanyBadge.toStdString();
  id.ModelNumber = ModelNumber.toStdString();
  id.SerialNumber = SerialNumber;
  id.FirmwareVersion = FirmwareVersion.toStdString();
  id.FpgaVersion = FpgaVersion.toStdString();
  Link->ParseIDN();
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
