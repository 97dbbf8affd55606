// The numeric spin edit as a widget: step buttons and auto-repeat, keys,
// mouse, typed digits, the disabled state, OnChange, and where it draws.
#include <QtTest>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <memory>

#include "controls/plussped.h"

namespace {

struct Fixture {
  QWidget window;
  TPlusSpinEdit *spin;
  QLineEdit *other;
  std::unique_ptr<QSignalSpy> changes;

  Fixture(int decimals, double value, QChar sep = QLatin1Char(',')) {
    window.resize(320, 60);
    spin = new TPlusSpinEdit(&window);
    spin->setAutoSize(false);
    spin->setBorderStyle(bsNone);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(15);
    spin->setFont(f);
    spin->setDecimals(decimals);
    spin->setThousandSeparator(sep);
    spin->SetValue(value);
    spin->setGeometry(10, 10, 220, 24);
    other = new QLineEdit(&window);
    other->setGeometry(240, 10, 60, 24);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    changes = std::make_unique<QSignalSpy>(spin, &TPlusSpinEdit::OnChange);
  }
  QPushButton *up() const { return spin->findChild<QPushButton *>(QStringLiteral("fUpButton")); }
  QPushButton *down() const { return spin->findChild<QPushButton *>(QStringLiteral("fDownButton")); }
  QTimer *timer() const { return spin->findChild<QTimer *>(QStringLiteral("fTimer")); }
};

void SendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
  QMouseEvent ev(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                 type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(w, &ev);
}
void Press(QWidget *b) { SendMouse(b, QEvent::MouseButtonPress, b->rect().center(), Qt::LeftButton); }
void Release(QWidget *b, QPoint at) { SendMouse(b, QEvent::MouseButtonRelease, at, Qt::NoButton); }
void MoveHeld(QWidget *b, QPoint at) { SendMouse(b, QEvent::MouseMove, at, Qt::LeftButton); }

// Sends one key press and tells whether the control consumed it.
bool KeyAccepted(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {}) {
  QKeyEvent ev(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(w, &ev);
  return ev.isAccepted();
}

void Tick(TPlusSpinEdit *spin) { QVERIFY(QMetaObject::invokeMethod(spin, "RepeatTick")); }

QImage Render(TPlusSpinEdit *s) { return s->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Horizontal extent of the pixels that differ between two renderings.
std::pair<int, int> DiffColumns(const QImage &a, const QImage &b) {
  int lo = INT_MAX, hi = -1;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
      }
  return {lo, hi};
}

int DarkestGrey(const QImage &img, QRect area) {
  int darkest = 255;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) darkest = std::min(darkest, qGray(img.pixel(x, y)));
  return darkest;
}

}  // namespace

class SpinEditTest : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void heldButtonStepsAt0_500_650_800_950_1100();
  void draggingOffPausesAndReleaseAnywhereEnds();
  void trackingSpinRaisesOnChangePerStep();
  void keysStepMoveAndZero();
  void typedDigitsOverwriteAndMoveRight();
  void arrowKeysReachControlInsideDialog();
  void clicksPickTheDigitUnderThePointer();
  void disabledControlIgnoresInputButTakesFocus();
  void onChangeOncePerEffectiveChange();
  void markedDigitBoxIsWhereTheDigitIsDrawn();
  void autoSizeFitsTheWidestLimit();
};

void SpinEditTest::heldButtonStepsAt0_500_650_800_950_1100() {
  Fixture f(0, 0);
  f.spin->setTrackSpin(false);
  // Time advances by whatever interval the control gives its timer; ticks
  // are delivered by hand, so the schedule is checked without a real clock.
  Press(f.up());
  QVERIFY(f.spin->Spinning());
  QVERIFY(f.timer()->isActive());
  QVector<int> steps;
  double last = 0;
  int t = 0;
  if (f.spin->Value() != last) steps << t, last = f.spin->Value();
  for (;;) {
    t += f.timer()->interval();
    if (t > 1200) break;
    Tick(f.spin);
    if (f.spin->Value() != last) steps << t, last = f.spin->Value();
  }
  QCOMPARE(steps, QVector<int>({0, 500, 650, 800, 950, 1100}));
  QCOMPARE(f.changes->count(), 0);  // deferred to the end of the spin
  Release(f.up(), f.up()->rect().center());
  QCOMPARE(f.changes->count(), 1);
  QCOMPARE(f.spin->Value(), 6.0);
  QVERIFY(!f.spin->Spinning());
  QVERIFY(!f.timer()->isActive());

  // Down button, short press: one step, one OnChange.
  Press(f.down());
  Release(f.down(), f.down()->rect().center());
  QCOMPARE(f.spin->Value(), 5.0);
  QCOMPARE(f.changes->count(), 2);
}

