// Round-trip time of one QueryText against an instrument on a
// pseudo-terminal. The floor is the 30 ms pause before every exchange plus
// the time on the line. Prints the median and the 99th percentile.
//
//   build/bench/link/bench_query [count]     (default 300)
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "serial/VMComPort.h"
#include "bench/support/BenchPort.h"
#include "support/PtyResponder.h"

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  vmtest::PortDir dir;  // the only port: the responder
  vmtest::PtyResponder inst;
  inst.reply("*IDN?", "VM,5204,1234,1.00-1.25");
  if (!inst.ok() || !dir.addPort(1, inst.slavePath())) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }
  QApplication app(argc, argv);
  TMainForm::StartOptions o;
  o.RunFormCreate = false;
  TMainForm form(o);
  if (!OpenBenchPort(form.ComPort)) return 1;

  std::vector<double> ms;
  ms.reserve(count);
  int bad = 0;
  for (int i = 0; i < count; ++i) {
    QElapsedTimer t;
    t.start();
    QString r = form.Session.Link().QueryText("*IDN");
    ms.push_back(t.nsecsElapsed() / 1e6);
    if (r != "VM,5204,1234,1.00-1.25") ++bad;
  }
  std::sort(ms.begin(), ms.end());
  auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * (ms.size() - 1) + 0.5))]; };
  std::printf("QueryText round trip over %d queries (115200 baud, pty):\n", count);
  std::printf("  median %.2f ms   p99 %.2f ms   min %.2f ms   max %.2f ms   wrong replies %d\n",
              at(0.5), at(0.99), ms.front(), ms.back(), bad);
  return bad ? 1 : 0;
}
