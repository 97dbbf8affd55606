#pragma once
// Shared by the link and start-up tests: answered message boxes, a scratch
// working directory, and a main window talking to a pty instrument.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <vector>

#include "ui/Dialogs.h"
#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "serial/VMComPort.h"
#include "support/PtyResponder.h"

namespace vmtest {

// Records every message box and answers it: from the queue when given,
// otherwise with `fallback`.
class Boxes {
 public:
  explicit Boxes(QMessageBox::StandardButton fallback = QMessageBox::Ok) : fallback_(fallback) {
    old_ = vm::SetMessageHook([this](const vm::MessageRequest &r) {
      seen.push_back(r);
      if (onShow) onShow(r);
      if (!answers.empty()) {
        auto a = answers.front();
        answers.pop_front();
        return a;
      }
      return fallback_;
    });
  }
  ~Boxes() { vm::SetMessageHook(old_); }
  QStringList texts() const {
    QStringList t;
    for (const auto &r : seen) t << r.text;
    return t;
  }
  std::vector<vm::MessageRequest> seen;
  std::deque<QMessageBox::StandardButton> answers;
  std::function<void(const vm::MessageRequest &)> onShow;

 private:
  QMessageBox::StandardButton fallback_;
  vm::MessageHook old_;
};

// The working directory becomes a fresh temporary one while this lives.
class ScratchCwd {
 public:
  ScratchCwd() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~ScratchCwd() { QDir::setCurrent(old_); }
  QString path() const { return dir_.path(); }
  // The one log file in it (empty when none).
  QString logFile() const {
    const auto list = QDir(dir_.path()).entryList({"SystemLogFile_*.txt"}, QDir::Files);
    return list.size() == 1 ? dir_.path() + "/" + list.front() : QString();
  }
  QByteArray logBytes() const {
    QFile f(logFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private:
  QTemporaryDir dir_;
  QString old_;
};

// A main window without FormCreate, its port connected the way start-up
// leaves it (CR terminator, events dispatched, no error boxes).
inline std::unique_ptr<TMainForm> ConnectedForm(int port, int responseMs = 300) {
  TMainForm::StartOptions o;
  o.RunFormCreate = false;
  auto f = std::make_unique<TMainForm>(o);
  f->ComPort->setPort(port);
  f->ComPort->setBaud(115200);
  f->ComPort->setEndOfResponse(QByteArray("\r"));
  f->ComPort->setShowErrors(false);
  f->ComPort->setResponseTime(responseMs);
  f->ComPort->setAllowEvents(true);
  f->ComPort->Open();
  return f;
}

}  // namespace vmtest
