// Writes PNGs of the spin edit in the configurations the program uses, each
// unfocused and focused, enabled and disabled:
//   QT_QPA_PLATFORM=offscreen spin_gallery <output dir>
// One file per configuration (<name>.png, the four states stacked) and
// gallery.png with all of them.
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QTextStream>

#include "SpinConfigs.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QDir().mkpath(dir);
  QTextStream out(stdout);

  QWidget window;
  window.resize(420, 60);
  window.show();
  window.activateWindow();
  QApplication::processEvents();

  const char *states[] = {"unfocused, enabled", "focused, enabled", "unfocused, disabled",
                          "focused, disabled"};
  const int labelWidth = 150, rowHeight = 30;
  std::vector<QImage> sheets;
  for (const SpinConfig &c : SpinConfigs()) {
    TPlusSpinEdit *spin = MakeSpin(&window, c);
    spin->move(10, 10);
    spin->show();
    auto *other = new QLabel(&window);  // takes the focus away
    other->setFocusPolicy(Qt::StrongFocus);
    other->move(300, 10);
    other->show();
    if (c.name == "count") spin->SetIncExponent(3);
    if (c.name == "amplitude") spin->SetIncExponent(0);
    if (c.name == "period") spin->SetIncExponent(-6);
    out << c.name << ": font " << QFontInfo(spin->font()).family() << ", text \"" << spin->Text()
        << "\"\n";

    QImage sheet(labelWidth + c.width + 20, 4 * rowHeight + 10, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    for (int i = 0; i < 4; ++i) {
      spin->setSpinEnabled(i < 2);
      if (i % 2)
        spin->setFocus();
      else
        other->setFocus();
      QApplication::processEvents();
      const int y = 5 + i * rowHeight;
      p.setPen(Qt::black);
      p.drawText(QRect(8, y, labelWidth - 10, 24), Qt::AlignVCenter, QString::fromLatin1(states[i]));
      p.drawPixmap(labelWidth, y, spin->grab());
    }
    p.end();
    sheet.save(dir + "/" + c.name + ".png");
    sheets.push_back(sheet);
    delete spin;
    delete other;
  }
  int w = 0, h = 0;
  for (const QImage &s : sheets) {
    w = std::max(w, s.width());
    h += s.height() + 20;
  }
  QImage all(w, h, QImage::Format_RGB32);
  all.fill(QColor(240, 240, 240));
  QPainter p(&all);
  int y = 0;
  for (size_t i = 0; i < sheets.size(); ++i) {
    p.drawText(8, y + 14, SpinConfigs()[i].name);
    p.drawImage(0, y + 18, sheets[i]);
    y += sheets[i].height() + 20;
  }
  p.end();
  all.save(dir + "/gallery.png");
  out << "written to " << QDir(dir).absolutePath() << "\n";
  return 0;
}