void SpinEditTest::draggingOffPausesAndReleaseAnywhereEnds() {
  Fixture f(0, 10);
  Press(f.up());
  QCOMPARE(f.spin->Value(), 11.0);
  MoveHeld(f.up(), QPoint(-30, -30));
  Tick(f.spin);
  Tick(f.spin);
  QCOMPARE(f.spin->Value(), 11.0);  // paused while off the button
  QVERIFY(f.timer()->isActive());
  MoveHeld(f.up(), f.up()->rect().center());
  Tick(f.spin);
  QCOMPARE(f.spin->Value(), 12.0);
  Release(f.up(), QPoint(-100, 50));  // released elsewhere
  QVERIFY(!f.spin->Spinning());
  QVERIFY(!f.timer()->isActive());
  Tick(f.spin);  // a late tick does nothing
  QCOMPARE(f.spin->Value(), 12.0);
  QCOMPARE(f.changes->count(), 2);

  // Losing the focus mid-spin (a dialog opening) ends the spin.
  Press(f.up());
  QVERIFY(f.spin->Spinning());
  f.other->setFocus();
  QVERIFY(!f.spin->Spinning());
  QVERIFY(!f.timer()->isActive());
}

void SpinEditTest::trackingSpinRaisesOnChangePerStep() {
  Fixture f(0, 9999999);
  f.spin->setMinValue(1);
  f.spin->setMaxValue(10000000);
  f.spin->SetIncExponent(1);
  f.changes->clear();
  Press(f.up());
  QCOMPARE(f.spin->Value(), 10000000.0);  // clamped
  QCOMPARE(f.changes->count(), 1);
  Tick(f.spin);
  Tick(f.spin);
  QCOMPARE(f.changes->count(), 1);  // at the limit nothing changes
  Release(f.up(), QPoint());
  f.spin->setMinValue(0);
  f.spin->SetValue(0);
  f.changes->clear();
  Press(f.up());
  Tick(f.spin);
  Tick(f.spin);
  QCOMPARE(f.changes->count(), 3);
  Release(f.up(), QPoint());
  QCOMPARE(f.changes->count(), 3);
}

void SpinEditTest::keysStepMoveAndZero() {
  Fixture f(4, 1234.5678);
  f.spin->setFocus();
  f.spin->SetIncExponent(0);
  QVERIFY(KeyAccepted(f.spin, Qt::Key_Up));
  QCOMPARE(f.spin->Value(), 1235.5678);
  QVERIFY(KeyAccepted(f.spin, Qt::Key_Down));
  QVERIFY(KeyAccepted(f.spin, Qt::Key_Down));
  QCOMPARE(f.spin->Value(), 1233.5678);
  QTest::keyRelease(f.spin, Qt::Key_Down);
  QCOMPARE(f.changes->count(), 3);

  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Left));
  QCOMPARE(f.spin->IncExponent(), 1);
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Right));
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Right));
  QCOMPARE(f.spin->IncExponent(), -1);
  for (int i = 0; i < 6; ++i) KeyAccepted(f.spin, Qt::Key_Right);
  QCOMPARE(f.spin->IncExponent(), -4);  // stops at the last decimal

  f.spin->SetIncExponent(-2);
  QVERIFY(KeyAccepted(f.spin, Qt::Key_0, Qt::ControlModifier, QStringLiteral("0")));
  QCOMPARE(f.spin->Value(), 1233.56);
  f.spin->SetIncExponent(1);
  QVERIFY(KeyAccepted(f.spin, Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier));
  QCOMPARE(f.spin->Value(), 1230.0);

  // Left stops once the mark reaches the left edge of the control.
  for (int i = 0; i < 40; ++i) KeyAccepted(f.spin, Qt::Key_Left);
  QVERIFY(f.spin->FocusRect().left() >= 0);
  QVERIFY(f.spin->IncExponent() > 10);

  // A long delay: zeroing right of 1e-10 keeps every digit left of it.
  f.spin->setDecimals(12);
  f.spin->AssignValue(1000.000000000250);
  f.spin->SetIncExponent(-10);
  KeyAccepted(f.spin, Qt::Key_0, Qt::ControlModifier);
  QCOMPARE(f.spin->Text(), QStringLiteral("1,000.000,000,000,200"));

  // TrackSpin off: held Up (key repeats) raises OnChange once, on release.
  f.spin->setDecimals(0);
  f.spin->SetValue(0);
  f.spin->SetIncExponent(0);
  f.spin->setTrackSpin(false);
  f.changes->clear();
  QTest::keyPress(f.spin, Qt::Key_Up);
  QTest::keyPress(f.spin, Qt::Key_Up, Qt::NoModifier);
  QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(f.spin, &repeatUp);  // auto-repeat release: still spinning
  QTest::keyPress(f.spin, Qt::Key_Up);
  QCOMPARE(f.spin->Value(), 3.0);
  QCOMPARE(f.changes->count(), 0);
  QTest::keyRelease(f.spin, Qt::Key_Up);
  QCOMPARE(f.changes->count(), 1);

  // Tab still moves the focus on.
  QTest::keyClick(f.spin, Qt::Key_Tab);
  QVERIFY(f.other->hasFocus());
}

