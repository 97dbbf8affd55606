// Per-edit latency: from a control's change to the last byte of its command
// at the simulated instrument. The program starts for real (scan, readback)
// against VM5200_SIM on a pseudo-terminal; then the delay of channel 1 is
// changed N times, each time after the previous exchange has ended, and the
// simulator's transcript tells when the command line arrived (both clocks are
// CLOCK_MONOTONIC).
//
//   edit_latency [edits=200] [--with-polls]
//
// Without --with-polls the status timer is stopped (an idle program); with
// it, polls run as usual and edits may wait behind them.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "ui/Dialogs.h"
#include "base/core/Numbers.h"
#include "controls/plussped.h"
#include "main/Main.h"
#include "serial/VMComPort.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool WaitFor(const std::function<bool()> &done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

// Reads the transcript as it grows and finds the arrival of one line.
class Transcript {
 public:
  explicit Transcript(const QString &path) : File(path) {}
  bool Open() { return File.open(QIODevice::ReadOnly); }
  void SkipToEnd() {
    File.readAll();
    Pending.clear();
  }
  // Seconds of the "RX <line>" entry, or a negative number while it has not come.
  double Arrival(const QByteArray &line) {
    Pending += File.readAll();
    for (;;) {
      const int end = Pending.indexOf('\n');
      if (end < 0) return -1;
      const QByteArray entry = Pending.left(end);
      Pending.remove(0, end + 1);
      const QList<QByteArray> f = entry.split(' ');
      if (f.size() >= 4 && f[2] == "RX" && entry.endsWith(" RX " + line)) return f[0].toDouble();
    }
  }

 private:
  QFile File;
  QByteArray Pending;
};

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
  return v[i];
}

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int edits = 200;
  bool withPolls = false;
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]) == "--with-polls")
      withPolls = true;
    else
      edits = std::max(1, atoi(argv[i]));
  }

  QTemporaryDir dir;
  const QString ports = dir.path() + "/ports";
  const QString transcriptPath = dir.path() + "/transcript.txt";
  QProcess sim;
  sim.start(QStringLiteral(VM_SIM_EXE),
            {"--port-dir", ports, "--port", "1", "--model", "5208", "--transcript",
             transcriptPath});
  if (!sim.waitForStarted(5000) ||
      !WaitFor([&] { return QFile::exists(ports + "/COM1"); }, 10000)) {
    std::fprintf(stderr, "the simulator did not start\n");
    return 2;
  }
  qputenv("VM5200_PORT_DIR", ports.toLocal8Bit());
  vm::SetMessageHook([](const vm::MessageRequest &r) {
    std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
    return QMessageBox::No;
  });

  int rc = 0;
  {
    TMainForm w;
    if (w.Session.ExitRequested) {
      std::fprintf(stderr, "the program did not find the simulator\n");
      return 2;
    }
    // Start-up: the readback fills the pages and the status poll begins.
    const bool ready = WaitFor(
        [&] {
          return w.ChannelTabsCreated && w.StatusTimer->isActive() && !w.ComPort->InUse() &&
                 w.Session.Tasks.PendingCommands().empty();
        },
        60000);
    TPlusSpinEdit *delay = w.ChDelayAdj[1];
    if (!ready || !delay) {
      std::fprintf(stderr, "the program did not finish its start-up\n");
      return 2;
    }
    if (!withPolls) {
      w.StatusTimer->stop();
      WaitFor([&] { return !w.Session.StatusUpdateBusy() && !w.ComPort->InUse(); }, 5000);
    }
    Transcript transcript(transcriptPath);
    if (!transcript.Open()) return 2;
    transcript.SkipToEnd();

    std::mt19937 rng(5200);
    std::vector<double> ms;
    for (int i = 0; i < edits && rc == 0; ++i) {
      const double value = 1e-6 + double(i + 1) * 1e-9;  // on the delay grid
      const QByteArray command =
          QByteArray(":PULS1:DEL ") + QByteArray::fromStdString(vm::FormatFixed(value, 11));
      const double t0 = Now();
      delay->AssignValue(value);
      double t1 = -1;
      if (!WaitFor([&] { return (t1 = transcript.Arrival(command)) >= 0; }, 5000)) {
        std::fprintf(stderr, "edit %d never reached the instrument: %s\n", i + 1,
                     command.constData());
        rc = 1;
        break;
      }
      ms.push_back((t1 - t0) * 1000.0);
      // The reply is read, then a random pause puts the next edit at another
      // phase of the 5 ms task timer.
      WaitFor([&] { return !w.ComPort->InUse() && w.Session.Tasks.PendingCommands().empty(); },
              5000);
      const int pause = int(rng() % 20);
      QElapsedTimer t;
      t.start();
      WaitFor([&] { return t.elapsed() >= pause; }, 1000);
    }
    if (!ms.empty()) {
      std::printf("edit latency over %zu edits (%s): median %.1f ms, p90 %.1f ms, "
                  "p99 %.1f ms, max %.1f ms\n",
                  ms.size(), withPolls ? "status poll running" : "idle", Percentile(ms, 0.5),
                  Percentile(ms, 0.9), Percentile(ms, 0.99), *std::max_element(ms.begin(), ms.end()));
    }
    w.ExitApp();
  }
  sim.terminate();
  sim.waitForFinished(5000);
  return rc;
}
