// The timing diagram window off screen: what is drawn where, the pointer's
// zoom, and the exported pictures.
#include <QtTest>

#include <QLineEdit>
#include <QListWidget>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QWheelEvent>

#include "diagram/TimingDiagramForm.h"
#include "session/InstrumentSession.h"

namespace {

// Channel A: 100 ns to 400 ns of every 1 µs; B ends past the next T0.
vm::TDiagramInput Sample() {
  vm::TDiagramInput in;
  in.System.Period = 1e-6;
  in.ChannelCount = 4;
  for (int n = 1; n <= 4; ++n) {
    in.Channels[size_t(n)].Enabled = 1;
    in.Channels[size_t(n)].Mux = 1 << (n - 1);
    in.Channels[size_t(n)].Width = 100e-9;
  }
  in.Channels[1].Delay = 100e-9;
  in.Channels[1].Width = 300e-9;
  in.Channels[2].Delay = 950e-9;
  return in;
}

// Whether the trace's ink is within a pixel of (x, y).
bool Inked(const QImage &img, double x, int y, QColor ink) {
  for (int dy = -1; dy <= 1; ++dy)
    if (QColor(img.pixel(int(x), y + dy)) == ink) return true;
  return false;
}

}  // namespace

class TestTimingDiagram : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void drawsHighAndLowAtTheirTimes();
  void wheelZoomsAroundThePointer();
  void exportsValidPictures();
  void followsTheSessionOncePerTurnWhileShown();
  void viewFollowsTheSettingsUntilTheUserMovesIt();
  void demoModePlansWithoutTheSession();
  void opensBesideTheMainWindow();
};

void TestTimingDiagram::drawsHighAndLowAtTheirTimes() {
  TTimingDiagramForm form;
  form.SetInput(Sample());
  form.resize(900, 600);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  TTimingDiagram *d = form.Diagram();
  const QImage img = d->grab().toImage().scaled(d->size());
  const QColor ink = d->palette().color(QPalette::Text);
  for (double t : {250e-9, 1250e-9}) {  // inside A's pulses
    QVERIFY(Inked(img, d->XAtTime(t), d->HighY(1), ink));
    QVERIFY(!Inked(img, d->XAtTime(t), d->LowY(1), ink));
  }
  for (double t : {700e-9, 50e-9}) {  // between them
    QVERIFY(!Inked(img, d->XAtTime(t), d->HighY(1), ink));
    QVERIFY(Inked(img, d->XAtTime(t), d->LowY(1), ink));
  }
  // The overrun is listed under the diagram.
  auto *list = form.findChild<QListWidget *>(QStringLiteral("ProblemList"));
  QCOMPARE(list->count(), 1);
  QCOMPARE(list->item(0)->text(), QStringLiteral("Ch B ends 50 ns after the next T0"));
  // The probe an end-to-end test reads.
  QVERIFY(form.EdgesNear(100e-9, 1e-9).contains(QStringLiteral("near ChA H 0.0000001000000:H\n")));
}

void TestTimingDiagram::wheelZoomsAroundThePointer() {
  TTimingDiagram d;
  d.resize(800, 500);
  d.SetInput(Sample());
  const auto home = d.View();
  const QPointF at(d.PlotRect().left() + 300, 100);
  const double before = d.TimeAtX(at.x());
  QWheelEvent wheel(at, d.mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&d, &wheel);
  QVERIFY(d.View().second - d.View().first < (home.second - home.first) * 0.7);
  QVERIFY(std::abs(d.TimeAtX(at.x()) - before) < 1e-15);
  QTest::keyClick(&d, Qt::Key_Home);
  QCOMPARE(d.View(), home);
}

void TestTimingDiagram::exportsValidPictures() {
  TTimingDiagramForm form;
  form.SetInput(Sample());
  form.resize(800, 500);
  QTemporaryDir dir;
  const QString svg = dir.filePath(QStringLiteral("d.svg")), png = dir.filePath(QStringLiteral("d.png"));
  QVERIFY(form.SaveSvg(svg));
  QVERIFY(form.SavePng(png));
  QSvgRenderer renderer(svg);
  QVERIFY(renderer.isValid());
  const QImage image(png);
  QVERIFY(!image.isNull());
  QVERIFY(image.width() >= form.Diagram()->width());
  // A place that cannot be written is a failure with its reason, never success.
  QString why;
  QVERIFY(!form.SavePng(dir.filePath(QStringLiteral("missing/d.png")), &why));
  QVERIFY(!why.isEmpty());
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing/d.png"))));
}

