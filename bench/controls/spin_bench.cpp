// Time of one full repaint of a 12-decimal delay control and of one step
// (value change, reformat, repaint):  QT_QPA_PLATFORM=offscreen spin_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <vector>

#include "SpinConfigs.h"

namespace {

template <class F>
void Measure(QTextStream &out, const char *what, int runs, F f) {
  for (int i = 0; i < 50; ++i) f();  // warm up
  std::vector<double> us;
  us.reserve(runs);
  QElapsedTimer t;
  for (int i = 0; i < runs; ++i) {
    t.start();
    f();
    us.push_back(t.nsecsElapsed() / 1000.0);
  }
  std::sort(us.begin(), us.end());
  double sum = 0;
  for (double v : us) sum += v;
  out << what << ": median " << us[us.size() / 2] << " us, mean " << sum / us.size() << " us, 99th "
      << us[us.size() * 99 / 100] << " us (" << runs << " runs)\n";
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QTextStream out(stdout);
  QWidget window;
  window.resize(240, 44);
  TPlusSpinEdit *spin = MakeSpin(&window, SpinConfigs()[1]);  // delay, 12 decimals
  spin->move(10, 10);
  window.show();
  spin->setFocus();
  QApplication::processEvents();
  out << "control: \"" << spin->Text() << "\", " << spin->width() << " x " << spin->height()
      << ", focused " << (spin->hasFocus() ? "yes" : "no") << "\n";

  const int runs = 2000;
  Measure(out, "full repaint", runs, [&] { spin->repaint(); });
  bool up = true;
  Measure(out, "step (value + reformat + repaint)", runs, [&] {
    spin->AssignValue(spin->Value() + (up ? 1 : -1) * spin->Increment());
    up = !up;
    spin->repaint();
  });
  spin->SetIncExponent(3);  // mark left of the number: placeholders in the text
  Measure(out, "step with leading placeholders", runs, [&] {
    spin->AssignValue(spin->Value() + (up ? 1 : -1) * spin->Increment());
    up = !up;
    spin->repaint();
  });
  return 0;
}