void SpinEditTest::typedDigitsOverwriteAndMoveRight() {
  Fixture f(0, 5);
  f.spin->setFocus();
  f.spin->SetIncExponent(2);
  QCOMPARE(f.spin->Text(), QStringLiteral("__5"));
  QTest::keyClick(f.spin, Qt::Key_7, Qt::NoModifier);
  QCOMPARE(f.spin->Value(), 705.0);
  QCOMPARE(f.spin->IncExponent(), 1);
  QCOMPARE(f.changes->count(), 1);
  for (char c : {'-', '.', 'A', 'x'}) QTest::keyClick(f.spin, c);
  QCOMPARE(f.spin->Value(), 705.0);
  QCOMPARE(f.changes->count(), 1);
  QTest::keyClicks(f.spin, QStringLiteral("12"));
  QCOMPARE(f.spin->Value(), 712.0);
  QCOMPARE(f.spin->IncExponent(), 0);  // the last digit keeps the mark
  f.spin->setEditorEnabled(false);
  QTest::keyClick(f.spin, '9');
  QCOMPARE(f.spin->Value(), 712.0);
  f.spin->setEditorEnabled(true);

  // Negative value, mark left of its digits: a digit typed there keeps it
  // negative.
  f.spin->setMinValue(-1000);
  f.spin->setMaxValue(1000);
  f.spin->AssignValue(-42);
  f.spin->SetIncExponent(2);
  QTest::keyClick(f.spin, '3');
  QCOMPARE(f.spin->Value(), -342.0);

  // Keys it does not use go on to the window: Return, Escape, letters.
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")));
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
  QVERIFY(KeyAccepted(f.spin, Qt::Key_1, Qt::NoModifier, QStringLiteral("1")));
  f.spin->setEditorEnabled(false);
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_1, Qt::NoModifier, QStringLiteral("1")));
}

void SpinEditTest::arrowKeysReachControlInsideDialog() {
  QDialog dlg;
  auto *spin = new TPlusSpinEdit(&dlg);
  spin->setDecimals(0);
  spin->setGeometry(10, 10, 150, 24);
  auto *ok = new QPushButton(QStringLiteral("OK"), &dlg);
  ok->setDefault(true);
  ok->setGeometry(10, 40, 60, 24);
  dlg.show();
  dlg.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&dlg));
  spin->setFocus();
  QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Up);  // to the focus widget
  QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Up);
  QCOMPARE(spin->Value(), 2.0);
  QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Left);
  QCOMPARE(spin->IncExponent(), 1);
  QVERIFY(spin->hasFocus());
  QVERIFY(dlg.isVisible());
}

void SpinEditTest::clicksPickTheDigitUnderThePointer() {
  Fixture f(4, 1234.5678);
  f.other->setFocus();
  for (int e = 3; e >= -4; --e) {
    f.spin->SetIncExponent(e);
    const QPoint at = f.spin->FocusRect().center();
    f.spin->SetIncExponent(e == 0 ? 1 : 0);
    QTest::mouseClick(f.spin, Qt::LeftButton, {}, at);
    QCOMPARE(f.spin->IncExponent(), e);
  }
  QVERIFY(f.spin->hasFocus());  // a click takes the focus
  QTest::mouseClick(f.spin, Qt::LeftButton, {}, QPoint(f.spin->TextLeft() - 3, 12));
  QCOMPARE(f.spin->IncExponent(), 4);  // just left of the number

  // Double click on the tens zeroes everything right of them.
  f.spin->SetIncExponent(1);
  const QPoint tens = f.spin->FocusRect().center();
  f.spin->SetIncExponent(-4);
  QTest::mouseClick(f.spin, Qt::LeftButton, {}, tens);
  QTest::mouseDClick(f.spin, Qt::LeftButton, {}, tens);
  QCOMPARE(f.spin->Value(), 1230.0);
  QCOMPARE(f.changes->count(), 1);
}

