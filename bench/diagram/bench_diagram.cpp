// Model + paint of the 8-channel timing diagram at full window size, for the
// default view and for a 1 s view of a 100 ns period:
//   QT_QPA_PLATFORM=offscreen bench_diagram [iterations]
// Prints p50/p99 per case in milliseconds, of wall time and of the thread's
// CPU time (the second is what the code costs when other programs share the
// cores); the goal is p99 <= 8 ms (one frame at 120 Hz).
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTextStream>
#include <algorithm>
#include <ctime>
#include <vector>

#include "SampleInput.h"
#include "diagram/TimingDiagramForm.h"

namespace {

struct Figures {
  double p50, p99, cpu50, cpu99;
  size_t edges;
};

double CpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double At(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(v.size() * q))];
}

Figures Summarise(const std::vector<double> &ms, const std::vector<double> &cpu, size_t edges) {
  return {At(ms, 0.5), At(ms, 0.99), At(cpu, 0.5), At(cpu, 0.99), edges};
}

// The model alone, for the same window and width.
Figures MeasureModel(const TTimingDiagram *d, double t0, double t1, int rounds) {
  std::vector<double> ms, cpu;
  size_t edges = 0;
  for (int i = 0; i < rounds; ++i) {
    QElapsedTimer timer;
    timer.start();
    const double c0 = CpuMs();
    const vm::Diagram m = vm::ComputeDiagram(d->Input(), t0, t1, d->PlotRect().width());
    cpu.push_back(CpuMs() - c0);
    ms.push_back(timer.nsecsElapsed() / 1e6);
    edges = 0;
    for (const vm::DiagramRow &r : m.rows) edges += r.edges.size();
  }
  return Summarise(ms, cpu, edges);
}

// Every round drops the cached model (SetView), so each one recomputes and repaints.
Figures Measure(TTimingDiagram *d, QImage &target, double t0, double t1, int rounds) {
  std::vector<double> ms, cpu;
  for (int i = 0; i < rounds; ++i) {
    QElapsedTimer timer;
    timer.start();
    const double c0 = CpuMs();
    d->SetView(t0, t1);
    d->render(&target);
    cpu.push_back(CpuMs() - c0);
    ms.push_back(timer.nsecsElapsed() / 1e6);
  }
  size_t edges = 0;
  for (const vm::DiagramRow &r : d->Current().rows) edges += r.edges.size();
  return Summarise(ms, cpu, edges);
}

void Report(QTextStream &out, const char *name, const Figures &f, const Figures &m) {
  out << QString::asprintf("%s: %zu edges\n"
                           "  model+paint  wall p50 %.3f ms  p99 %.3f ms   cpu p50 %.3f ms  p99 %.3f ms\n"
                           "  model alone  wall p50 %.3f ms  p99 %.3f ms   cpu p50 %.3f ms  p99 %.3f ms\n",
                           name, f.edges, f.p50, f.p99, f.cpu50, f.cpu99, m.p50, m.p99, m.cpu50, m.cpu99);
  out.flush();
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(10, atoi(argv[1])) : 300;
  TTimingDiagramForm form;
  form.resize(1920, 1040);
  form.show();
  QApplication::processEvents();
  TTimingDiagram *d = form.Diagram();
  QImage target(d->size() * d->devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(d->devicePixelRatioF());
  QTextStream out(stdout);
  out << "diagram " << d->width() << "x" << d->height() << ", plot " << d->PlotRect().width()
      << " columns, " << rounds << " rounds\n";

  form.SetInput(SampleDiagramInput(1));
  const auto [a, b] = vm::DefaultDiagramView(d->Input());
  Measure(d, target, a, b, 5);  // warm up fonts and caches
  Figures f = Measure(d, target, a, b, rounds);
  Figures m = MeasureModel(d, a, b, rounds);
  Report(out, "default view (1 us period)", f, m);

  form.SetInput(SampleDiagramInput(0.1));
  Measure(d, target, 0, 1.0, 5);
  f = Measure(d, target, 0, 1.0, rounds);
  m = MeasureModel(d, 0, 1.0, rounds);
  Report(out, "1 s view of a 100 ns period", f, m);
  return 0;
}
