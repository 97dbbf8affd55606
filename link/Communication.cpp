#include "link/Communication.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QTime>
#include <QTimer>

#include "app/Dialogs.h"
#include "app/core/Numbers.h"
#include "link/core/Identity.h"
#include "link/core/LogFormat.h"
#include "link/core/ScanReport.h"
#include "main/Main.h"
#include "serial/VMComPort.h"

QString LastCommand;

namespace {

std::vector<vm::RefusedPort> gScanRefused;

constexpr int kExchangePauseMs = 30;

std::string Bytes(const QString &s) { return s.toLatin1().toStdString(); }

// The port's 8-bit text and ours map one to one.
QString TrimmedReplyText(const QByteArray &raw) {
  return QString::fromLatin1(vm::TrimRightControl(std::string_view(raw.data(), raw.size())));
}

// The exchange may go ahead: there is a window, and the program is not ending.
TMainForm *Form() {
  TMainForm *f = MainForm;
  return (f && !f->ExitRequested && f->ComPort) ? f : nullptr;
}

void Log(const std::string &line) {
  if (MainForm && MainForm->LoggingEnabled) MainForm->WriteLogLine(QString::fromLatin1(line));
}

// Text of a typed query, as the conversion expects it: "0" for no reply,
// surrounding blanks removed.
std::string NumberText(const QString &header) {
  QString text = QueryText(header);
  if (text.isEmpty()) text = QStringLiteral("0");
  return vm::TrimControl(Bytes(text));
}

template <class T>
T Converted(const std::optional<T> &v) {
  if (v) return *v;
  Log(vm::logfmt::ExceptionError(Bytes(TimeStampNow())));
  return T{};
}

}  // namespace

QString TimeStampNow() {
  QTime t = QTime::currentTime();
  return QString::fromStdString(vm::logfmt::TimeStamp(t.hour(), t.minute(), t.second(), t.msec()));
}

void AppendTerminalLine(const QString &text, const QColor &color) {
  if (!MainForm || !MainForm->ResponseList) return;
  QTextDocument *doc = nullptr;
  QAbstractScrollArea *area = nullptr;
  if (auto *te = qobject_cast<QTextEdit *>(MainForm->ResponseList)) {
    doc = te->document();
    area = te;
  } else if (auto *pe = qobject_cast<QPlainTextEdit *>(MainForm->ResponseList)) {
    doc = pe->document();
    area = pe;
  }
  if (!doc) return;
  QTextCursor c(doc);
  c.movePosition(QTextCursor::End);
  if (!doc->isEmpty()) c.insertBlock();
  QTextCharFormat fmt;
  fmt.setForeground(color);
  c.insertText(text, fmt);  // plain text: replies are never read as markup
  if (auto *bar = area->verticalScrollBar()) bar->setValue(bar->maximum());
}

QString ReadReply() {
  TMainForm *f = Form();
  if (!f) return {};
  QString reply = TrimmedReplyText(f->ComPort->Read());
  Log(vm::logfmt::Received(Bytes(TimeStampNow()), Bytes(reply)));
  return reply;
}

QString ReadAndShowReply() {
  QString reply = ReadReply();
  if (MainForm && !MainForm->ExitRequested)
    AppendTerminalLine("(" + TimeStampNow() + ") " + reply, QColor(0, 128, 0));
  return reply;
}

QString QueryText(const QString &header) {
  TMainForm *f = Form();
  if (!f) return {};
  // A query started from an event dispatched during another reply wait gives
  // up before it pauses or purges: purging would throw away the reply the
  // running exchange is waiting for.
  if (f->ComPort->InUse()) return {};
  QThread::msleep(kExchangePauseMs);
  f->ComPort->Flush();
  LastCommand = header + "?";
  f->ComPort->Write((LastCommand + "\r\n").toLatin1());
  Log(vm::logfmt::Sent(Bytes(TimeStampNow()), Bytes(LastCommand)));
  return ReadReply();
}