void SpinEditTest::disabledControlIgnoresInputButTakesFocus() {
  Fixture f(2, 12.5);
  f.spin->SetIncExponent(0);
  const QImage enabled = Render(f.spin);
  f.spin->setSpinEnabled(false);
  QVERIFY(f.spin->isEnabled());  // the window itself stays enabled

  f.other->setFocus();
  QTest::keyClick(f.other, Qt::Key_Tab, Qt::ShiftModifier);
  QVERIFY(f.spin->hasFocus());
  QVERIFY(!KeyAccepted(f.spin, Qt::Key_Up));
  QTest::keyClick(f.spin, Qt::Key_Down);
  QTest::keyClick(f.spin, Qt::Key_Left);
  QTest::keyClick(f.spin, '7');
  QTest::keyClick(f.spin, Qt::Key_0, Qt::ControlModifier);
  QTest::mouseClick(f.spin, Qt::LeftButton, {}, QPoint(f.spin->TextLeft() + 2, 12));
  QTest::mouseDClick(f.spin, Qt::LeftButton, {}, QPoint(f.spin->TextLeft() + 2, 12));
  Press(f.up());
  QVERIFY(!f.timer()->isActive());
  QVERIFY(!f.up()->isDown());
  Tick(f.spin);
  Release(f.up(), QPoint());
  QCOMPARE(f.spin->Value(), 12.5);
  QCOMPARE(f.spin->IncExponent(), 0);
  QCOMPARE(f.changes->count(), 0);

  // Grey text and arrows instead of black.
  f.other->setFocus();
  const QImage disabled = Render(f.spin);
  // The digits, above the underline of the current one.
  const QRect text(f.spin->TextLeft(), 0, f.up()->x() - f.spin->TextLeft(), f.spin->FocusRect().bottom());
  QVERIFY(DarkestGrey(enabled, text) < 60);
  const int grey = DarkestGrey(disabled, text);
  QVERIFY2(grey >= 110 && grey < 200, qPrintable(QString::number(grey)));
  QVERIFY(DarkestGrey(disabled, f.up()->geometry().adjusted(2, 2, -2, -2)) >= 110);

  // Disabled while an arrow key is held: the release still ends the spin.
  f.spin->setSpinEnabled(true);
  f.spin->setTrackSpin(false);
  f.spin->setFocus();
  QTest::keyPress(f.spin, Qt::Key_Up);
  f.spin->setSpinEnabled(false);
  QTest::keyRelease(f.spin, Qt::Key_Up);
  QVERIFY(!f.spin->Spinning());
  QCOMPARE(f.changes->count(), 1);  // the deferred change is announced
  f.spin->setTrackSpin(true);
  f.changes->clear();
  f.spin->SetValue(12.5);

  // Enabled again, it works.
  f.spin->setSpinEnabled(true);
  f.spin->setFocus();
  QTest::keyClick(f.spin, Qt::Key_Up);
  QCOMPARE(f.spin->Value(), 13.5);
}

