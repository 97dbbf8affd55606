#pragma once
// The spin edit configurations the main window uses, for the benchmark and
// the gallery.
#include <QFont>
#include <QString>
#include <vector>

#include "controls/plussped.h"

struct SpinConfig {
  QString name;
  int decimals;
  double increment, minValue, maxValue, value;
  bool separator;
  int width;
};

inline std::vector<SpinConfig> SpinConfigs() {
  return {
      {"period", 9, 1e-8, 2e-7, 5000, 0.001234, true, 155},
      {"delay", 12, 2.5e-10, 0, 1000, 1.000000000250, true, 190},
      {"width", 12, 2.5e-10, 1e-8, 1000, 0.000000500250, true, 190},
      {"count", 0, 1, 1, 4000000000.0, 4000000000.0, true, 155},
      {"amplitude", 2, 0.01, 2, 20, 5, false, 105},
  };
}

// Builds a control the way the window descriptions do: no border, no
// automatic size, Tahoma 15 pixels.
inline TPlusSpinEdit *MakeSpin(QWidget *parent, const SpinConfig &c) {
  auto *s = new TPlusSpinEdit(parent);
  s->setObjectName(c.name);
  s->setAutoSize(false);
  s->setBorderStyle(bsNone);
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(15);
  s->setFont(f);
  s->setDecimals(c.decimals);
  s->setIncrement(c.increment);
  s->setMinValue(c.minValue);
  s->setMaxValue(c.maxValue);
  s->SetValue(c.value);
  if (c.separator) s->setThousandSeparator(QLatin1Char(','));
  s->resize(c.width, 24);
  return s;
}