int32_t QueryInteger(const QString &header) {
  return Converted(vm::ParseInt32(NumberText(header)));
}

int64_t QueryInt64(const QString &header) {
  return Converted(vm::ParseInt64(NumberText(header)));
}

double QueryFloat(const QString &header) {
  return Converted(vm::ParseDouble(NumberText(header)));
}

QString SendCommand(const QString &command) {
  TMainForm *f = Form();
  if (!f) return {};
  if (f->CommandsDisabled) {
    Log(vm::logfmt::CommandDisabled(Bytes(TimeStampNow()), Bytes(command)));
    return {};
  }
  // Tested before the pause and the purge, for the reason given in QueryText.
  if (f->ComPort->InUse()) {
    Log(vm::logfmt::PortInUse(Bytes(TimeStampNow()), Bytes(command)));
    return {};
  }
  QThread::msleep(kExchangePauseMs);
  f->ComPort->Flush();
  LastCommand = command;
  f->ComPort->Write((LastCommand + "\r\n").toLatin1());
  AppendTerminalLine("(" + TimeStampNow() + ") " +
                         QString::fromLatin1(vm::TrimRightControl(Bytes(LastCommand))),
                     Qt::black);
  Log(vm::logfmt::Sent(Bytes(TimeStampNow()), Bytes(LastCommand)));
  return ReadAndShowReply();
}

void HandleCommTimeout() {
  TMainForm *f = MainForm;
  if (!f || f->ExitRequested) return;
  Log(vm::logfmt::TimeoutError(Bytes(TimeStampNow())));
  f->ComPort->Flush();
  f->StatusTimer->stop();
  vm::MessageRequest box;
  box.icon = QMessageBox::Warning;
  box.title = QStringLiteral("Warning");
  box.text = QStringLiteral("Communications lost. Restart?");
  box.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Ignore;
  auto answer = vm::ShowMessage(f, box);
  if (answer == QMessageBox::Yes) {
    f->RestartApp();
  } else if (answer == QMessageBox::No) {
    f->ExitApp();
  } else {
    // Ignore (or the box closed another way): carry on polling.
    f->ComPort->Flush();
    f->StatusTimer->start();
  }
}

bool FindInstrument() {
  TMainForm *f = Form();
  if (!f) return false;
  TVMComPort *port = f->ComPort;
  port->setEndOfResponse(QByteArray("\r"));
  port->setAllowEvents(false);
  port->setShowErrors(false);
  port->setResponseTime(25);

  gScanRefused.clear();
  const QList<int> ports = port->GetValidSerialPorts();
  if (ports.isEmpty()) {
    vm::ShowInfo(f, QStringLiteral("No available ports."));
    return false;
  }
  bool found = false;
  for (int p : ports) {
    port->setPort(p);
    port->Open();  // a port that cannot be opened is passed over, but noted
    if (!port->Opened() && vm::IsReportedRefusal(port->LastOpenError())) {
      const std::string device = QFile::encodeName(port->LastOpenDevice()).toStdString();
      gScanRefused.push_back(
          {p, device, port->LastOpenError(), port->LastLockOwner(), vm::DeviceGroup(device)});
    }
    if (port->Opened()) {
      for (int baud : vm::ScanBaudRates) {
        port->setBaud(baud);
        Log(vm::logfmt::Trying(p, baud));
        // Only the second answer counts: the first may meet a line that is
        // still settling after the change of rate.
        f->ParseIDN();
        f->ParseIDN();
        if (vm::IsKnownModel(Bytes(f->ModelNumber))) {
          found = true;
          if (auto *te = qobject_cast<QTextEdit *>(f->ResponseList)) te->clear();
          if (auto *pe = qobject_cast<QPlainTextEdit *>(f->ResponseList)) pe->clear();
          break;
        }
      }
    }
    if (found) break;
    port->Close();
  }
  // However long the port list, what was found is what counts.
  return found;
}

QString ScanRefusalDetail() { return QString::fromLocal8Bit(vm::RefusalDetail(gScanRefused)); }
