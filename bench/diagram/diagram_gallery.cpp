// Screenshots of the 8-channel "Timing Diagram" window in the light and the
// dark palette, with the cursor line, named after the scale factor in use:
//   QT_QPA_PLATFORM=offscreen diagram_gallery <output dir>
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 diagram_gallery <output dir>
// writes timing-diagram-8ch[-scale2]-{light,dark,dense}.png (dense: a 1 s view
// of a 100 ns period).
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTextStream>

#include "SampleInput.h"
#include "diagram/TimingDiagramForm.h"

namespace {

QPalette DarkPalette() {
  QPalette p;
  const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Mid, QColor(100, 100, 104));
  p.setColor(QPalette::Highlight, QColor(64, 140, 230));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  return p;
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(dir);
  const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR");
  const QString base = dir + "/timing-diagram-8ch" +
                       (scale.isEmpty() || scale == "1" ? QString() : "-scale" + scale);
  const QPalette light = QApplication::style()->standardPalette();
  for (const auto &[name, palette] : {std::pair{QStringLiteral("light"), light},
                                      std::pair{QStringLiteral("dark"), DarkPalette()}}) {
    QApplication::setPalette(palette);
    TTimingDiagramForm form;
    form.SetInput(SampleDiagramInput());
    form.resize(1100, 760);
    form.show();
    QApplication::processEvents();
    // The cursor line with its read-out, a little after the second period start.
    TTimingDiagram *d = form.Diagram();
    const QPointF at(d->XAtTime(1.1e-6), d->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, d->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(d, &move);
    QApplication::processEvents();
    const QString file = base + "-" + name + ".png";
    form.grab().save(file);
    QTextStream(stdout) << file << "\n";
    if (name == QStringLiteral("light")) {
      // Ten million periods in view: bands where edges are closer than a pixel.
      form.SetInput(SampleDiagramInput(0.1));
      d->SetView(-0.05, 1.05);
      QApplication::processEvents();
      form.grab().save(base + "-dense.png");
      QTextStream(stdout) << base + "-dense.png" << "\n";
    }
  }
  return 0;
}