void SpinEditTest::onChangeOncePerEffectiveChange() {
  Fixture f(2, 5);
  QSignalSpy steps(f.spin, &TPlusSpinEdit::OnSetIncrement);
  f.spin->AssignValue(5);
  QCOMPARE(f.changes->count(), 0);
  f.spin->AssignValue(6);
  QCOMPARE(f.changes->count(), 1);
  f.spin->SetValue(7);
  f.spin->setDecimals(3);
  f.spin->setIncrement(0.01);
  f.spin->setThousandSeparator(QLatin1Char(' '));
  f.spin->setFocus();
  f.other->setFocus();
  QCOMPARE(f.changes->count(), 1);
  QVERIFY(steps.count() >= 1);
  QCOMPARE(f.spin->IncExponent(), -2);

  f.spin->setMinValue(1);
  f.spin->setMaxValue(10);
  QCOMPARE(f.changes->count(), 1);  // 7 lies inside
  f.spin->AssignValue(20);  // clamps to 10
  QCOMPARE(f.changes->count(), 2);
  f.spin->AssignValue(30);  // clamps to the current value
  QCOMPARE(f.changes->count(), 2);
  f.spin->setMaxValue(4);  // lowering the limit clamps with one OnChange
  QCOMPARE(f.spin->Value(), 4.0);
  QCOMPARE(f.changes->count(), 3);
  f.spin->setIntValue(3);
  QCOMPARE(f.changes->count(), 4);
  f.spin->SetValue(2.5);
  QCOMPARE(f.spin->IntValue(), 2);
  f.spin->SetIncExponent(0);
  f.spin->RightZero();
  QCOMPARE(f.spin->Value(), 2.0);
  QCOMPARE(f.changes->count(), 5);
  f.spin->RightZero();
  QCOMPARE(f.changes->count(), 5);
  QCOMPARE(f.changes->at(0).at(0).value<TPlusSpinEdit *>(), f.spin);
}

void SpinEditTest::markedDigitBoxIsWhereTheDigitIsDrawn() {
  struct Case {
    int decimals;
    double value;
    int e;
    double changed;  // same value with only the marked digit different
  } cases[] = {
      {12, 1000.000000000250, -10, 1000.000000000750},
      {12, 1000.000000000250, -12, 1000.000000000259},
      {12, 1000.000000000250, 3, 8000.000000000250},
      {9, 0.001234, -6, 0.001239},
      {0, 4000000000.0, 6, 4007000000.0},
      {0, 5, 4, 20005},  // a placeholder drawn as 0
      {2, 5, 0, 8},
  };
  for (const Case &c : cases) {
    Fixture f(c.decimals, c.value);
    f.spin->resize(260, 24);
    f.spin->SetIncExponent(c.e);
    const QRect box = f.spin->FocusRect();
    const QImage a = Render(f.spin);
    f.spin->SetValue(c.changed);
    QCOMPARE(f.spin->FocusRect(), box);
    const QImage b = Render(f.spin);
    const auto [lo, hi] = DiffColumns(a, b);
    const QString where = QStringLiteral("value %1 exponent %2: box %3..%4, drawn %5..%6")
                              .arg(c.value, 0, 'g', 16).arg(c.e).arg(box.left()).arg(box.right())
                              .arg(lo).arg(hi);
    QVERIFY2(hi >= 0, qPrintable(where));
    QVERIFY2(lo >= box.left() - 1 && hi <= box.right() + 1, qPrintable(where));
    QVERIFY2(hi - lo >= box.width() / 3, qPrintable(where));

    // Focused: the box is filled blue and the digit drawn white inside it.
    f.spin->setFocus();
    const QImage focused = Render(f.spin);
    QCOMPARE(QColor(focused.pixel(box.left(), box.top())), QColor(0, 0, 255));
    bool white = false;
    for (int y = box.top(); y < box.bottom() - 1; ++y)
      for (int x = box.left(); x <= box.right(); ++x) white |= qGray(focused.pixel(x, y)) > 230;
    QVERIFY2(white, qPrintable(where));
  }
}

void SpinEditTest::autoSizeFitsTheWidestLimit() {
  QWidget w;
  auto *spin = new TPlusSpinEdit(&w);
  // Window descriptions only name what differs from these.
  QVERIFY(spin->AutoSize() && spin->BorderStyle() == bsSingle && spin->TrackSpin());
  QVERIFY(spin->EditorEnabled() && spin->SpinEnabled() && !spin->EnterRequired());
  QCOMPARE(spin->Text(), QStringLiteral("0.00"));
  QCOMPARE(spin->Increment(), 1.0);
  QCOMPARE(spin->Base(), 10);
  QCOMPARE(spin->ThousandSeparator(), QChar());
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(15);
  spin->setFont(f);
  spin->setDecimals(0);
  spin->setThousandSeparator(QLatin1Char(','));
  spin->setMinValue(0);
  spin->setMaxValue(4000000000.0);
  spin->AssignValue(4000000000.0);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(spin->TextLeft() >= 1);
  QVERIFY(spin->width() < 200);
  QCOMPARE(spin->height() % 2, 1);
  QVERIFY(spin->height() >= QFontMetrics(spin->font()).height());
}

QTEST_MAIN(SpinEditTest)
#include "test_spin_edit.moc"
