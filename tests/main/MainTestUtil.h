#pragma once
// A small scripted instrument on a pseudo-terminal and a main window wired to
// it the way start-up leaves it, for the window's initialisation, queue and
// status tests.
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "forms/MessageInfo.h"
#include "link/LinkTestUtil.h"

namespace vmtest {

// Answers every line: a configured reply, "OK" for a command, "0" for an
// unknown query. Replies can be changed while the window talks to it.
class FakeInstrument {
 public:
  explicit FakeInstrument(const std::string &model = "5208") {
    set("*IDN?", "VM," + model + ",1234,1.00-1.25");
    set("*CFG? 0?", "0 0.001 NORM 1 1 1 0");
    set("*CFG? 90?", "DIS RIS HIGH 2.5 DIS");
    set(":SYST:SEC?", "0");
    set(":SYST:AUT?", "0");
    set(":PULS0:ICL?", "INT");
    set(":PULS0:OCL?", "T0");
    set(":PULS0:COUN:STAT?", "0");
    set(":PULS0:COUN:SOUR?", "T0");
    set("*SS?", "0");
    set("*ERS?", "0");
    for (int n = 1; n <= 8; ++n)
      set("*CFG? " + std::to_string(n) + "?",
          "0 0 0.000001 NORM 1 1 1 0 TTL NORM 5 " + std::to_string(1 << (n - 1)) +
              " DIS DIS DIS HIGH T0");
    responder.handler([this](const std::string &line, int) -> std::optional<std::string> {
      if (onLine) onLine(line);  // on the responder's thread
      std::lock_guard<std::mutex> g(m_);
      auto it = replies_.find(line);
      if (it != replies_.end()) return it->second;
      return !line.empty() && line.back() == '?' ? "0" : "OK";
    });
  }
  void set(const std::string &line, const std::string &reply) {
    std::lock_guard<std::mutex> g(m_);
    replies_[line] = reply;
  }
  std::vector<std::string> lines() const { return responder.lines(); }
  int count(const std::string &line) const {
    int c = 0;
    for (const auto &l : lines()) c += l == line;
    return c;
  }
  // Index of the first occurrence at or after `from`, -1 if none.
  int find(const std::string &line, int from = 0) const {
    const auto all = lines();
    for (int i = from; i < int(all.size()); ++i)
      if (all[size_t(i)] == line) return i;
    return -1;
  }

  std::function<void(const std::string &)> onLine;  // set before the first exchange
  PtyResponder responder;

 private:
  mutable std::mutex m_;
  std::map<std::string, std::string> replies_;
};

// Everything one window test needs: port folder, instrument, message boxes
// answered, the progress window, and the window connected on COM3 with the
// identity the scan would have read.
struct Bench {
  explicit Bench(const std::string &model = "5208") : inst(model) {
    dir.addPort(3, inst.responder.slavePath());
    form = ConnectedForm(3, 1000);
    form->Session.CompanyBadge = "VM";
    form->Session.ModelNumber = QString::fromStdString(model);
    form->Session.SerialNumber = 1234;
    form->Session.FirmwareVersion = "1.00";
    form->Session.FpgaVersion = "1.25";
  }
  // Start-up's first initialisation, as the launch timer runs it.
  void Launch() { form->LaunchTimerTimer(); }
  QWidget *child(const char *name) const { return form->findChild<QWidget *>(name); }

  PortDir dir;
  FakeInstrument inst;
  Boxes boxes;
  TMessageForm messageForm;
  std::unique_ptr<TMainForm> form;
};

}  // namespace vmtest
