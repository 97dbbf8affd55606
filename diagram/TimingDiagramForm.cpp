#include "diagram/TimingDiagramForm.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QImageWriter>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSplitter>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/core/Numbers.h"
#include "diagram/DiagramPlanPanel.h"
#include "diagram/core/DemoPlan.h"
#include "session/InstrumentSession.h"
#include "ui/Dialogs.h"
#include "ui/FileDialogs.h"

namespace {

QString Seconds(double t) { return QString::fromStdString(vm::FormatFixed(t, 13)); }

QString RowFlags(const vm::DiagramRow &r) {
  return QStringLiteral("%1 disabled=%2 inverted=%3 merged=%4 external=%5 overrun=%6")
      .arg(QLatin1String(vm::LevelLetter(r.initial)))
      .arg(int(r.disabled))
      .arg(int(r.inverted))
      .arg(int(r.merged))
      .arg(int(r.externalStart))
      .arg(int(r.overrun));
}

vm::TDiagramInput InputOf(const TInstrumentSession &session) {
  vm::TDiagramInput in;
  in.System = session.SystemParameters;
  // The shot count draws nothing: a running counter must not redraw the
  // diagram at every status poll.
  in.System.ShotCount = 0;
  in.Channels = session.ChannelParameters;
  in.Limits = session.Limits;
  in.ChannelCount = session.ChannelCount;
  return in;
}

bool Fail(QString *error, const QString &why) {
  if (error) *error = why;
  return false;
}

}  // namespace

TTimingDiagramForm::TTimingDiagramForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("TimingDiagramForm"));
  setWindowTitle(QStringLiteral("Timing Diagram"));

  diagram_ = new TTimingDiagram(this);
  problems_ = new QListWidget(this);
  problems_->setObjectName(QStringLiteral("ProblemList"));
  problems_->setSelectionMode(QAbstractItemView::NoSelection);
  problems_->setFocusPolicy(Qt::NoFocus);

  auto *split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("DiagramSplitter"));
  split->setChildrenCollapsible(false);
  split->addWidget(diagram_);
  split->addWidget(problems_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  split->setSizes({520, 90});

  saveSvg_ = new QPushButton(QStringLiteral("Save as SVG"), this);
  saveSvg_->setObjectName(QStringLiteral("SaveSvgBtn"));
  savePng_ = new QPushButton(QStringLiteral("Save as PNG"), this);
  savePng_->setObjectName(QStringLiteral("SavePngBtn"));
  copy_ = new QPushButton(QStringLiteral("Copy to Clipboard"), this);
  copy_->setObjectName(QStringLiteral("CopyBtn"));
  for (QPushButton *b : {saveSvg_, savePng_, copy_}) b->setAutoDefault(false);
  connect(saveSvg_, &QPushButton::clicked, this, [this] { AskAndSave(true); });
  connect(savePng_, &QPushButton::clicked, this, [this] { AskAndSave(false); });
  connect(copy_, &QPushButton::clicked, this, [this] { CopyToClipboard(); });

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(saveSvg_);
  buttons->addWidget(savePng_);
  buttons->addWidget(copy_);
  buttons->addStretch(1);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addLayout(buttons);

  connect(diagram_, &TTimingDiagram::DiagramChanged, this, &TTimingDiagramForm::ShowProblems);
  ShowProblems();
  resize(1000, 680);
  diagram_->setFocus();
}

void TTimingDiagramForm::SetInput(const vm::TDiagramInput &input) { diagram_->SetInput(input); }

void TTimingDiagramForm::Follow(const TInstrumentSession &session) {
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = nullptr;
  if (session.DemoMode) {
    ShowPlan();
    return;
  }
  delete plan_;
  plan_ = nullptr;
  session_ = &session;
  connect(&session, &TInstrumentSession::ParametersChanged, this, [this] { SessionChanged(); });
  connect(&session, &TInstrumentSession::ChannelCountChanged, this, [this] { SessionChanged(); });
  connect(&session, &TInstrumentSession::SettingsRestored, this, [this] { SessionChanged(); });
  SessionChanged();
}