void TestTimingDiagram::followsTheSessionOncePerTurnWhileShown() {
  TInstrumentSession session;
  const vm::TDiagramInput in = Sample();
  session.SystemParameters = in.System;
  session.ChannelParameters = in.Channels;
  TTimingDiagramForm form;
  QSignalSpy drawn(form.Diagram(), &TTimingDiagram::DiagramChanged);
  form.Follow(session);
  QCoreApplication::processEvents();
  QCOMPARE(drawn.count(), 0);  // hidden: nothing computed
  QVERIFY(!form.PlanPanel());  // an instrument's settings are edited in the main window
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(drawn.count(), 1);
  QVERIFY(form.EdgesNear(100e-9, 1e-9).contains(QStringLiteral("near ChA H 0.0000001000000:H\n")));

  // A readback tells several changes in one turn: drawn once, after it, and
  // never from the half-read caches while its replies are awaited.
  {
    const vm::BusyModel::Guard reading = session.Busy.Start(vm::Work::Initialisation);
    session.ChannelParameters[1].Delay = 200e-9;
    Q_EMIT session.ChannelCountChanged(4);
    QCoreApplication::processEvents();
    QCOMPARE(drawn.count(), 1);
  }
  Q_EMIT session.ParametersChanged(1);
  Q_EMIT session.ParametersChanged(TInstrumentSession::kAllParameters);
  QCOMPARE(drawn.count(), 1);
  QCoreApplication::processEvents();
  QCOMPARE(drawn.count(), 2);
  QVERIFY(form.EdgesNear(200e-9, 1e-9).contains(QStringLiteral("near ChA H 0.0000002000000:H\n")));

  // The status poll's shot count draws nothing.
  session.SystemParameters.ShotCount = 17;
  Q_EMIT session.ParametersChanged(0);
  QCoreApplication::processEvents();
  QCOMPARE(drawn.count(), 2);

  // Hidden, it waits; shown again, it draws the latest settings at once.
  form.hide();
  session.ChannelParameters[1].Delay = 300e-9;
  Q_EMIT session.ParametersChanged(1);
  QCoreApplication::processEvents();
  QCOMPARE(drawn.count(), 2);
  form.show();
  QCOMPARE(drawn.count(), 3);
  QVERIFY(form.EdgesNear(300e-9, 1e-9).contains(QStringLiteral("near ChA H 0.0000003000000:H\n")));
}

void TestTimingDiagram::viewFollowsTheSettingsUntilTheUserMovesIt() {
  // Opened before the first readback (no period yet), then read: the view
  // fits the settings read, not the empty ones it opened on.
  TTimingDiagram d;
  d.resize(800, 500);
  vm::TDiagramInput in = Sample();
  in.System.Period = 0;
  d.SetInput(in);
  in.System.Period = 1e-3;
  d.SetInput(in);
  const auto fit = vm::DefaultDiagramView(in);
  QVERIFY(std::abs(d.View().first - fit.first) < 1e-12 && std::abs(d.View().second - fit.second) < 1e-12);
  // A view the user chose stays through later edits.
  d.ZoomAround(0, 0.5);
  const auto chosen = d.View();
  in.Channels[1].Delay = 200e-9;
  d.SetInput(in);
  QCOMPARE(d.View(), chosen);
}

void TestTimingDiagram::demoModePlansWithoutTheSession() {
  TInstrumentSession session;
  session.DemoMode = true;
  QSignalSpy changed(&session, &TInstrumentSession::ParametersChanged);
  QSignalSpy queued(&session, &TInstrumentSession::CommandsQueued);
  TTimingDiagramForm form;
  form.Follow(session);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QVERIFY(form.findChild<QWidget *>(QStringLiteral("DiagramPlanPanel")));
  const QString probe = form.ProbeText();
  QVERIFY(probe.contains(QStringLiteral("row ChD ")) && !probe.contains(QStringLiteral("row ChE ")));
  QVERIFY(!probe.contains(QStringLiteral("problem ")));
  QVERIFY(form.EdgesNear(0, 1e-9).contains(QStringLiteral("near ChA H 0.0000000000000:H\n")));

  // Typed in engineering units, drawn at once.
  auto *delay = form.findChild<QLineEdit *>(QStringLiteral("PlanDelay1"));
  delay->selectAll();
  QTest::keyClicks(delay, QStringLiteral("100 ns"));
  QTest::keyClick(delay, Qt::Key_Return);
  QVERIFY(form.EdgesNear(100e-9, 1e-9).contains(QStringLiteral("near ChA H 0.0000001000000:H\n")));
  QVERIFY(form.EdgesNear(0, 1e-9).contains(QStringLiteral("near ChA L \n")));
  // The session, its queue and so the port never hear of it.
  QCoreApplication::processEvents();
  QCOMPARE(changed.count(), 0);
  QCOMPARE(queued.count(), 0);
  QVERIFY(session.Tasks.PendingCommands().empty());
  QCOMPARE(session.ChannelParameters[1], vm::TChannelParameters{});
}

void TestTimingDiagram::opensBesideTheMainWindow() {
  const QRect screen(0, 0, 1920, 1080);
  const QSize frame(1000, 700);
  auto at = [&](QRect main, QRect avail = QRect(0, 0, 1920, 1080)) {
    return TTimingDiagramForm::BesideGeometry(main, frame, avail, 560);
  };
  // Right of it, level with it; else left; else narrowed to the wider side
  // (the main window at the left of a 1280 x 1024 screen); else offset over it.
  QCOMPARE(at({100, 50, 700, 600}), QRect(800, 50, 1000, 700));
  QCOMPARE(at({1100, 50, 700, 600}), QRect(100, 50, 1000, 700));
  QCOMPARE(at({0, 0, 680, 780}, {0, 0, 1280, 1024}), QRect(680, 0, 600, 700));
  QCOMPARE(at({500, 500, 700, 600}, {0, 0, 1600, 1080}), QRect(540, 380, 1000, 700));
}

QTEST_MAIN(TestTimingDiagram)
#include "test_timing_diagram.moc"
