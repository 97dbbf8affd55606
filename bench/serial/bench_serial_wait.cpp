// What a reply wait costs: the CPU time the process spends while TVMComPort
// waits out a 3 s reply time-out (with and without dispatching window
// events), and the time of one write + terminated read against a
// pseudo-terminal that answers at once.
//
//   build/bench/serial/bench_serial_wait [timeout-ms] [round-trips]
#include <time.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "serial/VMComPort.h"
#include "support/PtyPair.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void MeasureTimeout(TVMComPort &port, bool allowEvents, int timeoutMs) {
  port.setAllowEvents(allowEvents);
  port.setShowErrors(false);
  port.setResponseTime(quint32(timeoutMs));
  // A 5 ms timer ticking like the program's task timer, so dispatching has
  // something to do.
  QTimer tick;
  tick.start(5);
  QElapsedTimer wall;
  const double cpu0 = CpuSeconds();
  wall.start();
  port.Read();
  const double wallS = double(wall.nsecsElapsed()) / 1e9;
  const double cpuS = CpuSeconds() - cpu0;
  std::printf("reply time-out %d ms, AllowEvents %-5s: wall %.3f s, CPU %.4f s = %.2f %% of wall (goal < 5 %%)\n",
              timeoutMs, allowEvents ? "true" : "false", wallS, cpuS, 100.0 * cpuS / wallS);
}

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  const int timeoutMs = argc > 1 ? std::max(1, atoi(argv[1])) : 3000;
  const int trips = argc > 2 ? std::max(1, atoi(argv[2])) : 500;

  vmtest::PortDir dir;
  vmtest::PtyPair pty;
  if (!pty.ok() || !dir.addPort(1, pty.slavePath())) {
    std::fprintf(stderr, "cannot create a pseudo-terminal\n");
    return 1;
  }
  TVMComPort port;
  port.setBaud(115200);
  port.setEndOfResponse("#13");
  if (!port.Open()) return 1;

  MeasureTimeout(port, true, timeoutMs);
  MeasureTimeout(port, false, timeoutMs);

  // Round trips: an echoing far end answers every line at once.
  std::atomic<bool> stop{false};
  std::thread responder([&] {
    std::string pending;
    while (!stop) {
      pending += pty.readSome(20);
      size_t eol;
      while ((eol = pending.find('\n')) != std::string::npos) {
        pty.write("OK\r");
        pending.erase(0, eol + 1);
      }
    }
  });
  port.setAllowEvents(true);
  port.setResponseTime(3000);
  std::vector<double> us;
  us.reserve(size_t(trips));
  int failed = 0;
  for (int i = 0; i < trips; ++i) {
    QElapsedTimer t;
    t.start();
    port.Flush();
    port.Write("*SS?\r\n");
    if (port.Read() != "OK\r") ++failed;
    us.push_back(double(t.nsecsElapsed()) / 1e3);
  }
  stop = true;
  responder.join();
  std::sort(us.begin(), us.end());
  std::printf("write + read round trip (no pause), %d trips: median %.0f us, p99 %.0f us, failed %d\n", trips,
              us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)], failed);
  return failed ? 1 : 0;
}