void TTimingDiagramForm::ShowPlan() {
  if (!plan_) {
    plan_ = new TDiagramPlanPanel(vm::DemoDiagramInput(), this);
    static_cast<QVBoxLayout *>(layout())->insertWidget(1, plan_);
    connect(plan_, &TDiagramPlanPanel::Edited, this, [this] { SetInput(plan_->Input()); });
    // The diagram keeps the room it had; the panel adds its own.
    resize(size().expandedTo(plan_->sizeHint()) + QSize(0, plan_->sizeHint().height()));
  }
  SetInput(plan_->Input());
}

QRect TTimingDiagramForm::BesideGeometry(const QRect &mainFrame, const QSize &frame,
                                        const QRect &available, int minWidth) {
  // Within [lo, lo + room) when it fits, else at lo: the title bar stays reachable.
  auto inside = [](int v, int lo, int length, int room) { return std::max(lo, std::min(v, lo + room - length)); };
  const int y = inside(mainFrame.top(), available.top(), frame.height(), available.height());
  const int rightRoom = available.right() - mainFrame.right();
  const int leftRoom = mainFrame.left() - available.left();
  // Narrowed to the wider side's room, never below minWidth nor widened.
  const int width = std::min(frame.width(), std::max(minWidth, std::max(rightRoom, leftRoom)));
  if (width <= rightRoom) return {mainFrame.right() + 1, y, width, frame.height()};
  if (width <= leftRoom) return {mainFrame.left() - width, y, width, frame.height()};
  constexpr int kOffset = 40;
  return {inside(mainFrame.left() + kOffset, available.left(), frame.width(), available.width()),
          inside(mainFrame.top() + kOffset, available.top(), frame.height(), available.height()),
          frame.width(), frame.height()};
}

void TTimingDiagramForm::PlaceBeside(const QWidget &main) {
  const QScreen *screen = main.screen();
  if (!screen) return;
  // This window has no frame before it is first shown: take the main window's.
  const QSize margins = main.frameGeometry().size() - main.geometry().size();
  // Narrower than this, the time axis and the labels crowd each other.
  constexpr int kUsableWidth = 560;
  const int minWidth = std::max(kUsableWidth, minimumSizeHint().width()) + margins.width();
  const QRect r =
      BesideGeometry(main.frameGeometry(), size() + margins, screen->availableGeometry(), minWidth);
  resize(r.size() - margins);
  move(r.topLeft());
}

bool TTimingDiagramForm::Showing() const { return isVisible() && !isMinimized(); }

void TTimingDiagramForm::SessionChanged() {
  stale_ = true;
  if (!Showing() || scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, [this] {
    scheduled_ = false;
    CatchUp();
  }, Qt::QueuedConnection);
}

void TTimingDiagramForm::CatchUp() {
  if (!stale_ || !session_ || !Showing()) return;
  // A readback dispatches events between its replies: the caches are half
  // read then. Its end tells the change, and the catch-up follows that.
  if (session_->InitializeRunning()) return;
  stale_ = false;
  SetInput(InputOf(*session_));
}

void TTimingDiagramForm::showEvent(QShowEvent *e) {
  QWidget::showEvent(e);
  CatchUp();  // before the first paint, so a reopened window never shows old settings
}

void TTimingDiagramForm::changeEvent(QEvent *e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange) CatchUp();
}

void TTimingDiagramForm::ShowProblems() {
  problems_->clear();
  const std::vector<std::string> list = vm::DiagramProblems(diagram_->Input());
  for (const std::string &p : list) problems_->addItem(QString::fromStdString(p));
  if (list.empty()) {
    auto *none = new QListWidgetItem(tr("No problems found."), problems_);
    none->setFlags(Qt::NoItemFlags);
  }
}

QSize TTimingDiagramForm::ExportSize() const {
  // A window never shown has no size of its own yet: export at the
  // diagram's preferred size then.
  const QSize shown = diagram_->isVisible() ? diagram_->size() : diagram_->sizeHint();
  const QSize size = shown.expandedTo(diagram_->minimumSizeHint());
  return QSize(size.width(), size.height() + diagram_->ProblemsHeight());
}

bool TTimingDiagramForm::SaveSvg(const QString &path, QString *error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Fail(error, file.errorString());
  const QSize size = ExportSize();
  QSvgGenerator svg;
  svg.setOutputDevice(&file);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QStringLiteral("Timing Diagram"));
  {
    QPainter p(&svg);
    diagram_->Render(p, size, true);
  }
  if (file.error() != QFileDevice::NoError) {
    const QString why = file.errorString();
    file.cancelWriting();
    return Fail(error, why);
  }
  return file.commit() || Fail(error, file.errorString());
}

QImage TTimingDiagramForm::ExportImage() const {
  const QSize size = ExportSize();
  const qreal dpr = diagram_->devicePixelRatioF();
  QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(diagram_->palette().color(QPalette::Base));
  {
    QPainter p(&image);
    diagram_->Render(p, size, true);
  }
  return image;
}

bool TTimingDiagramForm::SavePng(const QString &path, QString *error) const {
  const QImage image = ExportImage();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Fail(error, file.errorString());
  QImageWriter writer(&file, "png");
  if (!writer.write(image)) {
    const QString why = writer.errorString();
    file.cancelWriting();
    return Fail(error, why);
  }
  return file.commit() || Fail(error, file.errorString());
}

void TTimingDiagramForm::CopyToClipboard() const {
  const QImage image = ExportImage();
  QApplication::clipboard()->setImage(image);
}

void TTimingDiagramForm::AskAndSave(bool svg) {
  QFileDialog dialog(this, svg ? tr("Save as SVG") : tr("Save as PNG"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(svg ? tr("SVG picture (*.svg)") : tr("PNG picture (*.png)"));
  dialog.setDefaultSuffix(svg ? QStringLiteral("svg") : QStringLiteral("png"));
  dialog.selectFile(svg ? QStringLiteral("TimingDiagram.svg") : QStringLiteral("TimingDiagram.png"));
  const QString path = vm::ExecFileDialog(&dialog);
  if (path.isEmpty()) return;
  QString why;
  if (svg ? SaveSvg(path, &why) : SavePng(path, &why)) return;
  vm::MessageRequest req;
  req.icon = QMessageBox::Warning;
  req.title = windowTitle();
  req.text = tr("Could not write %1: %2").arg(path, why);
  vm::ShowMessage(this, req);
}

QString TTimingDiagramForm::ProbeText() const {
  const vm::Diagram &d = diagram_->Current();
  QString out = QStringLiteral("view %1 %2 %3\n").arg(Seconds(d.t0), Seconds(d.t1)).arg(d.columns);
  constexpr size_t kProbeEdges = 64;
  for (const vm::DiagramRow &r : d.rows) {
    out += QStringLiteral("row %1 %2 %3\n")
               .arg(QString::fromStdString(r.name).remove(' '), RowFlags(r))
               .arg(r.edges.size());
    QStringList edges;
    for (size_t i = 0; i < r.edges.size() && i < kProbeEdges; ++i)
      edges << Seconds(r.edges[i].time) + ':' + QLatin1String(vm::LevelLetter(r.edges[i].level));
    out += QStringLiteral("edges %1 %2\n").arg(QString::fromStdString(r.name).remove(' '), edges.join(' '));
  }
  for (const std::string &p : d.problems) out += QStringLiteral("problem %1\n").arg(QString::fromStdString(p));
  return out;
}

QString TTimingDiagramForm::EdgesNear(double t, double span) const {
  const vm::Diagram &d = diagram_->Current();
  QString out;
  for (const vm::DiagramRow &r : d.rows) {
    QStringList edges;
    for (const vm::Edge &e : r.edges)
      if (std::abs(e.time - t) <= span)
        edges << Seconds(e.time) + ':' + QLatin1String(vm::LevelLetter(e.level));
    out += QStringLiteral("near %1 %2 %3\n")
               .arg(QString::fromStdString(r.name).remove(' '),
                    QLatin1String(vm::LevelLetter(r.LevelAt(t))), edges.join(' '));
  }
  return out;
}
